#include "game.h"

#include <QString>
#include <QDateTime>

#include <algorithm>
#include <limits>

namespace engine {

using content::rispos;

SystemTimeOfDay::SystemTimeOfDay() : offsetMs_(qint64(QDateTime::currentDateTime().offsetFromUtc()) * 1000) {}

float SystemTimeOfDay::secondsSinceMidnight() const
{
    constexpr qint64 kDayMs = 24 * 60 * 60 * 1000;
    const qint64 local = QDateTime::currentMSecsSinceEpoch() + offsetMs_;
    return float((local % kDayMs + kDayMs) % kDayMs) / 1000.0f;
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

Phase State::phase() const
{
    if (ending != Ending::None)
        return Phase::Over;
    return asked == 0 ? Phase::Ready : Phase::Playing;
}

namespace {

int count(const State &state, auto pred)
{
    return int(std::count_if(state.letters.begin(), state.letters.end(), pred));
}

bool settled(LetterState s)
{
    return s == LetterState::Correct || s == LetterState::Wrong;
}

// Every ending, with its closing message: the score, where it has one, stands between the two
// pieces exactly as the score box shows it. A turn tries the endings in this order and the
// first that holds wins: a board of 21 red letters is a settled board too, and the all-wrong
// message is the one the player sees. The time-out comes from the clock alone.
struct EndingRule {
    Ending ending;
    bool (*holds)(const State &);
    QStringView head;
    bool withScore;
    QStringView tail;
    bool retry;
};
constexpr EndingRule kEndings[] = {
    {Ending::FullScore, [](const State &s) { return s.score == kLetterCount; },
     u"COMPLIMENTI SEI RIUSCITO A RISPONDERE A TUTTE LE DOMANDE!", false, {}, false},
    {Ending::AllWrong, [](const State &s) { return count(s, [](LetterState l) { return l == LetterState::Wrong; }) == kLetterCount; },
     u"PECCATO......NON HAI RISPOSTO A NESSUNA DOMANDA!", false, {}, true},
    {Ending::Settled, [](const State &s) { return count(s, settled) == kLetterCount; },
     u"PECCATO......SEI RIUSCITO A RISPONDERE A SOLO ", true, u" DOMANDE!!", true},
    {Ending::TimeUp, nullptr,
     u"PECCATO......SEI RIUSCITO A RISPONDERE A SOLO ", true, u" DOMANDE!!", true},
};

// Re-seeds from the time of day, draws the next letter's question and asks it.
void drawAndAsk(State &state, int k, content::RandomSource &random, const TimeOfDay &clock)
{
    random.seed(clock.secondsSinceMidnight());
    state.draw.caso(random);
    state.asked = k;
}

void judge(State &state, int k, QStringView typed)
{
    const LetterState verdict = verdictFor(typed, rispos(k, state.draw.number(k)));
    state.letters[k - 1] = verdict;
    if (verdict == LetterState::Correct)
        ++state.score;
}

// Closes every turn from the last letter of the first pass on: an ending, or the first
// passed letter asked again with the question drawn for it.
void endTurn(State &state)
{
    for (const EndingRule &rule : kEndings) {
        if (rule.holds && rule.holds(state)) {
            state.ending = rule.ending;
            return;
        }
    }
    const auto passed = std::find(state.letters.begin(), state.letters.end(), LetterState::Passed);
    if (passed != state.letters.end())
        state.asked = int(passed - state.letters.begin()) + 1;
}

} // namespace

Closing closingFor(Ending ending, int score)
{
    for (const EndingRule &rule : kEndings) {
        if (rule.ending != ending)
            continue;
        QString message = rule.head.toString();
        if (rule.withScore)
            message.append(QString::number(score)).append(rule.tail);
        return {message, rule.retry};
    }
    return {};
}

State load()
{
    return State{};
}

State play(State state, content::RandomSource &random, const TimeOfDay &clock)
{
    if (state.phase() != Phase::Ready)
        return state;
    drawAndAsk(state, 1, random, clock);
    return state;
}

State next(State state, QStringView typed, content::RandomSource &random, const TimeOfDay &clock)
{
    if (state.phase() != Phase::Playing)
        return state;
    if (state.step < std::numeric_limits<int>::max())
        ++state.step;
    judge(state, state.asked, typed);
    if (state.step < kLetterCount)
        drawAndAsk(state, state.step + 1, random, clock);
    else
        endTurn(state);
    return state;
}

State tick(State state)
{
    if (state.phase() != Phase::Playing)
        return state;
    if (--state.timeLeft == 0)
        state.ending = Ending::TimeUp;
    return state;
}

} // namespace engine
