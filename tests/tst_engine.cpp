// One game through the engine, with chosen draws: load, Play, the two passes, the endings and
// the countdown.

#include <QTest>

#include "content/bank.h"
#include "engine/game.h"
#include "testsupport.h"

using namespace engine;
using namespace Qt::StringLiterals;
using content::doman;
using content::kLetterCount;
using content::rispos;

namespace {

// A game with every letter's question chosen, already loaded and, unless asked not to, started.
struct Table {
    explicit Table(const QList<int> &questions = QList<int>(21, 1), bool start = true)
        : random(ScriptedRandom::drawing(questions)), game(random, clock)
    {
        game.load();
        if (start)
            game.play();
    }

    QString rightAnswer(int k) const { return rispos(k, game.draw().number(k)).toString(); }
    QString clue(int k) const { return doman(k, game.draw().number(k)).toString(); }

    // One first-pass letter per character: R right, W wrong, P pass.
    void firstPass(const QString &plan)
    {
        for (int k = 1; k <= plan.size(); ++k)
            game.next(typed(plan[k - 1], k));
    }
    QString typed(QChar kind, int k) const
    {
        return kind == u'R' ? rightAnswer(k) : kind == u'P' ? u"girolettera"_s : u"sbagliato"_s;
    }

    QString states() const
    {
        QString s;
        for (int k = 1; k <= kLetterCount; ++k)
            s += "-RWP"[int(game.state(k))];
        return s;
    }

