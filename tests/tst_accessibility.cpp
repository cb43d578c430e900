// The game as a screen reader meets it: what the accessibility tree of each window holds, what
// every item says, and how the letter board and the current letter read as a game goes on.

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

// What turns accessibility on is the platform's; no public call reaches it.
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QTextEdit>

// The AT-SPI bridge itself, answering on a bus of the test's own as it answers a reader.
#if defined(Q_OS_LINUX)
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <private/qspiaccessiblebridge_p.h>
#define GIRO_ATSPI_BUS 1
#endif

#include "content/bank.h"
#include "design.h"
#include "rungame.h"
#include "form1.h"
#include "infistr.h"
#include "letterboard.h"
#include "windows.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QString nameOf(QAccessibleInterface *item)
{
    return item ? item->text(QAccessible::Name) : u"(no interface)"_s;
}

QString textOf(QAccessibleInterface *item)
{
    QAccessibleTextInterface *text = item ? item->textInterface() : nullptr;
    return text ? text->text(0, text->characterCount()) : u"(no text interface)"_s;
}

// The items a screen reader walks through in the window: all of the window's accessible
// children, hidden ones included, which a reader lists all the same.
QList<QAccessibleInterface *> readableItems(QWidget *window)
{
    QList<QAccessibleInterface *> items;
    QAccessibleInterface *root = accessible(window);
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface *item = root->child(i);
        items.append(item);
    }
    return items;
}

QObject *boardItem(QWidget *form, const QString &name, int k)
{
    for (QObject *item : form->findChildren<QObject *>(name))
        if (item->property("index").toInt() == k)
            return item;
    return nullptr;
}

QString letter(int k)
{
    return QString(content::letterAt(k));
}

// The events the window sends a screen reader, in order, with what the reader would read at
// that moment: the answer box's description as it takes the focus, the notice's text as it
// shows, a disc's new name, and that the answer box's text changed.
QStringList heardEvents;

void recordEvent(QAccessibleEvent *event)
{
    QObject *object = event->object();
    if (!object)
        return;
    QAccessibleInterface *item = QAccessible::queryAccessibleInterface(object);
    const bool answerBox = object->objectName() == u"Text2";
    switch (event->type()) {
    case QAccessible::Focus:
        if (answerBox)
            heardEvents.append(u"focus: "_s + item->text(QAccessible::Description));
        break;
    case QAccessible::ObjectShow:
        if (item && item->role() == QAccessible::Notification)
            heardEvents.append(u"notice: "_s + item->text(QAccessible::Name));
        break;
    case QAccessible::NameChanged:
        if (object->objectName() == u"Shape1")
            heardEvents.append(u"disc: "_s + item->text(QAccessible::Name));
        break;
    case QAccessible::TextRemoved:
    case QAccessible::TextInserted:
    case QAccessible::TextUpdated:
        if (answerBox && (heardEvents.isEmpty() || heardEvents.last() != u"answer box text"))
            heardEvents.append(u"answer box text"_s);
        break;
    default:
        break;
    }
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsSayWhatTheyAre_data();
    void controlsSayWhatTheyAre();
    void windowListsEveryControlAndDiscOnce();
    void pointerFindsTheControlUnderIt_data();
    void pointerFindsTheControlUnderIt();
    void discsReadTheirLetterAndState();
    void boxesReadTheGame();
    void textsReadPieceByPiece_data();
    void textsReadPieceByPiece();
    void instructionsCanBeRead_data();
    void instructionsCanBeRead();
    void readerHearsEachTurn_data();
    void readerHearsEachTurn();
    void busSaysEverythingIsItalian();

private:
    void answer(const QString &typed);
    QWidget *child(const QString &name) const { return form->findChild<QWidget *>(name); }

    ScriptedRandom random;
    FixedTimeOfDay clock;
    QPointer<Form1> form;
};

void TestAccessibility::initTestCase()
{
    ui::prepareApplication();
}

void TestAccessibility::init()
{
    random = ScriptedRandom::drawing(QList<int>(content::kLetterCount, 1));
    form = new Form1(&random, &clock);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
}

void TestAccessibility::cleanup()
{
    delete form;
    deleteInstructions();
}

