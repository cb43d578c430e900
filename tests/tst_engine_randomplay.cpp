// Thousands of games played at random through the engine: right and wrong answers, the pass
// keyword in any case, empty, long and odd Unicode text, Next presses, clock ticks and stray
// Play presses, with the rules of the game checked after every single event.
//
// Every game has its own seed, printed with any failure. To replay one game:
//   GIRO_RANDOMPLAY_SEED=<seed> GIRO_RANDOMPLAY_GAMES=1 tst_engine_randomplay

#include <QTest>

#include "randomplay.h"

using namespace engine;
using namespace randomplay;
using namespace Qt::StringLiterals;
using content::doman;
using content::kLetterCount;
using content::letterAt;

namespace {

constexpr std::uint64_t kDefaultSeed = 0x6a09e667;
constexpr int kDefaultGames = 10000;
// A game that keeps passing the same letter never ends by itself; past this many events it is
// left running.
constexpr int kMaxEventsPerGame = 600;

// One player with one seed: chooses the events and the texts, plays each into the engine and
// into the rules, and says what went wrong, if anything.
class Player : Chooser {
public:
    explicit Player(std::uint64_t seed)
        : Chooser(seed, Cases::AlsoSwapped), seed_(seed), random_(rng(), chance(0.08))
    {
        static constexpr double tickChances[] = {0.0, 0.02, 0.3, 0.93};
        lean(tickChances, {0, 1, 4, 30});
    }

    Ending play();
    const QString &failure() const { return failure_; }

private:
    bool expect(bool condition, const QString &what);
    // The engine agrees with the rules after an event.
    bool agrees();
    bool pressNext();
    bool tick();
    bool ignored(const State &before, const QString &event);

    QString textFor(Intent intent, int asked);
    QString oddText(int length);