    ScriptedRandom random;
    FixedTimeOfDay clock;
    Game game;
};

QString settledMessage(const QString &score)
{
    return kScoreHead.toString() + score + kScoreTail;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void loadSetsUpTheReadyState();
    void playDrawsAndShowsA();
    void eventsOutsideTheirStateDoNothing();

    void verdicts_data();
    void verdicts();

    void firstPassMovesOneLetterPerPress();
    void lastFirstPassPressDrawsNothing();

    void endings_data();
    void endings();

    void passedLettersComeBackInOrderUntilAnswered();
    void allPassedPutsABackOnShow();
    void laterStepsBehaveAlike();
    void clueMatchIgnoresCaseAndSettledLetters();

    void sharedClue_data();
    void sharedClue();

    void countdownTimesOut();
    void timeOutInTheSecondPassKeepsTheScore();
    void nothingChangesAfterAnEnding();
};

void TestEngine::loadSetsUpTheReadyState()
{
    ScriptedRandom random;
    FixedTimeOfDay clock;
    Game game(random, clock);
    QVERIFY(game.nextEnabled()); // as designed, until the window loads
    game.load();

    QCOMPARE(game.phase(), Phase::Ready);
    QVERIFY(game.playEnabled());
    QVERIFY(!game.nextEnabled());
    QVERIFY(!game.clockEnabled());
    QCOMPARE(game.scoreText(), u"0"_s);
    QCOMPARE(game.timeText(), u"160"_s);
    QCOMPARE(game.timeLeft(), 160);
    QVERIFY(game.question().isEmpty());
    QVERIFY(game.currentLetter().isEmpty());
    QVERIFY(game.answerBox().isEmpty());
    QCOMPARE(game.step(), qint16(0));
    QCOMPARE(game.draw().counter(), qint16(0));
    for (int k = 1; k <= kLetterCount; ++k)
        QCOMPARE(game.state(k), LetterState::Pending);
    QCOMPARE(random.draws, 0);
}

void TestEngine::playDrawsAndShowsA()
{
    Table table({7}, false);
    const Changes changes = table.game.play();

    QVERIFY(changes.testFlag(Change::FocusAnswer));
    QCOMPARE(table.game.phase(), Phase::Playing);
    QVERIFY(!table.game.playEnabled());
    QVERIFY(table.game.nextEnabled());
    QVERIFY(table.game.clockEnabled());
    QCOMPARE(table.random.seeds, QList<float>{table.clock.seconds});
    QCOMPARE(table.game.draw().counter(), qint16(1));
    QCOMPARE(table.game.draw().number(1), 7);
    QCOMPARE(table.game.draw().number(2), 0);
    QCOMPARE(table.game.question(), u"Elemento chimico"_s);
    QCOMPARE(table.game.currentLetter(), u"A"_s);
    QCOMPARE(table.game.timeText(), u"160"_s);
}

void TestEngine::eventsOutsideTheirStateDoNothing()
{
    Table table({}, false);
    QCOMPARE(table.game.next(u"argo"), Changes());
    QCOMPARE(table.game.tick(), Changes());
    QCOMPARE(table.game.step(), qint16(0));
    QCOMPARE(table.game.timeLeft(), 160);

    table.game.play();
    QCOMPARE(table.game.play(), Changes());
    QCOMPARE(table.game.draw().counter(), qint16(1));
}

void TestEngine::verdicts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<LetterState>("verdict");
    QTest::newRow("the answer as stored") << u"Balena"_s << u"Balena"_s << LetterState::Correct;
    QTest::newRow("the answer in small letters") << u"balena"_s << u"Balena"_s << LetterState::Correct;
    QTest::newRow("the answer in capitals") << u"BALENA"_s << u"Balena"_s << LetterState::Correct;
    QTest::newRow("the answer in mixed case") << u"bAlEnA"_s << u"Balena"_s << LetterState::Correct;
    QTest::newRow("an accented capital") << u"UBIQUITÀ"_s << u"Ubiquità"_s << LetterState::Correct;
    QTest::newRow("an accent in capitals") << u"SAKÈ"_s << u"sakè"_s << LetterState::Correct;
    QTest::newRow("blanks inside, in capitals") << u"COREA DEL NORD"_s << u"corea del nord"_s << LetterState::Correct;
    QTest::newRow("one letter changed") << u"Balena"_s << u"Balene"_s << LetterState::Wrong;
    QTest::newRow("a trailing blank") << u"balena "_s << u"Balena"_s << LetterState::Wrong;
    QTest::newRow("a leading blank") << u" balena"_s << u"Balena"_s << LetterState::Wrong;
    QTest::newRow("the accent left out") << u"sake"_s << u"sakè"_s << LetterState::Wrong;
    QTest::newRow("another accent") << u"saké"_s << u"sakè"_s << LetterState::Wrong;
    QTest::newRow("the accent typed as a combining mark") << u"sake\u0300"_s << u"sakè"_s << LetterState::Correct;
    QTest::newRow("a combining accent in capitals") << u"UBIQUITA\u0300"_s << u"Ubiquità"_s << LetterState::Correct;
    QTest::newRow("another combining accent") << u"sake\u0301"_s << u"sakè"_s << LetterState::Wrong;
    QTest::newRow("a combining accent the answer lacks") << u"balena\u0301"_s << u"Balena"_s << LetterState::Wrong;
    QTest::newRow("the hyphen left out") << u"abat jour"_s << u"abat-jour"_s << LetterState::Wrong;
    QTest::newRow("the apostrophe left out") << u"dannunzio"_s << u"d'annunzio"_s << LetterState::Wrong;
    QTest::newRow("a doubled blank") << u"una  tantum"_s << u"una tantum"_s << LetterState::Wrong;
    QTest::newRow("the empty text") << QString() << u"Balena"_s << LetterState::Wrong;
    QTest::newRow("the pass keyword") << u"girolettera"_s << u"Balena"_s << LetterState::Passed;
    QTest::newRow("the pass keyword in capitals") << u"GIROLETTERA"_s << u"Balena"_s << LetterState::Passed;
    QTest::newRow("the pass keyword in mixed case") << u"GiroLettera"_s << u"Balena"_s << LetterState::Passed;
    QTest::newRow("the pass keyword with a blank") << u"girolettera "_s << u"Balena"_s << LetterState::Wrong;
}

void TestEngine::verdicts()
{
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(LetterState, verdict);
    QCOMPARE(verdictFor(typed, answer), verdict);
}