void TestAccessibility::answer(const QString &typed)
{
    auto *box = qobject_cast<QLineEdit *>(child(u"Text2"_s));
    box->setText(typed);
    QTest::mouseClick(child(u"Avanti"_s), Qt::LeftButton);
}

void TestAccessibility::controlsSayWhatTheyAre_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::newRow("the main window is a frame named by its caption")
        << u"Form1"_s << u"GIROLETTERA v.1.00 di Bottega del Quiz "_s << QAccessible::Window;
    QTest::newRow("the question box is Domanda") << u"Text1"_s << u"Domanda"_s << QAccessible::EditableText;
    QTest::newRow("the answer box is Risposta") << u"Text2"_s << u"Risposta"_s << QAccessible::EditableText;
    QTest::newRow("the score box is Punteggio") << u"Text3"_s << u"Punteggio"_s << QAccessible::EditableText;
    QTest::newRow("the time box is Tempo") << u"Text4"_s << u"Tempo"_s << QAccessible::EditableText;
    QTest::newRow("the current letter is Lettera") << u"Label6"_s << u"Lettera"_s << QAccessible::StaticText;
    QTest::newRow("GIOCA reads its caption") << u"Gioca"_s << u"GIOCA"_s << QAccessible::Button;
    QTest::newRow("AVANTI reads its caption") << u"Avanti"_s << u"AVANTI"_s << QAccessible::Button;
    QTest::newRow("ESCI reads its caption") << u"Esci"_s << u"ESCI"_s << QAccessible::Button;
    QTest::newRow("the instructions button reads its whole caption")
        << u"Istruzioni"_s << u"Istruzioni e informazioni sul gioco"_s << QAccessible::Button;
    QTest::newRow("PUNTEGGIO reads its text") << u"Label4"_s << u"PUNTEGGIO"_s << QAccessible::StaticText;
    QTest::newRow("TEMPO reads its text") << u"Label5"_s << u"TEMPO"_s << QAccessible::StaticText;
    QTest::newRow("LETTERA reads its text") << u"Label7"_s << u"LETTERA"_s << QAccessible::StaticText;
    QTest::newRow("DOMANDA reads its text") << u"Label2"_s << u"DOMANDA"_s << QAccessible::StaticText;
    QTest::newRow("RISPOSTA reads its text") << u"Label3"_s << u"RISPOSTA"_s << QAccessible::StaticText;
}

void TestAccessibility::controlsSayWhatTheyAre()
{
    QFETCH(QString, object);
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);
    QWidget *widget = object == form->objectName() ? form.data() : child(object);
    QVERIFY(widget);
    QAccessibleInterface *item = accessible(widget);
    QVERIFY(item);
    QCOMPARE(item->text(QAccessible::Name), name);
    QCOMPARE(item->role(), role);
    QVERIFY(!item->state().invisible);
}

void TestAccessibility::windowListsEveryControlAndDiscOnce()
{
    QStringList heard;
    const QList<QAccessibleInterface *> items = readableItems(form);
    for (QAccessibleInterface *item : items) {
        heard.append(nameOf(item));
        // A reader walks back up the tree as well as down it.
        QCOMPARE(accessible(form)->indexOfChild(item), items.indexOf(item));
        QCOMPARE(item->parent()->object(), form.data());
    }
    heard.sort();

    QStringList expected = {u"Domanda"_s,   u"Risposta"_s, u"Punteggio"_s, u"Tempo"_s,     u"Lettera"_s,
                            u"GIOCA"_s,     u"AVANTI"_s,   u"ESCI"_s,      u"PUNTEGGIO"_s, u"TEMPO"_s,
                            u"LETTERA"_s,   u"DOMANDA"_s,  u"RISPOSTA"_s,
                            u"Istruzioni e informazioni sul gioco"_s};
    for (int k = 1; k <= content::kLetterCount; ++k)
        expected.append(letter(k) + u", da giocare"_s);
    expected.append(QString()); // the notice, hidden and silent until the game ends
    expected.sort();
    QCOMPARE(heard, expected);
}

