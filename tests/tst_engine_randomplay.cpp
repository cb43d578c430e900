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

// Everything of the game a player can see or a later event depends on.
struct Seen {
    Board states{};
    int score = 0;
    int timeLeft = 0;
    qint16 step = 0;
    qint16 draws = 0;
    Phase phase = Phase::Ready;
    QString question, answerBox, currentLetter, scoreText, timeText;
    bool playEnabled = false, nextEnabled = false, clockEnabled = false;

    explicit Seen(const Game &g)
        : score(g.score()), timeLeft(g.timeLeft()), step(g.step()), draws(g.draw().counter()),
          phase(g.phase()), question(g.question()), answerBox(g.answerBox()),
          currentLetter(g.currentLetter()), scoreText(g.scoreText()), timeText(g.timeText()),
          playEnabled(g.playEnabled()), nextEnabled(g.nextEnabled()), clockEnabled(g.clockEnabled())
    {
        for (int k = 1; k <= kLetterCount; ++k)
            states[k - 1] = g.state(k);
    }
    bool operator==(const Seen &) const = default;

    int count(LetterState s) const { return countOf(states, s); }
    int firstPassed() const { return randomplay::firstPassed(states); }
    QString board() const { return boardText(states); }
};

enum class Ending { None, FullScore, Settled, AllWrong, TimeOut };

// One player with one seed: chooses the events and the texts, keeps count of what the game
// must show, and says what went wrong, if anything.
class Player : Chooser {
public:
    explicit Player(std::uint64_t seed)
        : Chooser(seed, Cases::AlsoSwapped), seed_(seed), random_(rng(), chance(0.08)), game_(random_, clock_)
    {
        static constexpr double tickChances[] = {0.0, 0.02, 0.3, 0.93};
        lean(tickChances, {0, 1, 4, 30});
    }

    Ending play();
    const QString &failure() const { return failure_; }

private:
    // `what` may hold %1, which stands for letter k; the message is built only on a failure.
    bool expect(bool condition, const QString &what, int k = 0);
    bool checkRules(const Seen &before, const Seen &now);
    bool checkIgnored(Changes changes, const Seen &before, const QString &event);
    bool pressNext();
    bool tick();
    bool checkEnding(Ending ending, const Seen &now);

    QString textFor(Intent intent, int asked);
    QString oddText(int length);

    std::uint64_t seed_;
    SeededDraws random_;
    NoonClock clock_;
    Game game_;

    Phase expectedPhase_ = Phase::Ready;
    int ticks_ = 0;
    int events_ = 0;
    QString lastEvent_;
    QString lastTyped_;
    int lastAsked_ = 0;
    QString failure_;
};

bool Player::expect(bool condition, const QString &what, int k)
{
    if (!condition && failure_.isEmpty()) {
        const Seen now(game_);
        const QString rule = k ? what.arg(letterAt(k)) : what;
        QString event = lastEvent_;
        if (event == u"Next")
            event += u" with \"%1\" (%2 characters) for %3"_s.arg(lastTyped_.left(40)).arg(lastTyped_.size()).arg(letterAt(lastAsked_));
        else if (event == u"tick")
            event += u" %1"_s.arg(ticks_);
        failure_ = u"seed %1, event %2 (%3): %4; board %5, step %6, score %7, time %8, question \"%9\""_s
                       .arg(seed_)
                       .arg(events_)
                       .arg(event, rule, now.board())
                       .arg(now.step)
                       .arg(now.scoreText, now.timeText, now.question);
    }
    return condition;
}