void TestEngine::firstPassMovesOneLetterPerPress()
{
    Table table({1, 1});
    table.game.next(u"PARALUME"); // A's clue, not its answer
    QCOMPARE(table.game.state(1), LetterState::Wrong);
    QCOMPARE(table.game.currentLetter(), u"B"_s);
    QCOMPARE(table.game.question(), u"Grosso cetaceo"_s);
    QCOMPARE(table.game.step(), qint16(1));
    QCOMPARE(table.game.draw().counter(), qint16(2));
    QCOMPARE(table.random.seeds.size(), 2);

    const Changes changes = table.game.next(u"bALENA");
    QVERIFY(changes.testFlag(Change::FocusAnswer));
    QVERIFY(changes.testFlag(Change::Score));
    QCOMPARE(table.game.state(2), LetterState::Correct);
    QCOMPARE(table.game.scoreText(), u"1"_s);
    QCOMPARE(table.game.answerBox(), QString());
    QCOMPARE(table.game.currentLetter(), u"C"_s);
    QCOMPARE(table.game.question(), table.clue(3));
}

void TestEngine::lastFirstPassPressDrawsNothing()
{
    Table table;
    table.firstPass(u"RRRRRRRRRRRRRRRRRRRR"_s);
    QCOMPARE(table.game.currentLetter(), u"Z"_s);
    QCOMPARE(table.game.question(), table.clue(21));
    QCOMPARE(table.game.draw().counter(), qint16(21));
    QCOMPARE(table.random.draws, 21);

    table.game.next(u"girolettera");
    QCOMPARE(table.random.draws, 21);
    QCOMPARE(table.random.seeds.size(), 21);
    QCOMPARE(table.game.state(21), LetterState::Passed);
    QCOMPARE(table.game.scoreText(), u"20"_s);
    // Z is the only letter passed, so it comes straight back.
    QCOMPARE(table.game.currentLetter(), u"Z"_s);
    QCOMPARE(table.game.question(), table.clue(21));
    QCOMPARE(table.game.phase(), Phase::Playing);
}

void TestEngine::endings_data()
{
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("answerBox");
    QTest::addColumn<QString>("score");

    QTest::newRow("all right: full score")
        << u"RRRRRRRRRRRRRRRRRRRRR"_s << kFullScore.toString() << QString() << u"21"_s;
    QTest::newRow("20 right, 1 wrong: settled with 20")
        << u"RRRRRRRRRRRRRRRRRRRRW"_s << settledMessage(u"20"_s) << kRetry.toString() << u"20"_s;
    QTest::newRow("1 right, 20 wrong: settled with 1")
        << u"WWWWWWWWWWRWWWWWWWWWW"_s << settledMessage(u"1"_s) << kRetry.toString() << u"1"_s;
    QTest::newRow("all wrong: the all-wrong message replaces the settled one")
        << u"WWWWWWWWWWWWWWWWWWWWW"_s << kAllWrong.toString() << kRetry.toString() << u"0"_s;
}

void TestEngine::endings()
{
    QFETCH(QString, plan);
    QFETCH(QString, question);
    QFETCH(QString, answerBox);
    QFETCH(QString, score);

    Table table({4, 8, 2, 9, 1, 10, 3, 7, 9, 5, 6, 8, 2, 1, 3, 4, 2, 6, 1, 10, 10});
    table.firstPass(plan);
    QCOMPARE(table.game.question(), question);
    QCOMPARE(table.game.answerBox(), answerBox);
    QCOMPARE(table.game.scoreText(), score);
    QCOMPARE(table.game.phase(), Phase::Over);
    QVERIFY(!table.game.nextEnabled());
    QVERIFY(!table.game.playEnabled());
    QVERIFY(!table.game.clockEnabled());
    QCOMPARE(table.game.currentLetter(), u"Z"_s);
    QCOMPARE(table.game.timeText(), u"160"_s);
}