void TestAccessibility::pointerFindsTheControlUnderIt_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("k");
    QTest::newRow("GIOCA") << u"Gioca"_s << 0;
    QTest::newRow("the answer box") << u"Text2"_s << 0;
    QTest::newRow("the current letter") << u"Label6"_s << 0;
    QTest::newRow("disc A, under its letter") << u"Shape1"_s << 1;
    QTest::newRow("disc M, under its letter") << u"Shape1"_s << 11;
    QTest::newRow("disc Z, under its letter") << u"Shape1"_s << 21;
}

// Screen magnifiers and "read what is under the mouse" ask the window for the item at a
// point on the screen.
void TestAccessibility::pointerFindsTheControlUnderIt()
{
    QFETCH(QString, object);
    QFETCH(int, k);
    QObject *target = k ? boardItem(form, object, k) : child(object);
    QVERIFY(target);
    const QRect place = k ? static_cast<ui::BoardDisc *>(target)->geometry() : child(object)->geometry();
    const QPoint centre = form->mapToGlobal(place.center());
    QAccessibleInterface *found = accessible(form)->childAt(centre.x(), centre.y());
    QVERIFY2(found, "nothing under the pointer");
    QCOMPARE(nameOf(found), nameOf(accessible(target)));
    QCOMPARE(found->object(), target);
    QCOMPARE(found->rect(), QRect(form->mapToGlobal(place.topLeft()), place.size()));
}

void TestAccessibility::discsReadTheirLetterAndState()
{
    QTest::mouseClick(child(u"Gioca"_s), Qt::LeftButton);
    answer(content::rispos(1, 1).toString()); // A right
    answer(u"nessuna idea"_s);                   // B wrong
    answer(engine::kPassKeyword.toString());    // C passed

    const QStringList expected = {u"A, corretta"_s, u"B, sbagliata"_s, u"C, passata"_s, u"D, da giocare"_s};
    for (int k = 1; k <= expected.size(); ++k) {
        QObject *disc = boardItem(form, u"Shape1"_s, k);
        QVERIFY(disc);
        QCOMPARE(nameOf(accessible(disc)), expected[k - 1]);
    }
    QCOMPARE(nameOf(accessible(boardItem(form, u"Shape1"_s, 21))), u"Z, da giocare"_s);

    // The current letter reads its name, then the letter on show.
    QAccessibleInterface *current = accessible(child(u"Label6"_s));
    QCOMPARE(current->text(QAccessible::Name), u"Lettera"_s);
    QCOMPARE(current->text(QAccessible::Description), u"D"_s);
}

