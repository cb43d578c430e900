// The engine at its edges: letter numbers outside the board, generator values outside [0, 1),
// the draw counter at its 16-bit limit, and tens of thousands of presses.

#include <QTest>
#include <QTime>

#include <cmath>
#include <limits>

#include "content/bank.h"
#include "content/draw.h"
#include "engine/game.h"
#include "engine/view.h"
#include "testsupport.h"

using namespace engine;
using namespace Qt::StringLiterals;
using content::kLetterCount;
using content::questionNumberFor;
using content::QuestionDraw;
using content::rispos;

namespace {

constexpr int kCounterLimit = std::numeric_limits<qint16>::max();

// A game whose first pass has judged every letter: all wrong but Z, which is passed, so the
// game waits in the second pass with Z on show.
struct WaitingOnZ {
    WaitingOnZ() : random(ScriptedRandom::drawing(QList<int>(kLetterCount, 3)))
    {
        state = play(load(), random, clock);
        for (int k = 1; k < kLetterCount; ++k)
            press(u"sbagliato");
        press(kPassKeyword);
    }
    void press(QStringView typed) { state = next(state, typed, random, clock); }
    ScriptedRandom random;
    FixedTimeOfDay clock;
    State state;
};

} // namespace

class TestEngineEdges : public QObject {
    Q_OBJECT
private slots:
    void lettersOffTheBoard_data();
    void lettersOffTheBoard();

    void generatorValuesOutOfRange_data();
    void generatorValuesOutOfRange();

    void drawCounterStopsAtItsLimit();
    void tensOfThousandsOfPressesStayInTheSecondPass();
    void systemClockGivesTheLocalTimeOfDay();
};

void TestEngineEdges::lettersOffTheBoard_data()
{
    QTest::addColumn<int>("k");
    QTest::newRow("letter 0, just before A") << 0;
    QTest::newRow("letter 22, just after Z") << 22;
    QTest::newRow("a negative letter") << -1;
    QTest::newRow("the lowest int") << std::numeric_limits<int>::min();
    QTest::newRow("the highest int") << std::numeric_limits<int>::max();
}

// Every letter on the board is judged and drawn, so a letter off the board that read as
// pending with no question could only come from the range check.
void TestEngineEdges::lettersOffTheBoard()
{
    QFETCH(int, k);
    WaitingOnZ table;
    for (int inside = 1; inside <= kLetterCount; ++inside) {
        QVERIFY(table.state.letter(inside) != LetterState::Pending);
        QCOMPARE(table.state.draw.number(inside), 3);
    }
    QCOMPARE(table.state.letter(k), LetterState::Pending);
    QCOMPARE(table.state.draw.number(k), 0);
}

void TestEngineEdges::generatorValuesOutOfRange_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("question");
    QTest::newRow("a value below 0 draws question 10") << -0.5f << 10;
    QTest::newRow("the smallest value below 0 draws question 10") << -std::numeric_limits<float>::denorm_min() << 10;
    QTest::newRow("minus infinity draws question 10") << -std::numeric_limits<float>::infinity() << 10;
    QTest::newRow("exactly 1 draws question 9") << 1.0f << 9;
    QTest::newRow("a value above 1 draws question 9") << 7.25f << 9;
    QTest::newRow("infinity draws question 9") << std::numeric_limits<float>::infinity() << 9;
}

void TestEngineEdges::generatorValuesOutOfRange()
{
    QFETCH(float, r);
    QFETCH(int, question);
    QCOMPARE(questionNumberFor(r), question);

    // And through the draw, into the slot of the letter drawn.
    ScriptedRandom random({r});
    QuestionDraw draw;
    draw.caso(random);
    QCOMPARE(draw.number(1), question);
}

// Later calls only count; the counter stops at its limit instead of wrapping round to a
// negative count, and no slot is written again.
void TestEngineEdges::drawCounterStopsAtItsLimit()
{
    ScriptedRandom random = ScriptedRandom::drawing({4, 8, 2, 9, 1, 10, 3, 7, 9, 5, 6, 8, 2, 1, 3, 4, 2, 6, 1, 10, 5});
    QuestionDraw draw;
    for (int call = 0; call < kCounterLimit + 1000; ++call)
        draw.caso(random);

    QCOMPARE(draw.counter(), qint16(kCounterLimit));
    QCOMPARE(random.draws, kLetterCount);
    QCOMPARE(draw.number(1), 4);
    QCOMPARE(draw.number(20), 10);
    QCOMPARE(draw.number(21), 5);
}

// A player who passes Z again and again, far past the 16-bit count of presses the game was
// first written with: the game stays in the second pass with Z on show, every press still
// begins a new turn that empties the answer box, and an answer still settles Z and ends it.
// A count that wrapped round would drop the game back into the first pass.
void TestEngineEdges::tensOfThousandsOfPressesStayInTheSecondPass()
{
    WaitingOnZ table;
    const QString zClue = viewOf(table.state).question;
    for (int press = 0; press < kCounterLimit + 1000; ++press)
        table.press(u"GiroLettera");

    const View view = viewOf(table.state);
    QCOMPARE(table.state.step, kLetterCount + kCounterLimit + 1000);
    QCOMPARE(table.state.phase(), Phase::Playing);
    QCOMPARE(table.state.letter(kLetterCount), LetterState::Passed);
    QCOMPARE(view.letter, u"Z"_s);
    QCOMPARE(view.question, zClue);
    QCOMPARE(table.random.draws, kLetterCount);

    table.press(rispos(kLetterCount, 3));
    QVERIFY(viewOf(table.state).turn != view.turn);
    QCOMPARE(table.state.letter(kLetterCount), LetterState::Correct);
    QCOMPARE(viewOf(table.state).score, u"1"_s);
    QCOMPARE(table.state.phase(), Phase::Over);
    QCOMPARE(viewOf(table.state).question, u"PECCATO......SEI RIUSCITO A RISPONDERE A SOLO 1 DOMANDE!!"_s);
    QCOMPARE(viewOf(table.state).answer, u"RIPROVA LA PROSSIMA VOLTA!!!"_s);
}

// The game's own clock reads the time zone once and the system clock after that; it must still
// give the local time of day, as the local clock itself does.
void TestEngineEdges::systemClockGivesTheLocalTimeOfDay()
{
    const SystemTimeOfDay clock;
    const double before = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    const double seconds = clock.secondsSinceMidnight();
    const double after = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    QVERIFY(seconds >= 0 && seconds < 86400);
    if (after < before)
        QSKIP("midnight passed during the test");
    // Single precision holds the time of day to within a few milliseconds.
    QVERIFY2(seconds >= before - 0.01 && seconds <= after + 0.01,
             qPrintable(QStringLiteral("%1 is not between %2 and %3").arg(seconds).arg(before).arg(after)));
}

QTEST_GUILESS_MAIN(TestEngineEdges)
#include "tst_engine_edges.moc"
