#pragma once
// One game of GIROLETTERA as a plain model: the state of the 21 letters, the score, the clock
// and every text the main window shows, with one function per event (load, Play, Next, tick).
//
// The model owns no timer and no clock: the window calls tick() once a second while
// clockEnabled() is true, and the time of day and the random generator are handed in, so a
// test can choose every draw. Each event returns what it changed, so the window repaints only
// that and a tick never touches what the player is typing.

#include <QFlags>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>

#include "content/draw.h"

namespace engine {

enum class LetterState : std::uint8_t { Pending, Correct, Wrong, Passed };

enum class Phase : std::uint8_t { Ready, Playing, Over };

// Seconds since midnight, fractions included, in single precision: the generator is
// re-seeded from it before every draw.
class TimeOfDay {
public:
    virtual ~TimeOfDay() = default;
    virtual float secondsSinceMidnight() const = 0;
};

class SystemTimeOfDay final : public TimeOfDay {
public:
    float secondsSinceMidnight() const override;
};

inline constexpr int kGameSeconds = 160;
inline constexpr QStringView kPassKeyword = u"girolettera";

// The closing messages. The settled and time-out message is kScoreHead, the score as the
// score box shows it, then kScoreTail.
inline constexpr QLatin1StringView kFullScore{"COMPLIMENTI SEI RIUSCITO A RISPONDERE A TUTTE LE DOMANDE!"};
inline constexpr QLatin1StringView kScoreHead{"PECCATO......SEI RIUSCITO A RISPONDERE A SOLO "};
inline constexpr QLatin1StringView kScoreTail{" DOMANDE!!"};
inline constexpr QLatin1StringView kAllWrong{"PECCATO......NON HAI RISPOSTO A NESSUNA DOMANDA!"};
inline constexpr QLatin1StringView kRetry{"RIPROVA LA PROSSIMA VOLTA!!!"};
inline constexpr QLatin1StringView kTimeUp{"tempo scaduto"};

enum class Change : unsigned {
    Question = 1u << 0,      // question()
    AnswerBox = 1u << 1,     // answerBox() was written
    FocusAnswer = 1u << 2,   // the answer box takes the keyboard focus
    CurrentLetter = 1u << 3, // currentLetter()
    Board = 1u << 4,         // one or more letter states
    Score = 1u << 5,         // scoreText()
    Time = 1u << 6,          // timeText()
    Controls = 1u << 7,      // playEnabled(), nextEnabled(), clockEnabled()
};
Q_DECLARE_FLAGS(Changes, Change)
Q_DECLARE_OPERATORS_FOR_FLAGS(Changes)

// Texts that read the same are the same text: both sides are compared composed (Unicode
// normalisation form C), so an accent typed as a combining mark counts as the accented letter.
// Case is then ignored for every letter, accented ones included; nothing is trimmed.
bool textsMatch(QStringView typed, QStringView reference);

// The verdict on one typed text for a letter whose answer is `answer`: Correct, then Passed
// for the pass keyword, otherwise Wrong (the empty text included).
LetterState verdictFor(QStringView typed, QStringView answer);

class Game {
public:
    // Both references must outlive the game.
    Game(content::RandomSource &random, const TimeOfDay &clock);

    Changes load();
    Changes play();
    // A press of Next with `typed` in the answer box.
    Changes next(QStringView typed);
    Changes tick();

    LetterState state(int k) const; // k = 1..21; Pending outside
    int score() const { return score_; }
    int timeLeft() const { return timeLeft_; }
    qint16 step() const { return step_; }
    const content::QuestionDraw &draw() const { return draw_; }
    Phase phase() const;

    const QString &question() const { return question_; }
    const QString &answerBox() const { return answerBox_; }
    const QString &currentLetter() const { return currentLetter_; }
    const QString &scoreText() const { return scoreText_; }
    const QString &timeText() const { return timeText_; }

    bool playEnabled() const { return playEnabled_; }
    bool nextEnabled() const { return nextEnabled_; }
    bool clockEnabled() const { return clockEnabled_; }

    // The passed letter whose clue equals `question` (case ignored), earliest in sequence
    // order, or 0 when none matches. Only passed letters take part: with one clue text shared
    // by two letters, a settled letter must not answer for a passed one.
    int passedLetterShowing(QStringView question) const;

private:
    Changes judge(int k, QStringView typed);
    Changes drawAndShow(int k);
    Changes show(int k);
    Changes endOfTurn();
    Changes endGame(QLatin1StringView message, bool retry);
    Changes endGame(const QString &message, bool retry);
    QString scoreMessage() const;

    content::RandomSource &random_;
    const TimeOfDay &clock_;
    content::QuestionDraw draw_;
    std::array<LetterState, content::kLetterCount> states_{};
    int score_ = 0;
    int timeLeft_ = 0;
    qint16 step_ = 0;

    QString question_;
    QString answerBox_;
    QString currentLetter_;
    QString scoreText_;
    QString timeText_;

    // As the window is designed, before load() sets up the ready state.
    bool playEnabled_ = true;
    bool nextEnabled_ = true;
    bool clockEnabled_ = true;
};

} // namespace engine