// The rules that hold after every event, whatever it was.
bool Player::checkRules(const Seen &before, const Seen &now)
{
    bool ok = expect(now.score == now.count(LetterState::Correct), u"the score is not the number of green letters"_s)
              && expect(now.scoreText == QString::number(now.score), u"the score box does not show the score"_s);
    for (int k = 1; ok && k <= kLetterCount; ++k) {
        const LetterState was = before.states[k - 1];
        if (was == LetterState::Correct || was == LetterState::Wrong)
            ok = expect(now.states[k - 1] == was, u"settled letter %1 changed"_s, k);
    }
    for (int k = 1; ok && k <= kLetterCount; ++k) {
        if (k <= now.step)
            ok = expect(now.states[k - 1] != LetterState::Pending, u"letter %1, judged, is still pending"_s, k);
        else
            ok = expect(now.states[k - 1] == LetterState::Pending, u"letter %1 left pending before its step"_s, k);
    }
    ok = ok && expect(now.phase == expectedPhase_, u"the game is in the wrong phase"_s)
         && expect(now.nextEnabled == (expectedPhase_ == Phase::Playing), u"Next is enabled out of play, or disabled in play"_s)
         && expect(now.clockEnabled == (expectedPhase_ == Phase::Playing), u"the clock runs out of play, or stands in play"_s)
         && expect(now.playEnabled == (expectedPhase_ == Phase::Ready), u"Play is enabled after the start"_s);
    if (ok && expectedPhase_ != Phase::Over) {
        ok = expect(now.timeLeft == kGameSeconds - ticks_, u"time left is not 160 less the ticks"_s)
             && expect(now.timeText == QString::number(now.timeLeft), u"the time box does not show the time left"_s);
    }
    return ok;
}

// An event that must change nothing at all.
bool Player::checkIgnored(Changes changes, const Seen &before, const QString &event)
{
    lastEvent_ = event;
    const Seen now(game_);
    return expect(changes == Changes(), u"an ignored event reported changes"_s)
           && expect(now == before, u"an ignored event changed the game"_s);
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
    const QString answer = answerTo(asked, game_.draw());
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
    const Seen before(game_);
    const bool firstPass = before.step < kLetterCount;
    const int asked = firstPass ? before.step + 1 : before.firstPassed();
    const Intent intent = chooseIntent();
    const QString typed = textFor(intent, asked);
    lastEvent_ = u"Next"_s;
    lastTyped_ = typed;
    lastAsked_ = asked;

    const Changes changes = game_.next(typed);
    const Seen now(game_);
    const LetterState verdict = verdictOf(intent);

    bool ok = expect(changes != Changes(), u"a press in play reported no change"_s)
              && expect(now.step == before.step + 1, u"the press did not count one step"_s)
              && expect(now.states[asked - 1] == verdict, u"the letter asked did not take the verdict of the text"_s);
    for (int k = 1; ok && k <= kLetterCount; ++k) {
        if (k != asked)
            ok = expect(now.states[k - 1] == before.states[k - 1], u"letter %1, not asked, changed"_s, k);
    }
    ok = ok && expect(now.draws == qMin<qint16>(now.step + 1, kLetterCount), u"the draw is not one letter ahead"_s);
    if (!ok)
        return false;

    // The first pass ends with Z; from then on the game ends when no letter is passed.
    Ending ending = Ending::None;
    if (now.step >= kLetterCount && now.firstPassed() == 0) {
        ending = now.score == kLetterCount                        ? Ending::FullScore
                 : now.count(LetterState::Wrong) == kLetterCount ? Ending::AllWrong
                                                                  : Ending::Settled;
        expectedPhase_ = Phase::Over;
    }
    if (!checkRules(before, now))
        return false;
    if (ending != Ending::None)
        return checkEnding(ending, now) && expect(now.timeText == before.timeText, u"an ending touched the time box"_s);

    const int onShow = now.step < kLetterCount ? now.step + 1 : now.firstPassed();
    return expect(now.answerBox.isEmpty(), u"the answer box was not emptied"_s)
           && expect(now.question == doman(onShow, game_.draw().number(onShow)),
                     u"the question box does not show the clue of %1"_s, onShow)
           && expect(now.currentLetter == QString(letterAt(onShow)), u"the letter box does not show %1"_s, onShow);
}

bool Player::tick()
{
    const Seen before(game_);
    lastEvent_ = u"tick"_s;
    const Changes changes = game_.tick();
    ++ticks_;
    const Seen now(game_);
    if (ticks_ == kGameSeconds)
        expectedPhase_ = Phase::Over;
    if (!expect(changes.testFlag(Change::Time), u"a tick did not touch the time"_s) || !checkRules(before, now))
        return false;
    if (ticks_ == kGameSeconds)
        return checkEnding(Ending::TimeOut, now);
    Seen unchanged = now;
    unchanged.timeLeft = before.timeLeft;
    unchanged.timeText = before.timeText;
    return expect(unchanged == before, u"a tick changed more than the time"_s);
}