void TestAccessibility::boxesReadTheGame()
{
    QTest::mouseClick(child(u"Gioca"_s), Qt::LeftButton);
    answer(content::rispos(1, 1).toString());

    QAccessibleInterface *question = accessible(child(u"Text1"_s));
    QCOMPARE(textOf(question), content::doman(2, 1).toString());
    // The keyboard moves through the clue word by word, and a reader hears each word.
    child(u"Text1"_s)->setFocus();
    QTest::keyClick(child(u"Text1"_s), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(child(u"Text1"_s), Qt::Key_Right, Qt::ControlModifier);
    QAccessibleTextInterface *clue = question->textInterface();
    const QString clueB = content::doman(2, 1).toString();
    const qsizetype second = clueB.indexOf(u' ') + 1;
    const qsizetype third = clueB.indexOf(u' ', second) + 1; // 0 when the clue has two words
    const QString secondWord = third ? clueB.mid(second, third - second) : clueB.mid(second);
    QCOMPARE(clue->cursorPosition(), int(second));
    int start = 0;
    int end = 0;
    QCOMPARE(clue->textAtOffset(clue->cursorPosition(), QAccessible::WordBoundary, &start, &end), secondWord);
    QCOMPARE(textOf(accessible(child(u"Text3"_s))), u"1"_s);
    QCOMPARE(textOf(accessible(child(u"Text4"_s))), u"160"_s);
    // Read-only, so a reader does not invite typing the score.
    QVERIFY(accessible(child(u"Text3"_s))->state().readOnly);
    QVERIFY(!accessible(child(u"Text2"_s))->state().readOnly);

    // What the player cannot type into cannot be written through a screen reader's tools.
    for (const QString &box : {u"Text1"_s, u"Text3"_s}) {
        QAccessibleInterface *item = accessible(child(box));
        const QString before = textOf(item);
        QVERIFY2(!item->editableTextInterface(), qPrintable(box));
        item->setText(QAccessible::Value, u"999"_s);
        QCOMPARE(textOf(item), before);
    }
    QAccessibleInterface *answerBox = accessible(child(u"Text2"_s));
    QVERIFY(answerBox->editableTextInterface());
    answerBox->editableTextInterface()->insertText(0, u"cadetto"_s);
    answerBox->editableTextInterface()->replaceText(0, 1, u"C"_s);
    QCOMPARE(qobject_cast<QLineEdit *>(child(u"Text2"_s))->text(), u"Cadetto"_s);
}

void TestAccessibility::textsReadPieceByPiece_data()
{
    // A text, cut into the pieces a screen reader moves by: these, joined, make the text.
    // `questionBoxPieces` stands for `pieces` in the question box, which wraps its lines.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QAccessible::TextBoundaryType>("boundary");
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QStringList>("questionBoxPieces");

    const QString clue = content::doman(3, 1).toString();
    const QStringList clueWords = {u"Allievo "_s, u"di "_s, u"un'accademia "_s, u"militare; "_s, u"anche "_s,
                                   u"il "_s, u"figlio "_s, u"non "_s, u"primogenito "_s, u"di "_s, u"una "_s,
                                   u"famiglia "_s, u"nobile"_s};
    const QStringList clueLines = {u"Allievo di un'accademia militare; anche il figlio non primogenito di "_s,
                                   u"una famiglia nobile"_s};
    struct Sample {
        const char *name;
        QString text;
        QStringList characters;
        QStringList words;
    };
    const auto each = [](const QString &text) {
        QStringList characters;
        for (QChar c : text)
            characters.append(QString(c));
        return characters;
    };
    const Sample samples[] = {
        {"empty", QString(), {}, {}},
        {"the time", u"158"_s, each(u"158"_s), {u"158"_s}},
        {"two words", u"abc def"_s, each(u"abc def"_s), {u"abc "_s, u"def"_s}},
        {"a leading blank", u" abc"_s, each(u" abc"_s), {u" "_s, u"abc"_s}},
        {"a leading dash", u"-abc"_s, each(u"-abc"_s), {u"-"_s, u"abc"_s}},
        {"an apostrophe", u"l'acqua"_s, each(u"l'acqua"_s), {u"l'acqua"_s}},
        {"a combining accent", u"sake\u0301"_s, {u"s"_s, u"a"_s, u"k"_s, u"e\u0301"_s}, {u"sake\u0301"_s}},
        {"a whole clue", clue, each(clue), clueWords},
    };
    const QStringList none;
    for (const Sample &sample : samples) {
        const QStringList whole = sample.text.isEmpty() ? QStringList() : QStringList{sample.text};
        const auto row = [&](const char *boundary, QAccessible::TextBoundaryType type, const QStringList &pieces,
                             const QStringList &inQuestionBox) {
            QTest::addRow("%s, %s", sample.name, boundary) << sample.text << type << pieces << inQuestionBox;
        };
        row("by character", QAccessible::CharBoundary, sample.characters, none);
        row("by word", QAccessible::WordBoundary, sample.words, none);
        row("by sentence", QAccessible::SentenceBoundary, whole, none);
#ifndef Q_OS_WIN
        row("by line", QAccessible::LineBoundary, whole, sample.text == clue ? clueLines : none);
#else
        // Where the question box wraps a whole clue hangs on the font as Windows draws it (its
        // own rasteriser and hinting, and Arial for Liberation Sans): under Wine its second line
        // begins a word later than clueLines says. Left out there; the texts that fit on one
        // line are still read by line.
        Q_UNUSED(clueLines)
        if (sample.text != clue)
            row("by line", QAccessible::LineBoundary, whole, none);
#endif
        row("by paragraph", QAccessible::ParagraphBoundary, whole, none);
        row("whole", QAccessible::NoBoundary, whole, none);
    }
}

// Every text box and the current letter, asked for the piece at, before and after every
// offset, and a little outside the text. Qt's own answer for a line edit never returned at the
// end of the text or before a leading blank, and the game froze.
void TestAccessibility::textsReadPieceByPiece()
{
    QFETCH(QString, text);
    QFETCH(QAccessible::TextBoundaryType, boundary);
    QFETCH(QStringList, pieces);
    QFETCH(QStringList, questionBoxPieces);

    for (const QString &name : {u"Text1"_s, u"Text2"_s, u"Text3"_s, u"Text4"_s, u"Label6"_s}) {
        QWidget *box = child(name);
        if (auto *edit = qobject_cast<QLineEdit *>(box))
            edit->setText(text);
        else if (auto *document = qobject_cast<QTextEdit *>(box))
            document->setPlainText(text);
        else
            qobject_cast<QLabel *>(box)->setText(text);
        const QStringList expected = name == u"Text1" && !questionBoxPieces.isEmpty() ? questionBoxPieces : pieces;
        QCOMPARE(expected.join(QString()), text);

        // The pieces as spans: where each begins and ends.
        QList<QPair<int, int>> spans;
        for (const QString &piece : expected)
            spans.append({spans.isEmpty() ? 0 : spans.last().second, (spans.isEmpty() ? 0 : spans.last().second) + int(piece.size())});
        const int size = int(text.size());
        const auto pieceHolding = [&](int offset) {
            for (const auto &span : spans)
                if (offset >= span.first && offset < span.second)
                    return span;
            return qMakePair(-1, -1);
        };
        // At the end a character, word or sentence is empty, a line or paragraph the last one.
        const bool lastStays = boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary
                            || boundary == QAccessible::NoBoundary;
        const auto at = [&](int offset) {
            if (offset == -1)
                offset = size;
            if (offset < 0 || offset > size)
                return qMakePair(-1, -1);
            if (offset == size)
                return lastStays && !spans.isEmpty() ? spans.last() : qMakePair(size, size);
            return pieceHolding(offset);
        };
        const auto before = [&](int offset) {
            const auto here = at(offset);
            return here.first <= 0 ? qMakePair(here.first, here.first) : pieceHolding(here.first - 1);
        };
        const auto after = [&](int offset) {
            const auto here = at(offset);
            return here.first == -1 ? here : here.second >= size ? qMakePair(size, size) : pieceHolding(here.second);
        };

        QAccessibleTextInterface *reader = accessible(box)->textInterface();
        QVERIFY2(reader, qPrintable(name));
        QCOMPARE(reader->characterCount(), size);
        // One run of Italian text, which a reader reads whole.
        int runStart = -2;
        int runEnd = -2;
        QCOMPARE(reader->attributes(size, &runStart, &runEnd), u"language:it"_s);
        QCOMPARE(qMakePair(runStart, runEnd), qMakePair(0, size));
        for (int offset = -3; offset <= size + 2; ++offset) {
            const struct {
                const char *asked;
                QPair<int, int> want;
                QString (QAccessibleTextInterface::*call)(int, QAccessible::TextBoundaryType, int *, int *) const;
            } questions[] = {{"at", at(offset), &QAccessibleTextInterface::textAtOffset},
                             {"before", before(offset), &QAccessibleTextInterface::textBeforeOffset},
                             {"after", after(offset), &QAccessibleTextInterface::textAfterOffset}};
            for (const auto &question : questions) {
                int start = -2;
                int end = -2;
                const QString heard = (reader->*question.call)(offset, boundary, &start, &end);
                const QString where = u"%1, %2 offset %3: [%4, %5) \"%6\""_s.arg(name, QLatin1StringView(question.asked))
                                          .arg(offset).arg(start).arg(end).arg(heard);
                QVERIFY2(qMakePair(start, end) == question.want, qPrintable(where));
                QVERIFY2(heard == (start < 0 ? QString() : text.mid(start, end - start)), qPrintable(where));
            }
        }
    }
}

void TestAccessibility::instructionsCanBeRead_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("opening");
    QTest::newRow("the instructions") << u"Text1"_s << u"Istruzioni"_s << u"ISTRUZIONI:"_s;
    QTest::newRow("the information") << u"Text2"_s << u"Informazioni"_s << u"INFORMAZIONI SUL GIOCO:"_s;
}