    std::uint64_t seed_;
    SeededDraws random_;
    NoonClock clock_;
    State state_ = load();
    Oracle rules_;
    int events_ = 0;
    QString lastEvent_;
    QString failure_;
};

bool Player::expect(bool condition, const QString &what)
{
    if (!condition && failure_.isEmpty()) {
        failure_ = u"seed %1, event %2 (%3): %4; board %5, step %6, time %7"_s
                       .arg(seed_)
                       .arg(events_)
                       .arg(lastEvent_, what, boardText(state_.letters))
                       .arg(state_.step)
                       .arg(state_.timeLeft);
    }
    return condition;
}

bool Player::agrees()
{
    const QString wrong = differences(rules_.view(state_.draw), viewOf(state_));
    return expect(wrong.isEmpty(), wrong) && expect(state_.phase() == rules_.phase(), u"the game is in the wrong phase"_s)
           && expect(state_.step == rules_.presses(), u"the press count is not the presses"_s)
           && expect(state_.draw.counter() == qMin(rules_.presses() + 1, kLetterCount) || rules_.phase() == Phase::Ready,
                     u"the draw is not one letter ahead of the presses"_s);
}

bool Player::ignored(const State &before, const QString &event)
{
    lastEvent_ = event;
    return expect(state_ == before, u"an event out of its place changed the game"_s);
}

// Text no answer can equal: at least one character no answer holds, among others that test
// the comparison's handling of Unicode.
QString Player::oddText(int length)
{
    static const QList<QString> pieces = {
        u"\u0301"_s,            // a combining acute accent
        u"\U0001F600"_s,        // a surrogate pair
        QString(QChar(0xD83D)), // a lone high surrogate
        QString(QChar(0xDE00)), // a lone low surrogate
        u"\u202E"_s,            // right-to-left override
        u"\u05E9\u05DC\u05D5\u05DD"_s, // Hebrew
        u"\u0627\u0644"_s,      // Arabic
        QString(QChar(0)),      // NUL
        u"\u00DF"_s,            // sharp s, which folds to two letters
        u"\u0130"_s,            // capital I with a dot
        u"\uFFFF"_s,            // a noncharacter
    };
    static const QString letters = u"abcdefghilmnopqrstuvzàèòù AEIOU'-"_s;
    QString out = pieces[pick(int(pieces.size()))];
    while (out.size() < length) {
        if (chance(0.3))
            out.insert(pick(int(out.size()) + 1), pieces[pick(int(pieces.size()))]);
        else
            out.insert(pick(int(out.size()) + 1), letters[pick(int(letters.size()))]);
    }
    return out;
}

QString Player::textFor(Intent intent, int asked)
{
    const QString answer = answerTo(asked, state_.draw);
    if (intent != Intent::Wrong)
        return meantText(intent, answer);

    switch (pick(10)) {
    case 0:
        return QString();
    case 1:
        return chance(0.5) ? answer + u' ' : u' ' + answer;
    case 2: { // another letter's answer; answers begin with their own letter
        const int other = 1 + (asked + pick(kLetterCount - 1)) % kLetterCount;
        return content::rispos(other, 1 + pick(10)).toString();
    }
    case 3:
        return overAccented(answer);
    case 4: { // a NUL inside or after the answer or the keyword
        QString base = chance(0.5) ? answer : flipCase(kPassKeyword.toString());
        base.insert(pick(int(base.size()) + 1), QChar(0));
        return base;
    }
    case 5:
        return kPassKeyword.toString() + (chance(0.5) ? u" "_s : u"\u200F"_s);
    case 6:
        return answer.left(answer.size() - 1);
    case 7: { // long text
        QString longText;
        while (longText.size() < 2000 + pick(3000))
            longText += chance(0.5) ? answer : oddText(8);
        return longText;
    }
    default:
        return oddText(1 + pick(40));
    }
}

bool Player::pressNext()
{
    const int asked = rules_.asked();
    const Intent intent = chooseIntent();
    const QString typed = textFor(intent, asked);
    lastEvent_ = u"Next with \"%1\" (%2 characters) for %3"_s.arg(typed.left(40)).arg(typed.size()).arg(letterAt(asked));
    state_ = next(state_, typed, random_, clock_);
    rules_.press(verdictOf(intent));
    return agrees();
}

bool Player::tick()
{
    lastEvent_ = u"tick"_s;
    state_ = engine::tick(state_);
    rules_.tick();
    return agrees();
}

Ending Player::play()
{
    lastEvent_ = u"load"_s;
    if (!agrees())
        return Ending::None;

    // Before Play, Next and ticks do nothing.
    for (int i = pick(3); i > 0; --i) {
        ++events_;
        const State before = state_;
        const bool press = chance(0.5);
        state_ = press ? next(state_, textFor(chooseIntent(), 1), random_, clock_) : engine::tick(state_);
        if (!ignored(before, press ? u"Next before Play"_s : u"tick before Play"_s))
            return Ending::None;
    }

    ++events_;
    lastEvent_ = u"Play"_s;
    state_ = engine::play(state_, random_, clock_);
    rules_.play();
    if (!agrees())
        return Ending::None;

    while (rules_.phase() == Phase::Playing && events_ < kMaxEventsPerGame) {
        ++events_;
        bool ok = true;
        if (chance(0.02)) {
            const State before = state_;
            state_ = engine::play(state_, random_, clock_);
            ok = ignored(before, u"Play again"_s);
        } else {
            ok = tickNow() ? tick() : pressNext();
        }
        if (!ok)
            return Ending::None;
    }

    // After an ending nothing moves any more.
    if (rules_.phase() == Phase::Over) {
        const State over = state_;
        for (int i = 1 + pick(5); i > 0; --i) {
            ++events_;
            const int kind = pick(3);
            state_ = kind == 0   ? next(state_, textFor(chooseIntent(), 1 + pick(kLetterCount)), random_, clock_)
                     : kind == 1 ? engine::tick(state_)
                                 : engine::play(state_, random_, clock_);
            if (!ignored(over, kind == 0 ? u"Next after the end"_s : kind == 1 ? u"tick after the end"_s : u"Play after the end"_s))
                return Ending::None;
        }
    }
    return rules_.ending();
}

} // namespace

class TestEngineRandomPlay : public QObject {
    Q_OBJECT
private slots:
    void randomGamesKeepTheRules();
};

void TestEngineRandomPlay::randomGamesKeepTheRules()
{
    const std::uint64_t base = envNumber("GIRO_RANDOMPLAY_SEED", kDefaultSeed);
    const int games = int(envNumber("GIRO_RANDOMPLAY_GAMES", kDefaultGames));
    std::array<int, 5> endings{};
    for (int i = 0; i < games; ++i) {
        Player player(base + std::uint64_t(i));
        const Ending ending = player.play();
        QVERIFY2(player.failure().isEmpty(), qPrintable(player.failure()));
        ++endings[int(ending)];
    }
    qInfo("%d games from seed %llu: %d full score, %d settled, %d all wrong, %d timed out, %d left running", games,
          static_cast<unsigned long long>(base), endings[int(Ending::FullScore)], endings[int(Ending::Settled)],
          endings[int(Ending::AllWrong)], endings[int(Ending::TimeUp)], endings[int(Ending::None)]);
    // A run that never reached an ending has not tested it.
    if (games >= 1000) {
        for (Ending e : {Ending::FullScore, Ending::Settled, Ending::AllWrong, Ending::TimeUp})
            QVERIFY2(endings[int(e)] >= games / 100, qPrintable(u"ending %1 was reached only %2 times"_s.arg(int(e)).arg(endings[int(e)])));
    }
}

QTEST_GUILESS_MAIN(TestEngineRandomPlay)
#include "tst_engine_randomplay.moc"
