// The question bank and the question draw.

#include <QSet>
#include <QTest>

#include <cmath>
#include <limits>

#include "content/bank.h"
#include "content/draw.h"
#include "testsupport.h"

using namespace content;
using namespace Qt::StringLiterals;

namespace {

struct Place {
    int k;
    int n;
    bool operator==(const Place &) const = default;
};

QString where(int k, int n)
{
    return QStringLiteral("%1 %2").arg(letterAt(k)).arg(n);
}

template <typename Visit>
void forEachEntry(Visit visit)
{
    for (int k = 1; k <= kLetterCount; ++k)
        for (int n = 1; n <= kQuestionsPerLetter; ++n)
            visit(k, n, doman(k, n), rispos(k, n));
}

// The entries whose answer satisfies `pred`, as "A 1, B 2, …".
template <typename Pred>
QStringList answersWhere(Pred pred)
{
    QStringList found;
    forEachEntry([&](int k, int n, QStringView, QStringView answer) {
        if (pred(answer))
            found.append(where(k, n));
    });
    return found;
}

// Each check returns what breaks the rule, or nothing.
using Check = QString (*)();

QString checkEveryEntryFilled()
{
    QStringList empty;
    forEachEntry([&](int k, int n, QStringView clue, QStringView answer) {
        if (clue.isEmpty() || answer.isEmpty())
            empty.append(where(k, n));
    });
    return empty.join(u", ");
}

QString checkAnswersAllDifferent()
{
    QSet<QString> seen;
    QStringList repeated;
    forEachEntry([&](int k, int n, QStringView, QStringView answer) {
        const QString key = answer.toString().toCaseFolded();
        if (seen.contains(key))
            repeated.append(where(k, n));
        seen.insert(key);
    });
    return seen.size() == 210 ? repeated.join(u", ") : QStringLiteral("%1 different answers").arg(seen.size());
}

QString checkOnlyElementoChimicoRepeats()
{
    QHash<QString, QList<Place>> byText;
    QSet<QString> exact;
    forEachEntry([&](int k, int n, QStringView clue, QStringView) {
        byText[clue.toString().toCaseFolded()].append({k, n});
        exact.insert(clue.toString());
    });
    if (exact.size() != 209)
        return QStringLiteral("%1 different clue texts").arg(exact.size());
    QStringList problems;
    for (auto it = byText.cbegin(); it != byText.cend(); ++it) {
        if (it.value().size() == 1)
            continue;
        const bool theSharedOne = it.key() == u"elemento chimico"
                                  && it.value() == QList<Place>{{1, 7}, {2, 9}};
        if (!theSharedOne)
            problems.append(it.key());
    }
    return problems.join(u" | ");
}

QString checkAnswersStartWithTheirLetter()
{
    QStringList wrong;
    forEachEntry([&](int k, int n, QStringView, QStringView answer) {
        if (answer.isEmpty() || answer.front().toUpper() != letterAt(k))
            wrong.append(where(k, n));
    });
    return wrong.join(u", ");
}

QString compareLists(const QStringList &actual, const QStringList &expected)
{
    return actual == expected ? QString()
                              : QStringLiteral("got [%1], expected [%2]").arg(actual.join(u", "), expected.join(u", "));
}

QString checkCapitalInitials()
{
    return compareLists(answersWhere([](QStringView a) { return a.front().isUpper(); }),
                        {"B 1", "B 2", "B 3", "B 4", "B 5", "B 6", "B 7", "B 8", "B 9", "B 10", "N 1", "Q 3",
                         "Q 4", "Q 5", "Q 6", "Q 10", "R 7", "S 1", "T 6", "U 1", "U 2", "U 9", "U 10"});
}

QString checkAnswersWithBlanks()
{
    return compareLists(answersWhere([](QStringView a) { return a.contains(u' '); }), {"C 9", "U 4"});
}

QString checkAnswersWithApostrophe()
{
    return compareLists(answersWhere([](QStringView a) { return a.contains(u'\''); }), {"D 8"});
}

QString checkAnswersWithHyphen()
{
    return compareLists(answersWhere([](QStringView a) { return a.contains(u'-'); }), {"A 1"});
}

QString checkAnswersWithAccents()
{
    return compareLists(answersWhere([](QStringView a) {
                            return std::any_of(a.begin(), a.end(), [](QChar c) { return c.unicode() > 0x7e; });
                        }),
                        {"N 8", "S 2", "U 1"});
}

QString checkLengths()
{
    QStringList wrong;
    int shortestClue = 1000, longestClue = 0, shortestAnswer = 1000, longestAnswer = 0;
    forEachEntry([&](int k, int n, QStringView clue, QStringView answer) {
        if (clue.size() < 5 || clue.size() > 122 || answer.size() < 3 || answer.size() > 14)
            wrong.append(where(k, n));
        shortestClue = std::min<int>(shortestClue, clue.size());
        longestClue = std::max<int>(longestClue, clue.size());
        shortestAnswer = std::min<int>(shortestAnswer, answer.size());
        longestAnswer = std::max<int>(longestAnswer, answer.size());
    });
    if (shortestClue != 5 || shortestAnswer != 3)
        wrong.append(QStringLiteral("shortest clue %1, shortest answer %2").arg(shortestClue).arg(shortestAnswer));
    return wrong.join(u", ");
}

QString checkCharacters()
{
    const auto allowed = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x20 && u <= 0x7e && u != u'"') || u == u'à' || u == u'è' || u == u'ò' || u == u'ù';
    };
    QStringList wrong;
    forEachEntry([&](int k, int n, QStringView clue, QStringView answer) {
        if (!std::all_of(clue.begin(), clue.end(), allowed) || !std::all_of(answer.begin(), answer.end(), allowed))
            wrong.append(where(k, n));
    });
    return wrong.join(u", ");
}