void TestAccessibility::instructionsCanBeRead()
{
    QFETCH(QString, object);
    QFETCH(QString, name);
    QFETCH(QString, opening);
    QTest::mouseClick(child(u"Istruzioni"_s), Qt::LeftButton);
    infistr *window = instructionsOnShow();
    QVERIFY(window);
    auto *box = window->findChild<QPlainTextEdit *>(object);
    QVERIFY(box);

    QAccessibleInterface *item = accessible(box);
    QCOMPARE(item->text(QAccessible::Name), name);
    const QString heard = textOf(item);
    QVERIFY2(heard.startsWith(opening), qPrintable(heard.left(80)));
    QCOMPARE(heard, box->toPlainText());

    QCOMPARE(accessible(window)->role(), QAccessible::Window);
    QCOMPARE(nameOf(accessible(window)), u"Istruzioni e informazioni sul gioco"_s);
    QStringList listed;
    for (QAccessibleInterface *child : readableItems(window))
        listed.append(nameOf(child));
    QVERIFY2(listed.contains(name), qPrintable(listed.join(u" | ")));
    QVERIFY2(listed.contains(u"Torna al gioco"_s), qPrintable(listed.join(u" | ")));
}

void TestAccessibility::readerHearsEachTurn_data()
{
    // Every letter draws its first question. `plan` is played first, one letter per press: R
    // right, W wrong, P passed; then `event`: GIOCA, one press, or the clock running out.
    QTest::addColumn<QString>("plan");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("heard");
    const auto clue = [](int k) { return content::doman(k, 1).toString(); };
    const QString twentyRight(20, u'R');
    const QString retry = u" RIPROVA LA PROSSIMA VOLTA!!!"_s;

    QTest::newRow("GIOCA: the letter and its whole clue, and the answer box as it was")
        << QString() << u"GIOCA"_s << QStringList{u"focus: Lettera A. "_s + clue(1)};
    QTest::newRow("a right answer: the verdict, the next letter and its clue")
        << QString() << u"R"_s
        << QStringList{u"disc: A, corretta"_s, u"focus: A, corretta. Lettera B. "_s + clue(2), u"answer box text"_s};
    QTest::newRow("a wrong answer")
        << QString() << u"W"_s
        << QStringList{u"disc: A, sbagliata"_s, u"focus: A, sbagliata. Lettera B. "_s + clue(2), u"answer box text"_s};
    QTest::newRow("a passed letter")
        << QString() << u"P"_s
        << QStringList{u"disc: A, passata"_s, u"focus: A, passata. Lettera B. "_s + clue(2), u"answer box text"_s};
    QTest::newRow("after Z, the passed letter comes back")
        << u"P"_s + QString(19, u'R') << u"R"_s
        << QStringList{u"disc: Z, corretta"_s, u"focus: Z, corretta. Lettera A. "_s + clue(1), u"answer box text"_s};
    QTest::newRow("the second pass, passed again")
        << u"P"_s + twentyRight << u"P"_s
        << QStringList{u"focus: A, passata. Lettera A. "_s + clue(1), u"answer box text"_s};
    QTest::newRow("the full score: the verdict, then the closing message")
        << u"P"_s + twentyRight << u"R"_s
        << QStringList{u"disc: A, corretta"_s, u"focus: A, corretta"_s, u"answer box text"_s,
                       u"notice: COMPLIMENTI SEI RIUSCITO A RISPONDERE A TUTTE LE DOMANDE!"_s};
    QTest::newRow("every letter settled: the message and the retry line")
        << twentyRight << u"W"_s
        << QStringList{u"disc: Z, sbagliata"_s, u"focus: Z, sbagliata"_s, u"answer box text"_s,
                       u"notice: PECCATO......SEI RIUSCITO A RISPONDERE A SOLO 20 DOMANDE!!"_s + retry};
    QTest::newRow("every letter wrong")
        << QString(20, u'W') << u"W"_s
        << QStringList{u"disc: Z, sbagliata"_s, u"focus: Z, sbagliata"_s, u"answer box text"_s,
                       u"notice: PECCATO......NON HAI RISPOSTO A NESSUNA DOMANDA!"_s + retry};
    QTest::newRow("the clock runs out, the keyboard elsewhere")
        << u"R"_s << u"timeout"_s
        << QStringList{u"answer box text"_s, u"notice: PECCATO......SEI RIUSCITO A RISPONDERE A SOLO 1 DOMANDE!!"_s + retry};
}

