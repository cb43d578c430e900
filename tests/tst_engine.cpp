// One game through the engine, with chosen draws: load, Play, the two passes, the endings and
// the countdown.

#include <QTest>

#include "content/bank.h"
#include "engine/game.h"
#include "engine/view.h"
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
        : random(ScriptedRandom::drawing(questions))
    {
        if (start)
            play();
    }

    void play() { state = engine::play(state, random, clock); }
    void press(QStringView typed) { state = engine::next(state, typed, random, clock); }
    void tick() { state = engine::tick(state); }
    View view() const { return viewOf(state); }

    QString rightAnswer(int k) const { return rispos(k, state.draw.number(k)).toString(); }
    QString clue(int k) const { return doman(k, state.draw.number(k)).toString(); }

    // One first-pass letter per character: R right, W wrong, P pass.
    void firstPass(const QString &plan)
    {
        for (int k = 1; k <= plan.size(); ++k)
            press(typed(plan[k - 1], k));
    }
    QString typed(QChar kind, int k) const
    {
        return kind == u'R' ? rightAnswer(k) : kind == u'P' ? u"girolettera"_s : u"sbagliato"_s;
    }

    QString states() const
    {
        QString s;
        for (int k = 1; k <= kLetterCount; ++k)
            s += "-RWP"[int(state.letter(k))];
        return s;
    }

    ScriptedRandom random;
    FixedTimeOfDay clock;
    State state = load();
};

// The closing texts as the player reads them, written out rather than taken from the engine.
const QString kFullScore = u"COMPLIMENTI SEI RIUSCITO A RISPONDERE A TUTTE LE DOMANDE!"_s;
const QString kAllWrong = u"PECCATO......NON HAI RISPOSTO A NESSUNA DOMANDA!"_s;
const QString kRetry = u"RIPROVA LA PROSSIMA VOLTA!!!"_s;

QString settledMessage(const QString &score)
{
    return u"PECCATO......SEI RIUSCITO A RISPONDERE A SOLO "_s + score + u" DOMANDE!!"_s;
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

    void sharedClue_data();
    void sharedClue();

    void countdownTimesOut();
    void timeOutInTheSecondPassKeepsTheScore();
    void nothingChangesAfterAnEnding();
};

void TestEngine::loadSetsUpTheReadyState()
{
    const State state = load();
    const View view = viewOf(state);
    QCOMPARE(state.phase(), Phase::Ready);
    QVERIFY(view.playEnabled);
    QVERIFY(!view.nextEnabled);
    QVERIFY(!view.clockRunning);
    QCOMPARE(view.score, u"0"_s);
    QCOMPARE(view.time, u"160"_s);
    QCOMPARE(state.timeLeft, 160);
    QVERIFY(view.question.isEmpty());
    QVERIFY(view.letter.isEmpty());
    QVERIFY(view.answer.isEmpty());
    QCOMPARE(view.focus, Focus::QuestionBox);
    QCOMPARE(state.step, 0);
    QCOMPARE(state.draw.counter(), qint16(0));
    for (int k = 1; k <= kLetterCount; ++k)
        QCOMPARE(view.discs[k - 1], LetterState::Pending);
}

void TestEngine::playDrawsAndShowsA()
{
    Table table({7}, false);
    const View ready = table.view();
    table.play();
    const View view = table.view();

    QCOMPARE(view.focus, Focus::AnswerBox);
    QVERIFY(view.turn != ready.turn);
    QCOMPARE(table.state.phase(), Phase::Playing);
    QVERIFY(!view.playEnabled);
    QVERIFY(view.nextEnabled);
    QVERIFY(view.clockRunning);
    QCOMPARE(table.random.seeds, QList<float>{table.clock.seconds});
    QCOMPARE(table.state.draw.counter(), qint16(1));
    QCOMPARE(table.state.draw.number(1), 7);
    QCOMPARE(table.state.draw.number(2), 0);
    QCOMPARE(view.question, u"Elemento chimico"_s);
    QCOMPARE(view.letter, u"A"_s);
    QCOMPARE(view.time, u"160"_s);
}