QString checkFourCluesQuoteWithApostrophes()
{
    int quoting = 0;
    forEachEntry([&](int, int, QStringView clue, QStringView) { quoting += clue.contains(u"''"); });
    return quoting == 4 ? QString() : QStringLiteral("%1 clues use ''").arg(quoting);
}

} // namespace

Q_DECLARE_METATYPE(Check)

class TestContent : public QObject {
    Q_OBJECT
private slots:
    void bankInvariants_data();
    void bankInvariants();
    void tellingEntries_data();
    void tellingEntries();
    void lookupOutsideTheBankIsEmpty();
    void letterSequence();

    void questionNumberMapping_data();
    void questionNumberMapping();
    void casoFillsOneSlotPerCall();
    void casoAfterTheLastLetterOnlyCounts();
    void casoWithoutReseedTakesConsecutiveValues();
    void seededRandomStaysBelowOneAndRepeatsPerSeed();
};

void TestContent::bankInvariants_data()
{
    QTest::addColumn<Check>("check");
    QTest::newRow("every one of the 210 entries has a clue and an answer") << &checkEveryEntryFilled;
    QTest::newRow("the 210 answers are all different, even ignoring case") << &checkAnswersAllDifferent;
    QTest::newRow("only 'Elemento chimico' of A 7 and B 9 repeats, even ignoring case")
        << &checkOnlyElementoChimicoRepeats;
    QTest::newRow("every answer starts with its letter") << &checkAnswersStartWithTheirLetter;
    QTest::newRow("exactly the 23 listed answers start with a capital") << &checkCapitalInitials;
    QTest::newRow("only corea del nord and una tantum hold a blank") << &checkAnswersWithBlanks;
    QTest::newRow("only D 8 holds an apostrophe") << &checkAnswersWithApostrophe;
    QTest::newRow("only abat-jour holds a hyphen") << &checkAnswersWithHyphen;
    QTest::newRow("only N 8, sakè and Ubiquità hold an accent") << &checkAnswersWithAccents;
    QTest::newRow("clues are 5 to 122 characters and answers 3 to 14") << &checkLengths;
    QTest::newRow("texts hold printable ASCII and à è ò ù only, no double quote") << &checkCharacters;
    QTest::newRow("exactly four clues quote with two apostrophes") << &checkFourCluesQuoteWithApostrophes;
}

