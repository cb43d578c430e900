#pragma once
// The rules of the game written out a second time, apart from the engine, the way a player
// would state them: what each event does to the board, the score and the clock, and what the
// window must then show. Random play through the engine and through the window, and the fuzz
// target, all hold the game to this one account. No widgets here.

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>

#include "content/bank.h"
#include "content/draw.h"
#include "engine/game.h"
#include "engine/view.h"

namespace rules {

using content::kLetterCount;
using engine::Ending;
using engine::LetterState;
using engine::Phase;
using engine::View;

// The closing texts as the player reads them, written out rather than taken from the engine,
// so that a wrong constant there cannot agree with itself here.
inline const QString kFullScoreText = QStringLiteral("COMPLIMENTI SEI RIUSCITO A RISPONDERE A TUTTE LE DOMANDE!");
inline const QString kAllWrongText = QStringLiteral("PECCATO......NON HAI RISPOSTO A NESSUNA DOMANDA!");
inline const QString kRetryText = QStringLiteral("RIPROVA LA PROSSIMA VOLTA!!!");
inline const QString kTimeUpText = QStringLiteral("tempo scaduto");
inline QString settledText(int score)
{
    return QStringLiteral("PECCATO......SEI RIUSCITO A RISPONDERE A SOLO %1 DOMANDE!!").arg(score);
}

using Board = std::array<LetterState, kLetterCount>;

inline int countOf(const Board &board, LetterState state)
{
    return int(std::count(board.begin(), board.end(), state));
}

// The passed letter asked next (1..21), or 0 when none is passed.
inline int firstPassed(const Board &board)
{
    const auto it = std::find(board.begin(), board.end(), LetterState::Passed);
    return it == board.end() ? 0 : int(it - board.begin()) + 1;
}

// The board in one line for a failure message: - pending, R right, W wrong, P passed.
inline QString boardText(const Board &board)
{
    QString s;
    for (LetterState state : board)
        s += "-RWP"[int(state)];
    return s;
}

class Oracle {
public:
    void play()
    {
        if (phase() != Phase::Ready)
            return;
        asked_ = 1;
        playing_ = true;
    }

    // A press of Next whose text brings `verdict` for the letter asked.
    void press(LetterState verdict)
    {
        if (phase() != Phase::Playing)
            return;
        ++presses_;
        board_[asked_ - 1] = verdict;
        if (verdict == LetterState::Correct)
            ++score_;
        if (presses_ < kLetterCount) {
            asked_ = presses_ + 1; // the first pass takes the letters in order
            return;
        }
        // From Z on, every turn ends the game or asks the first passed letter again.
        if (score_ == kLetterCount)
            ending_ = Ending::FullScore;
        else if (countOf(board_, LetterState::Wrong) == kLetterCount)
            ending_ = Ending::AllWrong;
        else if (firstPassed(board_) == 0)
            ending_ = Ending::Settled;
        else
            asked_ = firstPassed(board_);
    }

    void tick()
    {
        if (phase() != Phase::Playing)
            return;
        if (--timeLeft_ == 0)
            ending_ = Ending::TimeUp;
    }

    Phase phase() const
    {
        return ending_ != Ending::None ? Phase::Over : playing_ ? Phase::Playing : Phase::Ready;
    }
    // The letter on show, whose answer a press is judged against; 0 before Play.
    int asked() const { return asked_; }
    const Board &board() const { return board_; }
    int score() const { return score_; }
    int presses() const { return presses_; }
    Ending ending() const { return ending_; }

    // What the main window must show, with the clues of the letters as `draw` drew them.
    View view(const content::QuestionDraw &draw) const
    {
        View v;
        if (asked_) {
            v.letter = QString(content::letterAt(asked_));
            v.question = content::doman(asked_, draw.number(asked_)).toString();
            v.focus = engine::Focus::AnswerBox;
            v.turn = presses_ + 1;
        }
        v.score = QString::number(score_);
        v.time = QString::number(timeLeft_);
        switch (ending_) {
        case Ending::FullScore:
            v.question = kFullScoreText;
            break;
        case Ending::AllWrong:
            v.question = kAllWrongText;
            v.answer = kRetryText;
            break;
        case Ending::Settled:
            v.question = settledText(score_);
            v.answer = kRetryText;
            break;
        case Ending::TimeUp:
            v.time = kTimeUpText;
            v.question = settledText(score_);
            v.answer = kRetryText;
            break;
        case Ending::None:
            break;
        }
        v.playEnabled = phase() == Phase::Ready;
        v.nextEnabled = v.clockRunning = phase() == Phase::Playing;
        v.discs = board_;
        return v;
    }

private:
    Board board_{};
    int score_ = 0;
    int presses_ = 0;
    int timeLeft_ = engine::kGameSeconds;
    int asked_ = 0;
    bool playing_ = false;
    Ending ending_ = Ending::None;
};

// What differs between the view the rules want and the one seen, for a failure message;
// empty when they agree. `turn` takes part only when `withTurn`: a window has no turn to show.
inline QString differences(const View &want, const View &seen, bool withTurn = true)
{
    QStringList out;
    const auto field = [&](const char *name, const QString &a, const QString &b) {
        if (a != b)
            out.append(QStringLiteral("%1 \"%2\", not \"%3\"").arg(QLatin1StringView(name), b.left(60), a.left(60)));
    };
    field("question", want.question, seen.question);
    field("letter", want.letter, seen.letter);
    field("score", want.score, seen.score);
    field("time", want.time, seen.time);
    field("answer", want.answer, seen.answer);
    field("board", boardText(want.discs), boardText(seen.discs));
    const auto flag = [&](const char *name, bool a, bool b) {
        if (a != b)
            out.append(QStringLiteral("%1 %2").arg(QLatin1StringView(name), b ? "on" : "off"));
    };
    flag("Play", want.playEnabled, seen.playEnabled);
    flag("Next", want.nextEnabled, seen.nextEnabled);
    flag("clock", want.clockRunning, seen.clockRunning);
    if (withTurn) {
        if (want.turn != seen.turn)
            out.append(QStringLiteral("turn %1, not %2").arg(seen.turn).arg(want.turn));
        if (want.focus != seen.focus)
            out.append(QStringLiteral("focus elsewhere"));
    }
    return out.join(QStringLiteral("; "));
}

} // namespace rules