// What a screen reader hears without the player moving the keyboard: the answer box's
// description is in place before it takes the focus, and it takes the focus before its text
// changes, or the reader says nothing; the end is a notice, read wherever the keyboard is.
void TestAccessibility::readerHearsEachTurn()
{
    QFETCH(QString, plan);
    QFETCH(QString, event);
    QFETCH(QStringList, heard);

    const auto typed = [](QChar kind, int k) {
        return kind == u'R' ? content::rispos(k, 1).toString() : kind == u'P' ? u"girolettera"_s : u"no"_s;
    };
    int k = 1;
    const auto press = [&](QChar kind) {
        answer(typed(kind, k));
        k = k == content::kLetterCount ? 1 : k + 1; // A comes back first in the second pass
    };
    if (event != u"GIOCA")
        QTest::mouseClick(child(u"Gioca"_s), Qt::LeftButton);
    for (QChar kind : plan)
        press(kind);
    // Typed before listening: what counts is what AVANTI brings.
    const bool pressing = event.size() == 1;
    if (pressing)
        qobject_cast<QLineEdit *>(child(u"Text2"_s))->setText(typed(event.front(), k));

    // As a screen reader would when it comes: the offscreen platform has none to turn it on.
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    heardEvents.clear();
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(recordEvent);
    const auto restore = qScopeGuard([before] {
        QAccessible::installUpdateHandler(before);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
    });
    if (event == u"GIOCA") {
        QTest::mouseClick(child(u"Gioca"_s), Qt::LeftButton);
    } else if (event == u"timeout") {
        child(u"Text1"_s)->setFocus();
        auto *timer = form->findChild<QTimer *>(u"Timer1"_s);
        for (int t = 0; t < engine::kGameSeconds; ++t)
            QMetaObject::invokeMethod(timer, "timeout");
    } else if (pressing) {
        QTest::mouseClick(child(u"Avanti"_s), Qt::LeftButton);
    }
    QCOMPARE(heardEvents, heard);

    // Read again later, the answer box says what it said last as the keyboard came to it, or,
    // when the clock ended the game, nothing: never the news of a turn that is over.
    QString lastSaid;
    for (const QString &said : heard)
        if (said.startsWith(u"focus: "))
            lastSaid = said.mid(7);
    QCOMPARE(accessible(child(u"Text2"_s))->text(QAccessible::Description), lastSaid);
}