void TestContent::bankInvariants()
{
    QFETCH(Check, check);
    QCOMPARE(check(), QString());
}

void TestContent::tellingEntries_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("clue");
    QTest::addColumn<QString>("answer");
    QTest::newRow("A 1, hyphen in the answer") << 1 << 1 << u"Paralume"_s << u"abat-jour"_s;
    QTest::newRow("A 7, shared clue") << 1 << 7 << u"Elemento chimico"_s << u"argo"_s;
    QTest::newRow("A 10, accent in the clue") << 1 << 10 << u"La più grande arteria del corpo umano"_s << u"aorta"_s;
    QTest::newRow("B 1, capital initial") << 2 << 1 << u"Grosso cetaceo"_s << u"Balena"_s;
    QTest::newRow("B 7, a shortest answer") << 2 << 7 << doman(2, 7).toString() << u"Bob"_s;
    QTest::newRow("B 9, shared clue") << 2 << 9 << u"Elemento chimico"_s << u"Bromo"_s;
    QTest::newRow("C 9, blanks in the answer") << 3 << 9 << u"Ha per capitale Pyeongyang"_s << u"corea del nord"_s;
    QTest::newRow("D 3, shortest clue") << 4 << 3 << u"Morte"_s << u"decesso"_s;
    QTest::newRow("E 1, commas without blanks") << 5 << 1 << u"Legno,pregiato,duro,di colore nero"_s << u"ebano"_s;
    QTest::newRow("H 10, trailing blank")
        << 8 << 10 << u"Stato dell'America centrale, confinante con il Guatemala "_s << u"honduras"_s;
    QTest::newRow("I 9, leading blank")
        << 9 << 9 << u" Stato dell'America, la cui capitale è Spriengfield"_s << u"illinois"_s;
    QTest::newRow("L 7, clue holds its answer")
        << 10 << 7 << u"Mammifero carnivoro africano, simile al licaone"_s << u"licaone"_s;
    QTest::newRow("Q 9, a year as a number word")
        << 15 << 9 << u"L'anno in cui entrò in vigore la Costituzione"_s << u"quarantotto"_s;
    QTest::newRow("S 2, accent in the answer")
        << 17 << 2 << u"Liquore distillato dal riso, bevanda tipica del Giappone"_s << u"sakè"_s;
    QTest::newRow("U 1, accent and capital")
        << 19 << 1 << u"L'essere contemporaneamente presente in ogni luogo"_s << u"Ubiquità"_s;
    QTest::newRow("U 4, blank in the answer") << 19 << 4 << u"Retribuzione data in via straordinaria"_s << u"una tantum"_s;
    QTest::newRow("Z 1, ordinary") << 21 << 1 << u"Pietra preziosa di colore azzurro trasparente"_s << u"zaffiro"_s;
    QTest::newRow("Z 10, the last entry") << 21 << 10 << doman(21, 10).toString() << u"zoogeografia"_s;
}

void TestContent::tellingEntries()
{
    QFETCH(int, k);
    QFETCH(int, n);
    QFETCH(QString, clue);
    QFETCH(QString, answer);
    QCOMPARE(doman(k, n).toString(), clue);
    QCOMPARE(rispos(k, n).toString(), answer);
}

void TestContent::lookupOutsideTheBankIsEmpty()
{
    QVERIFY(doman(0, 1).isEmpty());
    QVERIFY(doman(22, 1).isEmpty());
    QVERIFY(rispos(1, 0).isEmpty());
    QVERIFY(rispos(1, 11).isEmpty());
}

void TestContent::letterSequence()
{
    QString letters;
    for (int k = 0; k <= kLetterCount + 1; ++k)
        if (!letterAt(k).isNull())
            letters += letterAt(k);
    QCOMPARE(letters, u"ABCDEFGHILMNOPQRSTUVZ"_s);
}