bool Player::checkEnding(Ending ending, const Seen &now)
{
    switch (ending) {
    case Ending::FullScore:
        return expect(now.question == kFullScoreText, u"the full-score ending reads wrong"_s)
               && expect(now.answerBox.isEmpty(), u"the full-score ending wrote into the answer box"_s);
    case Ending::AllWrong:
        return expect(now.question == kAllWrongText, u"the all-wrong ending reads wrong"_s)
               && expect(now.answerBox == kRetryText, u"the all-wrong ending lacks the retry line"_s);
    case Ending::Settled:
        return expect(now.question == settledText(now.score), u"the settled ending reads wrong"_s)
               && expect(now.answerBox == kRetryText, u"the settled ending lacks the retry line"_s);
    case Ending::TimeOut:
        return expect(now.timeText == kTimeUpText, u"the time box does not read tempo scaduto"_s)
               && expect(now.timeLeft == 0, u"time left is not 0 at the time-out"_s)
               && expect(now.question == settledText(now.score), u"the time-out message reads wrong"_s)
               && expect(now.answerBox == kRetryText, u"the time-out lacks the retry line"_s);
    case Ending::None:
        break;
    }
    return true;
}

Ending Player::play()
{
    lastEvent_ = u"load"_s;
    game_.load();
    const Seen loaded(game_);
    if (!checkRules(loaded, loaded) || !expect(loaded.question.isEmpty() && loaded.currentLetter.isEmpty(), u"load showed a question"_s))
        return Ending::None;

    // Before Play, Next and ticks do nothing.
    for (int i = pick(3); i > 0; --i) {
        ++events_;
        const bool press = chance(0.5);
        const Changes changes = press ? game_.next(textFor(chooseIntent(), 1)) : game_.tick();
        if (!checkIgnored(changes, loaded, press ? u"Next before Play"_s : u"tick before Play"_s))
            return Ending::None;
    }

    ++events_;
    lastEvent_ = u"Play"_s;
    const Seen ready(game_);
    game_.play();
    expectedPhase_ = Phase::Playing;
    const Seen started(game_);
    if (!checkRules(ready, started) || !expect(started.currentLetter == u"A"_s, u"Play did not show A"_s)
        || !expect(started.question == doman(1, game_.draw().number(1)), u"Play did not show A's clue"_s))
        return Ending::None;

    Ending ending = Ending::None;
    while (expectedPhase_ == Phase::Playing && events_ < kMaxEventsPerGame) {
        ++events_;
        if (chance(0.02)) {
            const Seen before(game_);
            if (!checkIgnored(game_.play(), before, u"Play again"_s))
                return Ending::None;
        } else if (tickNow()) {
            if (!tick())
                return Ending::None;
            if (expectedPhase_ == Phase::Over)
                ending = Ending::TimeOut;
        } else {
            if (!pressNext())
                return Ending::None;
            if (expectedPhase_ == Phase::Over) {
                const Seen now(game_);
                ending = now.score == kLetterCount ? Ending::FullScore
                         : now.count(LetterState::Wrong) == kLetterCount ? Ending::AllWrong
                                                                         : Ending::Settled;
            }
        }
    }

    // After an ending nothing moves any more.
    if (expectedPhase_ == Phase::Over) {
        const Seen over(game_);
        for (int i = 1 + pick(5); i > 0; --i) {
            ++events_;
            const int kind = pick(3);
            const Changes changes = kind == 0   ? game_.next(textFor(chooseIntent(), 1 + pick(kLetterCount)))
                                    : kind == 1 ? game_.tick()
                                                : game_.play();
            if (!checkIgnored(changes, over, kind == 0 ? u"Next after the end"_s : kind == 1 ? u"tick after the end"_s : u"Play after the end"_s))
                return Ending::None;
        }
    }
    return ending;
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
          endings[int(Ending::AllWrong)], endings[int(Ending::TimeOut)], endings[int(Ending::None)]);
    // A run that never reached an ending has not tested it.
    if (games >= 1000) {
        for (Ending e : {Ending::FullScore, Ending::Settled, Ending::AllWrong, Ending::TimeOut})
            QVERIFY2(endings[int(e)] >= games / 100, qPrintable(u"ending %1 was reached only %2 times"_s.arg(int(e)).arg(endings[int(e)])));
    }
}

QTEST_GUILESS_MAIN(TestEngineRandomPlay)
#include "tst_engine_randomplay.moc"