void TestEngine::passedLettersComeBackInOrderUntilAnswered()
{
    Table table({5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5});
    table.firstPass(u"RRPRRRRRRRPRRRRRRRRRR"_s); // C and M passed
    QCOMPARE(table.game.currentLetter(), u"C"_s);
    QCOMPARE(table.game.question(), table.clue(3));
    QCOMPARE(table.game.scoreText(), u"19"_s);

    // The pass keyword keeps C on show; M waits.
    table.game.next(u"GIROLETTERA");
    QCOMPARE(table.game.state(3), LetterState::Passed);
    QCOMPARE(table.game.currentLetter(), u"C"_s);
    QCOMPARE(table.game.question(), table.clue(3));

    table.game.next(table.rightAnswer(3).toUpper());
    QCOMPARE(table.game.state(3), LetterState::Correct);
    QCOMPARE(table.game.scoreText(), u"20"_s);
    QCOMPARE(table.game.answerBox(), QString());
    QCOMPARE(table.game.currentLetter(), u"M"_s);
    QCOMPARE(table.game.question(), table.clue(11));

    table.game.next(QString());
    QCOMPARE(table.game.state(11), LetterState::Wrong);
    QCOMPARE(table.game.question(), settledMessage(u"20"_s));
    QCOMPARE(table.game.answerBox(), kRetry.toString());
    QCOMPARE(table.game.phase(), Phase::Over);
    QCOMPARE(table.game.draw().counter(), qint16(21));
}

void TestEngine::allPassedPutsABackOnShow()
{
    Table table({3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3});
    table.firstPass(QString(21, u'P'));
    QCOMPARE(table.states(), QString(21, u'P'));
    QCOMPARE(table.game.currentLetter(), u"A"_s);
    QCOMPARE(table.game.question(), table.clue(1));
    QCOMPARE(table.game.scoreText(), u"0"_s);
    QCOMPARE(table.game.phase(), Phase::Playing);

    // Answering them all right from here still reaches the full score.
    for (int k = 1; k <= kLetterCount; ++k) {
        QCOMPARE(table.game.currentLetter(), QString(content::letterAt(k)));
        table.game.next(table.rightAnswer(k));
    }
    QCOMPARE(table.game.question(), kFullScore.toString());
    QCOMPARE(table.game.phase(), Phase::Over);
}

void TestEngine::laterStepsBehaveAlike()
{
    Table table;
    table.firstPass(u"PRRRRRRRRRRRRRRRRRRRP"_s);
    for (int press = 22; press < 100; ++press)
        table.game.next(u"girolettera");
    QCOMPARE(table.game.step(), qint16(99));
    QCOMPARE(table.game.currentLetter(), u"A"_s);
    table.game.next(table.rightAnswer(1)); // step 100
    QCOMPARE(table.game.state(1), LetterState::Correct);
    QCOMPARE(table.game.currentLetter(), u"Z"_s);
    table.game.next(u"no");
    QCOMPARE(table.game.question(), settledMessage(u"20"_s));
}