void TestContent::questionNumberMapping_data()
{
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("number");
    QTest::newRow("0 gives 10") << 0.0f << 10;
    QTest::newRow("0.05 gives 10") << 0.05f << 10;
    QTest::newRow("just below 0.1 gives 10") << std::nextafter(0.1f, 0.0f) << 10;
    QTest::newRow("0.1 gives 1") << 0.1f << 1;
    QTest::newRow("0.5 gives 5") << 0.5f << 5;
    QTest::newRow("0.95 gives 9") << 0.95f << 9;
    QTest::newRow("the largest float below 1 gives 9") << std::nextafter(1.0f, 0.0f) << 9;
    QTest::newRow("a value that is no number gives 10") << std::numeric_limits<float>::quiet_NaN() << 10;
}

void TestContent::questionNumberMapping()
{
    QFETCH(float, r);
    QFETCH(int, number);
    QCOMPARE(questionNumberFor(r), number);

    QuestionDraw draw;
    ScriptedRandom random({r});
    draw.caso(random);
    QCOMPARE(QString::number(draw.number(1)), QString::number(number));
}

void TestContent::casoFillsOneSlotPerCall()
{
    ScriptedRandom random = ScriptedRandom::drawing({3, 10, 1, 7, 2, 9, 4, 5, 6, 8, 3, 3, 3, 10, 1, 2, 7, 9, 4, 6, 8});
    QuestionDraw draw;
    draw.caso(random);
    QCOMPARE(draw.counter(), qint16(1));
    QCOMPARE(draw.number(1), 3);
    for (int k = 2; k <= kLetterCount; ++k)
        QCOMPARE(draw.number(k), 0);

    for (int call = 2; call <= kLetterCount; ++call)
        draw.caso(random);
    QCOMPARE(draw.counter(), qint16(21));
    QCOMPARE(draw.number(2), 10);
    QCOMPARE(draw.number(14), 10);
    QCOMPARE(draw.number(21), 8);
}

void TestContent::casoAfterTheLastLetterOnlyCounts()
{
    ScriptedRandom random = ScriptedRandom::drawing(QList<int>(21, 4));
    QuestionDraw draw;
    for (int call = 1; call <= kLetterCount; ++call)
        draw.caso(random);
    QCOMPARE(random.draws, 21);

    draw.caso(random);
    draw.caso(random);
    QCOMPARE(draw.counter(), qint16(23));
    QCOMPARE(random.draws, 21);
    for (int k = 1; k <= kLetterCount; ++k)
        QCOMPARE(draw.number(k), 4);
}

void TestContent::casoWithoutReseedTakesConsecutiveValues()
{
    content::SeededRandom reference;
    reference.seed(1234.5f);
    const float first = reference.next();
    const float second = reference.next();

    content::SeededRandom random;
    random.seed(1234.5f);
    QuestionDraw draw;
    draw.caso(random);
    draw.caso(random);
    QCOMPARE(draw.number(1), questionNumberFor(first));
    QCOMPARE(draw.number(2), questionNumberFor(second));
}

void TestContent::seededRandomStaysBelowOneAndRepeatsPerSeed()
{
    content::SeededRandom a, b;
    a.seed(86399.99f);
    b.seed(86399.99f);
    QList<int> counts(11, 0);
    for (int i = 0; i < 100000; ++i) {
        const float r = a.next();
        QVERIFY2(r >= 0.0f && r < 1.0f, qPrintable(QString::number(r)));
        QCOMPARE(b.next(), r);
        ++counts[questionNumberFor(r)];
    }
    // Every number comes, about one time in ten.
    for (int n = 1; n <= 10; ++n)
        QVERIFY2(counts[n] > 9000 && counts[n] < 11000, qPrintable(QString::number(counts[n])));

    b.seed(86399.98f);
    a.seed(86399.99f);
    QVERIFY(a.next() != b.next() || a.next() != b.next());
}

QTEST_APPLESS_MAIN(TestContent)
#include "tst_content.moc"
