#include "game.h"

#include <QTime>

#include <algorithm>
#include <limits>

namespace engine {

using content::doman;
using content::kLetterCount;
using content::letterAt;
using content::rispos;

float SystemTimeOfDay::secondsSinceMidnight() const
{
    return float(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

namespace {
// A text below U+0300 holds no combining mark and so is already composed: the common case
// costs no copy.
bool plainlyComposed(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x300; });
}
} // namespace

bool textsMatch(QStringView typed, QStringView reference)
{
    if (plainlyComposed(typed) && plainlyComposed(reference))
        return typed.compare(reference, Qt::CaseInsensitive) == 0;
    const QString a = typed.toString().normalized(QString::NormalizationForm_C);
    const QString b = reference.toString().normalized(QString::NormalizationForm_C);
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

LetterState verdictFor(QStringView typed, QStringView answer)
{
    if (textsMatch(typed, answer))
        return LetterState::Correct;
    if (textsMatch(typed, kPassKeyword))
        return LetterState::Passed;
    return LetterState::Wrong;
}

Game::Game(content::RandomSource &random, const TimeOfDay &clock)
    : random_(random), clock_(clock)
{
}

LetterState Game::state(int k) const
{
    return (k >= 1 && k <= kLetterCount) ? states_[k - 1] : LetterState::Pending;
}

Phase Game::phase() const
{
    if (playEnabled_)
        return Phase::Ready;
    return nextEnabled_ ? Phase::Playing : Phase::Over;
}

Changes Game::load()
{
    nextEnabled_ = false;
    clockEnabled_ = false;
    timeLeft_ = kGameSeconds;
    scoreText_ = QString::number(score_);
    timeText_ = QString::number(timeLeft_);
    return Change::Controls | Change::Score | Change::Time;
}

Changes Game::play()
{
    if (!playEnabled_)
        return {};
    nextEnabled_ = true;
    clockEnabled_ = true;
    playEnabled_ = false;
    return Change::Controls | Change::FocusAnswer | drawAndShow(1);
}

Changes Game::next(QStringView typed)
{
    if (!nextEnabled_)
        return {};
    if (step_ < std::numeric_limits<qint16>::max())
        ++step_;

    // Each press first judges, then moves on; the two must not be merged into one expression,
    // whose operands C++ may evaluate in either order.
    Changes changes;
    if (step_ <= kLetterCount) {
        changes = judge(step_, typed);
        if (step_ < kLetterCount)
            return changes | drawAndShow(step_ + 1);
    } else if (const int k = passedLetterShowing(question_)) {
        // Second pass: the letter asked is found again from the clue on show.
        changes = judge(k, typed);
    } else {
        answerBox_.clear();
        changes = Change::AnswerBox | Change::FocusAnswer;
    }
    return changes | endOfTurn();
}

Changes Game::tick()
{
    if (!clockEnabled_)
        return {};
    --timeLeft_;
    timeText_ = QString::number(timeLeft_);
    if (timeLeft_ > 0)
        return Change::Time;
    timeText_ = kTimeUp.toString();
    return Change::Time | endGame(scoreMessage(), true);
}

int Game::passedLetterShowing(QStringView question) const
{
    for (int k = 1; k <= kLetterCount; ++k) {
        if (states_[k - 1] == LetterState::Passed && textsMatch(question, doman(k, draw_.number(k))))
            return k;
    }
    return 0;
}

Changes Game::judge(int k, QStringView typed)
{
    const LetterState verdict = verdictFor(typed, rispos(k, draw_.number(k)));
    states_[k - 1] = verdict;
    Changes changes = Change::Board | Change::AnswerBox | Change::FocusAnswer;
    if (verdict == LetterState::Correct) {
        ++score_;
        scoreText_ = QString::number(score_);
        changes |= Change::Score;
    }
    answerBox_.clear();
    return changes;
}

Changes Game::drawAndShow(int k)
{
    random_.seed(clock_.secondsSinceMidnight());
    draw_.caso(random_);
    return show(k);
}

Changes Game::show(int k)
{
    question_ = doman(k, draw_.number(k)).toString();
    currentLetter_ = QString(letterAt(k));
    return Change::Question | Change::CurrentLetter;
}

// The stages run in this order and each may overwrite what an earlier one wrote: a board of
// 21 red letters first gets the settled message, which the all-wrong message then replaces.
Changes Game::endOfTurn()
{
    if (score_ == kLetterCount)
        return endGame(kFullScore, false);

    const auto count = [this](auto pred) { return int(std::count_if(states_.begin(), states_.end(), pred)); };
    const int settled = count([](LetterState s) { return s == LetterState::Correct || s == LetterState::Wrong; });
    const int wrong = count([](LetterState s) { return s == LetterState::Wrong; });

    Changes changes;
    if (settled == kLetterCount)
        changes |= endGame(scoreMessage(), true);
    if (wrong == kLetterCount)
        changes |= endGame(kAllWrong, true);

    const auto passed = std::find(states_.begin(), states_.end(), LetterState::Passed);
    if (passed != states_.end())
        changes |= show(int(passed - states_.begin()) + 1);
    return changes;
}

Changes Game::endGame(QLatin1StringView message, bool retry)
{
    return endGame(message.toString(), retry);
}

Changes Game::endGame(const QString &message, bool retry)
{
    question_ = message;
    Changes changes = Change::Question | Change::Controls;
    if (retry) {
        answerBox_ = kRetry.toString();
        changes |= Change::AnswerBox;
    }
    playEnabled_ = false;
    nextEnabled_ = false;
    clockEnabled_ = false;
    return changes;
}

QString Game::scoreMessage() const
{
    QString message;
    message.reserve(kScoreHead.size() + scoreText_.size() + kScoreTail.size());
    message.append(kScoreHead).append(scoreText_).append(kScoreTail);
    return message;
}

} // namespace engine