void TestEngine::eventsOutsideTheirStateDoNothing()
{
    Table table({}, false);
    const State ready = table.state;
    table.press(u"argo");
    table.tick();
    QCOMPARE(table.state, ready);
    QCOMPARE(table.random.draws, 0);

    table.play();
    const State playing = table.state;
    table.play();
    QCOMPARE(table.state, playing);
    QCOMPARE(table.state.draw.counter(), qint16(1));
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
    table.press(u"PARALUME"); // A's clue, not its answer
    QCOMPARE(table.state.letter(1), LetterState::Wrong);
    QCOMPARE(table.view().letter, u"B"_s);
    QCOMPARE(table.view().question, u"Grosso cetaceo"_s);
    QCOMPARE(table.state.step, 1);
    QCOMPARE(table.state.draw.counter(), qint16(2));
    QCOMPARE(table.random.seeds.size(), 2);

    const View before = table.view();
    table.press(u"bALENA");
    const View view = table.view();
    QCOMPARE(view.focus, Focus::AnswerBox);
    QVERIFY(view.turn != before.turn); // the answer box is emptied and focused again
    QCOMPARE(table.state.letter(2), LetterState::Correct);
    QCOMPARE(view.score, u"1"_s);
    QCOMPARE(view.answer, QString());
    QCOMPARE(view.letter, u"C"_s);
    QCOMPARE(view.question, table.clue(3));
}

void TestEngine::lastFirstPassPressDrawsNothing()
{
    Table table;
    table.firstPass(u"RRRRRRRRRRRRRRRRRRRR"_s);
    QCOMPARE(table.view().letter, u"Z"_s);
    QCOMPARE(table.view().question, table.clue(21));
    QCOMPARE(table.state.draw.counter(), qint16(21));
    QCOMPARE(table.random.draws, 21);

    table.press(u"girolettera");
    QCOMPARE(table.random.draws, 21);
    QCOMPARE(table.random.seeds.size(), 21);
    QCOMPARE(table.state.letter(21), LetterState::Passed);
    QCOMPARE(table.view().score, u"20"_s);
    // Z is the only letter passed, so it comes straight back.
    QCOMPARE(table.view().letter, u"Z"_s);
    QCOMPARE(table.view().question, table.clue(21));
    QCOMPARE(table.state.phase(), Phase::Playing);
}

void TestEngine::endings_data()
{
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("answerBox");
    QTest::addColumn<QString>("score");

    QTest::newRow("all right: full score")
        << u"RRRRRRRRRRRRRRRRRRRRR"_s << kFullScore << QString() << u"21"_s;
    QTest::newRow("20 right, 1 wrong: settled with 20")
        << u"RRRRRRRRRRRRRRRRRRRRW"_s << settledMessage(u"20"_s) << kRetry << u"20"_s;
    QTest::newRow("1 right, 20 wrong: settled with 1")
        << u"WWWWWWWWWWRWWWWWWWWWW"_s << settledMessage(u"1"_s) << kRetry << u"1"_s;
    QTest::newRow("all wrong: the all-wrong message replaces the settled one")
        << u"WWWWWWWWWWWWWWWWWWWWW"_s << kAllWrong << kRetry << u"0"_s;
}

void TestEngine::endings()
{
    QFETCH(QString, plan);
    QFETCH(QString, question);
    QFETCH(QString, answerBox);
    QFETCH(QString, score);

    Table table({4, 8, 2, 9, 1, 10, 3, 7, 9, 5, 6, 8, 2, 1, 3, 4, 2, 6, 1, 10, 10});
    table.firstPass(plan.chopped(1));
    const State before = table.state;
    table.press(table.typed(plan.back(), kLetterCount));
    QVERIFY(announcementOf(before, table.state).clock.isEmpty()); // the clock has not run out
    const View view = table.view();
    QCOMPARE(view.question, question);
    QCOMPARE(view.answer, answerBox);
    QCOMPARE(view.score, score);
    QCOMPARE(table.state.phase(), Phase::Over);
    QVERIFY(!view.nextEnabled);
    QVERIFY(!view.playEnabled);
    QVERIFY(!view.clockRunning);
    QCOMPARE(view.letter, u"Z"_s);
    QCOMPARE(view.time, u"160"_s);
}

void TestEngine::passedLettersComeBackInOrderUntilAnswered()
{
    Table table({5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5});
    table.firstPass(u"RRPRRRRRRRPRRRRRRRRRR"_s); // C and M passed
    QCOMPARE(table.view().letter, u"C"_s);
    QCOMPARE(table.view().question, table.clue(3));
    QCOMPARE(table.view().score, u"19"_s);

    // The pass keyword keeps C on show; M waits.
    const View before = table.view();
    table.press(u"GIROLETTERA");
    QCOMPARE(table.state.letter(3), LetterState::Passed);
    QCOMPARE(table.view().letter, u"C"_s);
    QCOMPARE(table.view().question, table.clue(3));
    QVERIFY(table.view().turn != before.turn); // the answer box is emptied all the same

    table.press(table.rightAnswer(3).toUpper());
    QCOMPARE(table.state.letter(3), LetterState::Correct);
    QCOMPARE(table.view().score, u"20"_s);
    QCOMPARE(table.view().answer, QString());
    QCOMPARE(table.view().letter, u"M"_s);
    QCOMPARE(table.view().question, table.clue(11));

    table.press(QString());
    QCOMPARE(table.state.letter(11), LetterState::Wrong);
    QCOMPARE(table.view().question, settledMessage(u"20"_s));
    QCOMPARE(table.view().answer, kRetry);
    QCOMPARE(table.state.phase(), Phase::Over);
    QCOMPARE(table.state.draw.counter(), qint16(21));
}

