#pragma once
// One game of GIROLETTERA as a value: the rules' facts (the 21 letters, the score, the presses
// of Next, the draw, the clock, the letter asked, how it ended) and one function per event
// from a state to the next. What the window shows follows from a state (view.h).
//
// Nothing here owns a timer or a clock: the window calls tick() once a second while the game
// is in play, and the random generator and the time of day are handed to the events that
// draw, so a test can choose every draw.

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>

#include "content/draw.h"

namespace engine {

using content::kLetterCount;

enum class LetterState : std::uint8_t { Pending, Correct, Wrong, Passed };

enum class Phase : std::uint8_t { Ready, Playing, Over };

// How a game ended. Each ending has its own closing message (view.h).
enum class Ending : std::uint8_t { None, FullScore, Settled, AllWrong, TimeUp };

// Seconds since midnight, fractions included, in single precision: the generator is
// re-seeded from it before every draw.
class TimeOfDay {
public:
    virtual ~TimeOfDay() = default;
    virtual float secondsSinceMidnight() const = 0;
};

// The local time of day from the system clock. The local time's offset from UTC is read once,
// when the clock is made, which the window does once per game: reading the local time anew at
// every draw makes the C library look up the time zone again each time, and a game lasts less
// than three minutes.
class SystemTimeOfDay final : public TimeOfDay {
public:
    SystemTimeOfDay();
    float secondsSinceMidnight() const override;

private:
    qint64 offsetMs_;
};

inline constexpr int kGameSeconds = 160;
inline constexpr QStringView kPassKeyword = u"girolettera";

// Texts that read the same are the same text: both sides are compared composed (Unicode
// normalisation form C), so an accent typed as a combining mark counts as the accented letter.
// Case is then ignored for every letter, accented ones included; nothing is trimmed.
bool textsMatch(QStringView typed, QStringView reference);

// The verdict on one typed text for a letter whose answer is `answer`: Correct, then Passed
// for the pass keyword, otherwise Wrong (the empty text included).
LetterState verdictFor(QStringView typed, QStringView answer);

// The closing message of an ending, with the score as the score box shows it, and whether the
// retry line goes with it; an empty message for Ending::None.
struct Closing {
    QString message;
    bool retry = false;
};
Closing closingFor(Ending ending, int score);

struct State {
    std::array<LetterState, kLetterCount> letters{};
    int score = 0;
    // Presses of Next so far: presses 1 to 21 judge letters A to Z in turn, every later one
    // the letter asked again. It stops at its limit rather than wrap round into the first pass.
    int step = 0;
    content::QuestionDraw draw;
    int timeLeft = kGameSeconds;
    // The letter whose clue is on show, 1..21, or 0 before Play. It is kept rather than found
    // again from the clue on show because two letters share one clue text ("Elemento
    // chimico", A 7 and B 9): the text alone cannot tell which of them is asked. Play asks A,
    // each first-pass press the next letter, and the end of every later turn the first
    // passed letter; an ending leaves it as it was.
    int asked = 0;
    Ending ending = Ending::None;

    // The state of letter k (1..21); Pending outside.
    LetterState letter(int k) const { return k >= 1 && k <= kLetterCount ? letters[k - 1] : LetterState::Pending; }
    Phase phase() const;
    bool operator==(const State &) const = default;
};

// The events of a game. An event that has no place in the state it meets (Next before Play,
// a tick after the end, a second Play) leaves it as it is.
State load();
State play(State state, content::RandomSource &random, const TimeOfDay &clock);
// A press of Next with `typed` in the answer box.
State next(State state, QStringView typed, content::RandomSource &random, const TimeOfDay &clock);
State tick(State state);

} // namespace engine