// What a screen reader asks over the accessibility bus to choose the voice for a text: the
// locale of the application and of every object in both windows, and the language of the
// texts' attribute run. Qt's own AT-SPI bridge answers, on a private bus of this test.
void TestAccessibility::busSaysEverythingIsItalian()
{
#ifndef GIRO_ATSPI_BUS
    QSKIP("the AT-SPI bus is the Linux desktop's");
#else
    QProcess daemon;
    daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    QVERIFY2(daemon.waitForStarted(), "dbus-daemon (package dbus) is needed");
    const auto stopDaemon = qScopeGuard([&daemon] {
        daemon.kill();
        daemon.waitForFinished();
    });
    QTRY_VERIFY(daemon.canReadLine());
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    // The bridge takes this bus as the accessibility bus, as it does on a desktop that names it.
    qputenv("AT_SPI_BUS_ADDRESS", address.toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("AT_SPI_BUS_ADDRESS"); });
    QSpiAccessibleBridge bridge;
    QTRY_VERIFY(bridge.dBusConnection().isConnected());
    // Qt 6.4 connects to a named bus before it listens for the news, so it is told again.
    bridge.enabledChanged(true);
    const QString game = bridge.dBusConnection().baseService();
    QDBusConnection reader = QDBusConnection::connectToBus(address, u"reader"_s);
    const auto disconnect = qScopeGuard([] { QDBusConnection::disconnectFromBus(u"reader"_s); });
    QVERIFY(reader.isConnected());

    // The game answers in this thread: the call waits with the event loop running.
    const auto ask = [&](const QString &path, const QString &interface, const QString &method,
                         const QVariantList &arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(game, path, interface, method);
        call.setArguments(arguments);
        return reader.call(call, QDBus::BlockWithGui, 5000);
    };
    const auto pathOf = [](QAccessibleInterface *item) {
        return u"/org/a11y/atspi/accessible/"_s + QString::number(QAccessible::uniqueId(item));
    };

    const QDBusMessage application =
        ask(u"/org/a11y/atspi/accessible/root"_s, u"org.a11y.atspi.Application"_s, u"GetLocale"_s, {0u});
    QVERIFY2(application.type() == QDBusMessage::ReplyMessage, qPrintable(application.errorMessage()));
    QCOMPARE(application.arguments().value(0).toString(), u"it_IT"_s);
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    // An object's own locale, which a reader may ask before it falls back on the application's.
    // The bridges of Qt 6.4 and 6.8 answer it with an error; Qt 6.11's answers it, though its
    // introspection does not declare it. Whichever this Qt is, all objects answer alike, and
    // where they answer they say it_IT.
    const auto objectLocale = [&](QAccessibleInterface *item) {
        return ask(pathOf(item), u"org.freedesktop.DBus.Properties"_s, u"Get"_s,
                   {u"org.a11y.atspi.Accessible"_s, u"Locale"_s});
    };
    const bool objectLocales = objectLocale(accessible(form)).type() == QDBusMessage::ReplyMessage;
    qInfo("Qt %s's bridge %s an object's Locale", qVersion(), objectLocales ? "answers" : "does not answer");

    QTest::mouseClick(child(u"Gioca"_s), Qt::LeftButton); // a clue in the question box
    QTest::mouseClick(child(u"Istruzioni"_s), Qt::LeftButton);
    QVERIFY(instructionsOnShow());
    int objects = 0;
    int texts = 0;
    for (QWidget *window : {static_cast<QWidget *>(form.data()), static_cast<QWidget *>(instructionsOnShow())}) {
        QList<QAccessibleInterface *> items = {accessible(window)};
        items += readableItems(window);
        for (QAccessibleInterface *item : items) {
            const QString what = nameOf(item) + u" ("_s + pathOf(item) + u')';
            // The locale that Qt's UI Automation provider gives as the object's culture.
            if (auto *widget = qobject_cast<QWidget *>(item->object()))
                QVERIFY2(widget->locale() == italian, qPrintable(what));
            const QDBusMessage locale = objectLocale(item);
            QVERIFY2((locale.type() == QDBusMessage::ReplyMessage) == objectLocales,
                     qPrintable(what + u": "_s + locale.errorMessage()));
            if (objectLocales)
                QVERIFY2(locale.arguments().value(0).value<QDBusVariant>().variant().toString() == u"it_IT",
                         qPrintable(what));
            ++objects;
            QAccessibleTextInterface *text = item->textInterface();
            if (!text)
                continue;
            const QDBusMessage run = ask(pathOf(item), u"org.a11y.atspi.Text"_s, u"GetAttributeRun"_s,
                                         {text->characterCount() / 2, false});
            QVERIFY2(run.type() == QDBusMessage::ReplyMessage, qPrintable(what + u": "_s + run.errorMessage()));
            QMap<QString, QString> attributes;
            run.arguments().value(0).value<QDBusArgument>() >> attributes;
            QVERIFY2(attributes == (QMap<QString, QString>{{u"language"_s, u"it"_s}}), qPrintable(what));
            QCOMPARE(run.arguments().value(1).toInt(), 0);
            QCOMPARE(run.arguments().value(2).toInt(), text->characterCount());
            ++texts;
        }
    }
    // The main window with its 14 controls, 21 discs and the notice, and the instructions
    // window with what it holds; of them the four boxes, the current letter and the two texts
    // of the instructions hold text.
    QCOMPARE(objects, 42);
    QCOMPARE(texts, 7);
#endif
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