void TestEngine::clueMatchIgnoresCaseAndSettledLetters()
{
    Table table({1, 1, 1, 1, 1, 1, 1, 1, 9, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    table.firstPass(u"RPRRRRRRPRRRRRRRRRRRR"_s); // B and I passed
    QCOMPARE(table.game.passedLetterShowing(table.clue(9)), 9);
    QCOMPARE(table.game.passedLetterShowing(table.clue(9).toUpper()), 9);
    QCOMPARE(table.game.passedLetterShowing(table.clue(9).trimmed()), 0); // the leading blank counts
    QCOMPARE(table.game.passedLetterShowing(u"grosso CETACEO"), 2);
    QCOMPARE(table.game.passedLetterShowing(u"Paralume"), 0); // A is settled
    QCOMPARE(table.game.passedLetterShowing(u""), 0);
}

void TestEngine::sharedClue_data()
{
    // A draws 7 and B draws 9: both ask "Elemento chimico". Only the passed letters may answer.
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("score");
    QTest::addColumn<QString>("question");

    QTest::newRow("B passed: argo no longer judges A")
        << u"RPRRRRRRRRRRRRRRRRRRR"_s << QStringList{u"argo"_s} << u"RWRRRRRRRRRRRRRRRRRRR"_s << u"20"_s
        << settledMessage(u"20"_s);
    QTest::newRow("B passed: Bromo judges B")
        << u"RPRRRRRRRRRRRRRRRRRRR"_s << QStringList{u"bromo"_s} << QString(21, u'R') << u"21"_s
        << kFullScore.toString();
    QTest::newRow("A passed: argo judges A")
        << u"PRRRRRRRRRRRRRRRRRRRR"_s << QStringList{u"ARGO"_s} << QString(21, u'R') << u"21"_s
        << kFullScore.toString();
    QTest::newRow("both passed: A first, then B")
        << u"PPRRRRRRRRRRRRRRRRRRR"_s << QStringList{u"argo"_s, u"Bromo"_s} << QString(21, u'R') << u"21"_s
        << kFullScore.toString();
    QTest::newRow("both passed: Bromo at A's turn judges A wrong, then B still asks")
        << u"PPRRRRRRRRRRRRRRRRRRR"_s << QStringList{u"Bromo"_s} << u"WPRRRRRRRRRRRRRRRRRRR"_s << u"19"_s
        << u"Elemento chimico"_s;
}

void TestEngine::sharedClue()
{
    QFETCH(QString, plan);
    QFETCH(QStringList, answers);
    QFETCH(QString, states);
    QFETCH(QString, score);
    QFETCH(QString, question);

    QCOMPARE(doman(1, 7), doman(2, 9));
    Table table({7, 9, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    table.firstPass(plan);
    for (const QString &answer : answers)
        table.game.next(answer);
    QCOMPARE(table.states(), states);
    QCOMPARE(table.game.scoreText(), score);
    QCOMPARE(table.game.question(), question);
}

void TestEngine::countdownTimesOut()
{
    Table table;
    table.game.next(table.rightAnswer(1));
    for (int t = 1; t < 160; ++t) {
        QCOMPARE(table.game.tick(), Changes(Change::Time));
        QCOMPARE(table.game.timeText(), QString::number(160 - t));
    }
    QCOMPARE(table.game.timeText(), u"1"_s);
    table.game.tick();
    QCOMPARE(table.game.timeLeft(), 0);
    QCOMPARE(table.game.timeText(), kTimeUp.toString());
    QCOMPARE(table.game.question(), settledMessage(u"1"_s));
    QCOMPARE(table.game.answerBox(), kRetry.toString());
    QCOMPARE(table.game.phase(), Phase::Over);
    QVERIFY(!table.game.clockEnabled());
    QVERIFY(!table.game.nextEnabled());
    QCOMPARE(table.game.state(2), LetterState::Pending);
}

void TestEngine::timeOutInTheSecondPassKeepsTheScore()
{
    Table table;
    table.firstPass(u"RRRRRPRRRRRRRRRRRRRRW"_s);
    QCOMPARE(table.game.currentLetter(), u"F"_s);
    for (int t = 0; t < 160; ++t)
        table.game.tick();
    QCOMPARE(table.game.question(), settledMessage(u"19"_s));
    QCOMPARE(table.game.timeText(), kTimeUp.toString());
    QCOMPARE(table.game.currentLetter(), u"F"_s);
    QCOMPARE(table.game.state(6), LetterState::Passed);
}

void TestEngine::nothingChangesAfterAnEnding()
{
    Table table;
    table.firstPass(QString(21, u'R'));
    QCOMPARE(table.game.question(), kFullScore.toString());
    QCOMPARE(table.game.next(table.rightAnswer(1)), Changes());
    QCOMPARE(table.game.tick(), Changes());
    QCOMPARE(table.game.play(), Changes());
    QCOMPARE(table.game.timeText(), u"160"_s);
    QCOMPARE(table.game.scoreText(), u"21"_s);
    QCOMPARE(table.game.step(), qint16(21));
}

QTEST_APPLESS_MAIN(TestEngine)
#include "tst_engine.moc"