void TestEngine::allPassedPutsABackOnShow()
{
    Table table({3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3});
    table.firstPass(QString(21, u'P'));
    QCOMPARE(table.states(), QString(21, u'P'));
    QCOMPARE(table.view().letter, u"A"_s);
    QCOMPARE(table.view().question, table.clue(1));
    QCOMPARE(table.view().score, u"0"_s);
    QCOMPARE(table.state.phase(), Phase::Playing);

    // Answering them all right from here still reaches the full score.
    for (int k = 1; k <= kLetterCount; ++k) {
        QCOMPARE(table.view().letter, QString(content::letterAt(k)));
        table.press(table.rightAnswer(k));
    }
    QCOMPARE(table.view().question, kFullScore);
    QCOMPARE(table.state.phase(), Phase::Over);
}

void TestEngine::laterStepsBehaveAlike()
{
    Table table;
    table.firstPass(u"PRRRRRRRRRRRRRRRRRRRP"_s);
    for (int press = 22; press < 100; ++press)
        table.press(u"girolettera");
    QCOMPARE(table.state.step, 99);
    QCOMPARE(table.view().letter, u"A"_s);
    table.press(table.rightAnswer(1)); // step 100
    QCOMPARE(table.state.letter(1), LetterState::Correct);
    QCOMPARE(table.view().letter, u"Z"_s);
    table.press(u"no");
    QCOMPARE(table.view().question, settledMessage(u"20"_s));
}

void TestEngine::sharedClue_data()
{
    // A draws 7 and B draws 9: both ask "Elemento chimico". The letter asked is the one judged,
    // whichever of the two the clue might also belong to.
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
        << kFullScore;
    QTest::newRow("A passed: argo judges A")
        << u"PRRRRRRRRRRRRRRRRRRRR"_s << QStringList{u"ARGO"_s} << QString(21, u'R') << u"21"_s
        << kFullScore;
    QTest::newRow("both passed: A first, then B")
        << u"PPRRRRRRRRRRRRRRRRRRR"_s << QStringList{u"argo"_s, u"Bromo"_s} << QString(21, u'R') << u"21"_s
        << kFullScore;
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
        table.press(answer);
    QCOMPARE(table.states(), states);
    QCOMPARE(table.view().score, score);
    QCOMPARE(table.view().question, question);
}

void TestEngine::countdownTimesOut()
{
    Table table;
    table.press(table.rightAnswer(1));
    for (int t = 1; t < 160; ++t) {
        View before = table.view();
        table.tick();
        before.time = QString::number(160 - t);
        QCOMPARE(table.view(), before); // a tick changes the time box and nothing else
    }
    QCOMPARE(table.view().time, u"1"_s);
    const State before = table.state;
    table.tick();
    QCOMPARE(announcementOf(before, table.state).clock, u"tempo scaduto"_s);
    const View view = table.view();
    QCOMPARE(table.state.timeLeft, 0);
    QCOMPARE(view.time, u"tempo scaduto"_s);
    QCOMPARE(view.question, settledMessage(u"1"_s));
    QCOMPARE(view.answer, kRetry);
    QCOMPARE(table.state.phase(), Phase::Over);
    QVERIFY(!view.clockRunning);
    QVERIFY(!view.nextEnabled);
    QCOMPARE(view.letter, u"B"_s);
    QCOMPARE(table.state.letter(2), LetterState::Pending);
}

void TestEngine::timeOutInTheSecondPassKeepsTheScore()
{
    Table table;
    table.firstPass(u"RRRRRPRRRRRRRRRRRRRRW"_s);
    QCOMPARE(table.view().letter, u"F"_s);
    for (int t = 0; t < 160; ++t)
        table.tick();
    QCOMPARE(table.view().question, settledMessage(u"19"_s));
    QCOMPARE(table.view().time, u"tempo scaduto"_s);
    QCOMPARE(table.view().letter, u"F"_s);
    QCOMPARE(table.state.letter(6), LetterState::Passed);
}

void TestEngine::nothingChangesAfterAnEnding()
{
    Table table;
    table.firstPass(QString(21, u'R'));
    QCOMPARE(table.view().question, kFullScore);
    const State over = table.state;
    table.press(table.rightAnswer(1));
    table.tick();
    table.play();
    QCOMPARE(table.state, over);
    QCOMPARE(table.view().time, u"160"_s);
    QCOMPARE(table.view().score, u"21"_s);
}

QTEST_APPLESS_MAIN(TestEngine)
#include "tst_engine.moc"
