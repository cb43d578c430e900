// The main window as a player meets it: its controls, the start of a game, keyboard focus,
// whole games played by typing and clicking, the clock, and the end of the program.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QScopeGuard>
#include <QStyle>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <memory>

#include "content/bank.h"
#include "design.h"
#include "rungame.h"
#include "form1.h"
#include "caretrest.h"
#include "infistr.h"
#include "letterboard.h"
#include "windows.h"
#include "rules.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using rules::kAllWrongText;
using rules::kFullScoreText;
using rules::kRetryText;
using rules::settledText;

namespace {

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);

QList<int> questionsOf(int n)
{
    return QList<int>(content::kLetterCount, n);
}

ui::BoardDisc *disc(QWidget *form, int k)
{
    for (ui::BoardDisc *d : form->findChildren<ui::BoardDisc *>(u"Shape1"_s))
        if (d->index() == k)
            return d;
    return nullptr;
}

// The square of disc k where its letter stands, in the window.
QRect letterSquare(QWidget *form, int k)
{
    return QRect(disc(form, k)->geometry().topLeft() + QPoint(8, 8), QSize(17, 17));
}

bool sameColour(const QColor &a, const QColor &b, int tolerance = 2)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

// Desktop themes a player may have: Qt's light default, a dark one, and high contrast both ways.
QPalette themePalette(const QString &name)
{
    if (name == u"light")
        return QApplication::style()->standardPalette();
    const bool dark = name == u"dark";
    const QColor paper = dark ? QColor(53, 53, 53) : name == u"black on white" ? Qt::white : Qt::black;
    const QColor ink = name == u"black on white" ? Qt::black : Qt::white;
    QPalette palette(ink, paper, paper.lighter(), paper.darker(), paper, ink, ink,
                     dark ? QColor(35, 35, 35) : paper, paper);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return palette;
}

double luminance(const QColor &c)
{
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Whether some of the text in `area` is written in `ink`. Edges of letters blend ink and paper,
// but the strokes of text in that ink hold the ink itself.
bool inked(const QImage &image, QRect area, const QColor &ink)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (sameColour(image.pixelColor(x, y), ink, 24))
                return true;
    return false;
}

// What a piece of text is drawn on (the commonest colour of its area) and in (the colour that
// stands out most from that).
struct Reading {
    QColor paper;
    QColor ink;
};

Reading readText(const QImage &image, QRect area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb paper = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(paper))
            paper = it.key();
    QRgb ink = paper;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (contrast(QColor(it.key()), QColor(paper)) > contrast(QColor(ink), QColor(paper)))
            ink = it.key();
    return {QColor(paper), QColor(ink)};
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void geometry_data();
    void geometry();
    void discsAndLetters_data();
    void discsAndLetters();
    void readyState();
    void playStartsTheGame_data();
    void playStartsTheGame();
    void tabOrder();
    void enterPressesNothing();
    void discColoursFollowTheVerdicts();
    void everyClueFitsTheQuestionBox();
    void desktopColourFollowsTheTheme();
    void textsReadInEveryTheme_data();
    void textsReadInEveryTheme();
    void answerBoxMenuSpeaksItalian();

    void playsToTheFullScore();
    void playsToTheSettledEnding();
    void passedLetterComesBackThroughTheWindow();
    void tickLeavesTheTypingAlone();
    void caretRestsWhenTheTypingStops();
    void clockRunsOutThroughTheWindowTimer();
    void clockGoesOnWhileInstructionsAreOpen();

    void closingTheLastWindowEndsTheProgram();
    void exitEndsTheProgramAtOnce();

private:
    template <typename T>
    T *child(const QString &name) const
    {
        T *found = form->findChild<T *>(name);
        if (!found)
            qFatal("no %s", qPrintable(name));
        return found;
    }
    void start(const QList<int> &questions);
    void answer(const QString &typed);
    QColor pixel(QWidget *widget, QPoint at) const;
    QColor pixel(QPoint inForm) const;
    QColor discColour(int k) const;

    ScriptedRandom random;
    FixedTimeOfDay clock;
    QPointer<Form1> form;
};

void TestForm1::initTestCase()
{
    ui::prepareApplication();
}

void TestForm1::init()
{
    random = ScriptedRandom::drawing(questionsOf(1));
    form = new Form1(&random, &clock);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    form->activateWindow();
}

void TestForm1::cleanup()
{
    delete form;
    deleteInstructions();
}

void TestForm1::start(const QList<int> &questions)
{
    random = ScriptedRandom::drawing(questions);
    QTest::mouseClick(child<QPushButton>(u"Gioca"_s), Qt::LeftButton);
}

void TestForm1::answer(const QString &typed)
{
    auto *box = child<QLineEdit>(u"Text2"_s);
    QCOMPARE(box->text(), QString());
    QTest::keyClicks(box, typed);
    QTest::mouseClick(child<QPushButton>(u"Avanti"_s), Qt::LeftButton);
}

QColor TestForm1::pixel(QWidget *widget, QPoint at) const
{
    const QImage image = form->grab().toImage();
    const QPoint inForm = widget->mapTo(form.data(), at);
    return image.pixelColor(inForm * image.devicePixelRatio());
}

QColor TestForm1::pixel(QPoint inForm) const
{
    const QImage image = form->grab().toImage();
    return image.pixelColor(inForm * image.devicePixelRatio());
}

// Below the letter, inside the disc's outline.
QColor TestForm1::discColour(int k) const
{
    return pixel(disc(form, k)->geometry().topLeft() + QPoint(16, 28));
}

void TestForm1::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("Istruzioni") << u"Istruzioni"_s << QRect(16, 8, 89, 49);
    QTest::newRow("Gioca") << u"Gioca"_s << QRect(144, 8, 65, 25);
    QTest::newRow("Label4 over the score") << u"Label4"_s << QRect(128, 40, 105, 17);
    QTest::newRow("Label5 over the time") << u"Label5"_s << QRect(280, 40, 65, 17);
    QTest::newRow("Text3, score") << u"Text3"_s << QRect(144, 56, 65, 19);
    QTest::newRow("Text4, time") << u"Text4"_s << QRect(272, 56, 81, 19);
    QTest::newRow("Label7 over the letter") << u"Label7"_s << QRect(296, 104, 105, 25);
    QTest::newRow("Label6, current letter") << u"Label6"_s << QRect(304, 128, 89, 113);
    QTest::newRow("Label2 over the question") << u"Label2"_s << QRect(144, 264, 113, 17);
    QTest::newRow("Text1, question") << u"Text1"_s << QRect(32, 288, 337, 35);
    QTest::newRow("Label3 over the answer") << u"Label3"_s << QRect(136, 328, 129, 17);
    QTest::newRow("Esci") << u"Esci"_s << QRect(16, 336, 57, 25);
    QTest::newRow("Avanti") << u"Avanti"_s << QRect(312, 336, 73, 25);
    QTest::newRow("Text2, answer") << u"Text2"_s << QRect(96, 352, 201, 19);
}

void TestForm1::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QCOMPARE(form->size(), QSize(401, 381));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QCOMPARE(child<QWidget>(name)->geometry(), place);
}

void TestForm1::discsAndLetters_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<QPoint>("topLeft");
    const QPoint places[] = {{64, 88},   {64, 120},  {64, 152},  {64, 184},  {64, 216},  {96, 216},  {128, 216},
                             {128, 184}, {128, 152}, {128, 120}, {144, 88},  {176, 88},  {192, 120}, {192, 152},
                             {192, 184}, {192, 216}, {224, 216}, {256, 216}, {256, 184}, {256, 152}, {256, 120}};
    for (int k = 1; k <= content::kLetterCount; ++k)
        QTest::addRow("disc %c", content::letterAt(k).toLatin1()) << k << places[k - 1];
}

void TestForm1::discsAndLetters()
{
    QFETCH(int, k);
    QFETCH(QPoint, topLeft);
    QCOMPARE(form->findChildren<ui::BoardDisc *>(u"Shape1"_s).size(), 21);
    ui::BoardDisc *shape = disc(form, k);
    QVERIFY(shape);
    QCOMPARE(shape->geometry(), QRect(topLeft, QSize(33, 33)));

    // The letter, 12 points bold, centred on a square of the disc's colour in the middle of it.
    const qreal scale = form->devicePixelRatioF();
    QImage letter(QSize(17, 17) * scale, QImage::Format_ARGB32_Premultiplied);
    letter.setDevicePixelRatio(scale);
    letter.fill(ui::desktopColour());
    {
        QPainter painter(&letter);
        painter.setPen(form->palette().color(QPalette::WindowText));
        painter.setFont(ui::designFont(12, true));
        painter.drawText(QRect(0, 0, 17, 17), Qt::AlignCenter, QString(content::letterAt(k)));
    }
    const QImage shown = form->grab().toImage().copy(QRect((topLeft + QPoint(8, 8)) * scale, QSize(17, 17) * scale));
    QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), letter.convertToFormat(QImage::Format_RGB32));
}

void TestForm1::readyState()
{
    QCOMPARE(form->windowTitle(), u"GIROLETTERA v.1.00 di Bottega del Quiz "_s);
    QCOMPARE(form->windowHandle()->title(), form->windowTitle());
    QCOMPARE(QCoreApplication::applicationName(), u"GIROLETTERA"_s);
    QVERIFY(!form->windowIcon().pixmap(32, 32).isNull());

    QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), QString());
    QCOMPARE(child<QLineEdit>(u"Text2"_s)->text(), QString());
    QCOMPARE(child<QLineEdit>(u"Text3"_s)->text(), u"0"_s);
    QCOMPARE(child<QLineEdit>(u"Text4"_s)->text(), u"160"_s);
    QCOMPARE(child<QLabel>(u"Label6"_s)->text(), QString());
    QVERIFY(child<QPushButton>(u"Gioca"_s)->isEnabled());
    QVERIFY(!child<QPushButton>(u"Avanti"_s)->isEnabled());
    QVERIFY(child<QPushButton>(u"Istruzioni"_s)->isEnabled());
    QVERIFY(child<QPushButton>(u"Esci"_s)->isEnabled());
    QVERIFY(!child<QTimer>(u"Timer1"_s)->isActive());
    QCOMPARE(child<QTimer>(u"Timer1"_s)->interval(), 1000);
    QCOMPARE(form->focusWidget(), child<QWidget>(u"Text1"_s));

    // The question and score boxes can be read but not typed into; the answer box takes typing.
    QVERIFY(child<QTextEdit>(u"Text1"_s)->isReadOnly());
    QVERIFY(child<QLineEdit>(u"Text3"_s)->isReadOnly());
    QVERIFY(!child<QLineEdit>(u"Text2"_s)->isReadOnly());
    // No box stops the text at a length.
    for (QLineEdit *box : form->findChildren<QLineEdit *>()) {
        const QString longText(100000, u'a');
        box->setText(longText);
        QCOMPARE(box->text().size(), longText.size());
        box->clear();
    }
    // Nothing of the game lies outside the window.
    for (QWidget *w : form->findChildren<QWidget *>())
        QVERIFY2(!w->isVisible() || form->rect().contains(w->geometry()), qPrintable(w->objectName()));

    for (int k = 1; k <= content::kLetterCount; ++k)
        QVERIFY(sameColour(discColour(k), ui::desktopColour()));
    QVERIFY(sameColour(pixel(child<QWidget>(u"Label6"_s), QPoint(40, 60)), QColor(0, 192, 0)));
}

void TestForm1::playStartsTheGame_data()
{
    QTest::addColumn<QString>("typedBefore");
    QTest::addColumn<engine::LetterState>("firstVerdict"); // on A, at the first AVANTI
    QTest::newRow("nothing typed") << QString() << engine::LetterState::Wrong;
    QTest::newRow("a word typed before GIOCA stays, and AVANTI judges it")
        << u"prima"_s << engine::LetterState::Wrong;
    QTest::newRow("the answer typed before GIOCA counts")
        << content::rispos(1, 4).toString() << engine::LetterState::Correct;
}

void TestForm1::playStartsTheGame()
{
    QFETCH(QString, typedBefore);
    QFETCH(engine::LetterState, firstVerdict);
    auto *answerBox = child<QLineEdit>(u"Text2"_s);
    QTest::keyClicks(answerBox, typedBefore);
    start({4});
    QCOMPARE(answerBox->text(), typedBefore);
    QVERIFY(!child<QPushButton>(u"Gioca"_s)->isEnabled());
    QVERIFY(child<QPushButton>(u"Avanti"_s)->isEnabled());
    QVERIFY(child<QTimer>(u"Timer1"_s)->isActive());
    QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), content::doman(1, 4).toString());
    QCOMPARE(child<QLabel>(u"Label6"_s)->text(), u"A"_s);
    QCOMPARE(form->focusWidget(), child<QWidget>(u"Text2"_s));
    QCOMPARE(child<QLineEdit>(u"Text4"_s)->text(), u"160"_s);

    QTest::mouseClick(child<QPushButton>(u"Avanti"_s), Qt::LeftButton);
    QCOMPARE(form->state().letter(1), firstVerdict);
    QCOMPARE(answerBox->text(), QString());
}

void TestForm1::tabOrder()
{
    const auto walk = [this] {
        QStringList names;
        for (int i = 0; i < 9; ++i) {
            names.append(form->focusWidget()->objectName());
            QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
        }
        return names.join(u' ');
    };
    QCOMPARE(walk(), u"Text1 Text2 Esci Gioca Text3 Text4 Istruzioni Text1 Text2"_s); // Avanti disabled
    start({1});
    QCOMPARE(walk(), u"Text2 Esci Text3 Text4 Istruzioni Avanti Text1 Text2 Esci"_s); // Gioca disabled
}

void TestForm1::enterPressesNothing()
{
    start({1});
    auto *box = child<QLineEdit>(u"Text2"_s);
    QTest::keyClicks(box, u"abat-jour"_s);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter);
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(form->state().step, 0);
    QCOMPARE(box->text(), u"abat-jour"_s);
    QCOMPARE(child<QLabel>(u"Label6"_s)->text(), u"A"_s);

    // The focused button answers to the keyboard as usual.
    auto *next = child<QPushButton>(u"Avanti"_s);
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Space);
    QCOMPARE(form->state().step, 1);
    QCOMPARE(form->state().letter(1), engine::LetterState::Correct);
}

void TestForm1::discColoursFollowTheVerdicts()
{
    start(questionsOf(2));
    answer(content::rispos(1, 2).toString().toUpper());
    answer(u"no"_s);
    answer(u"GiroLettera"_s);
    QVERIFY(sameColour(discColour(1), kGreen));
    QVERIFY(sameColour(discColour(2), kRed));
    QVERIFY(sameColour(discColour(3), kYellow));
    QVERIFY(sameColour(discColour(4), ui::desktopColour()));
    // The letter's square takes the disc's colour (here at its top right, clear of the strike a
    // wrong letter carries); the letter stays on top of it.
    QVERIFY(sameColour(pixel(letterSquare(form, 2).topRight() + QPoint(-1, 1)), kRed));
    // The outline lies over the disc's edge.
    QCOMPARE(pixel(disc(form, 2)->geometry().topLeft() + QPoint(0, 16)).lightness() < 100, true);
    QCOMPARE(child<QLineEdit>(u"Text3"_s)->text(), u"1"_s);
    QCOMPARE(form->focusWidget(), child<QWidget>(u"Text2"_s));

    // What the screen shows after repainting only what changed is what a full repaint draws:
    // no disc, letter or line was left behind.
    QCoreApplication::processEvents();
    const QImage onScreen = form->screen()->grabWindow(form->winId()).toImage();
    const QImage redrawn = form->grab().toImage();
    QCOMPARE(onScreen.convertToFormat(QImage::Format_RGB32).copy(QRect(QPoint(), redrawn.size())),
             redrawn.convertToFormat(QImage::Format_RGB32));
}

void TestForm1::everyClueFitsTheQuestionBox()
{
    // The box has no scroll bars, so a clue that needs more lines than it shows is cut off.
    auto *box = child<QTextEdit>(u"Text1"_s);
    for (int k = 1; k <= content::kLetterCount; ++k) {
        for (int n = 1; n <= content::kQuestionsPerLetter; ++n) {
            box->setPlainText(content::doman(k, n).toString());
            const qreal needed = box->document()->size().height();
            QVERIFY2(needed <= box->viewport()->height(),
                     qPrintable(u"%1 %2 needs %3 of %4"_s.arg(content::letterAt(k)).arg(n).arg(needed).arg(
                         box->viewport()->height())));
        }
    }
    for (const QString &message : {kFullScoreText, kAllWrongText, settledText(21)}) {
        box->setPlainText(message);
        QVERIFY(box->document()->size().height() <= box->viewport()->height());
    }
}

void TestForm1::desktopColourFollowsTheTheme()
{
    const QPalette original = QGuiApplication::palette();
    QPalette dusk = original;
    dusk.setColor(QPalette::Window, QColor(200, 180, 120));
    QApplication::setPalette(dusk);
    QCoreApplication::processEvents();
    const QColor disc1 = discColour(1);
    const QColor question = pixel(child<QWidget>(u"Text1"_s), QPoint(5, 30));
    QApplication::setPalette(original);
    QVERIFY(sameColour(disc1, QColor(200, 180, 120)));
    QVERIFY(sameColour(question, QColor(200, 180, 120)));
}

void TestForm1::textsReadInEveryTheme_data()
{
    QTest::addColumn<QString>("theme");
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("k");           // a letter on the board, or 0
    QTest::addColumn<QColor>("designInk"); // none: the desktop's own ink, which must read
    const QColor desktop;
    const QColor black(0, 0, 0);
    for (const QString &theme : {u"light"_s, u"dark"_s, u"black on white"_s, u"white on black"_s}) {
        const auto row = [&](const char *what, const QString &object, int k, const QColor &ink) {
            QTest::addRow("%s: %s", qPrintable(theme), what) << theme << object << k << ink;
        };
        for (const char *caption : {"Label2", "Label3", "Label4", "Label5", "Label7"})
            row(caption, QString::fromLatin1(caption), 0, desktop);
        row("the question box", u"Text1"_s, 0, desktop);
        row("the answer box", u"Text2"_s, 0, desktop);
        row("the score box", u"Text3"_s, 0, desktop);
        row("the time box", u"Text4"_s, 0, desktop);
        row("a letter still to play", u"Shape1"_s, 4, desktop);
        row("the return button of the instructions", u"Command1"_s, 0, desktop);
        row("a letter on green", u"Shape1"_s, 1, black);
        row("a letter on red", u"Shape1"_s, 2, black);
        row("a letter on yellow", u"Shape1"_s, 3, black);
        row("the current letter", u"Label6"_s, 0, black);
        row("AVANTI", u"Avanti"_s, 0, black);
        row("ESCI", u"Esci"_s, 0, black);
        row("Istruzioni", u"Istruzioni"_s, 0, black);
        row("the instructions in blue", u"infistr/Text1"_s, 0, QColor(0, 0, 255));
        row("the information in red", u"infistr/Text2"_s, 0, QColor(255, 0, 0));
    }
}

// The theme changes while both windows are open, as a player's desktop may.
void TestForm1::textsReadInEveryTheme()
{
    QFETCH(QString, theme);
    QFETCH(QString, object);
    QFETCH(int, k);
    QFETCH(QColor, designInk);

    start(questionsOf(1));
    answer(content::rispos(1, 1).toString());
    answer(u"no"_s);
    answer(u"girolettera"_s);
    QTest::keyClicks(child<QLineEdit>(u"Text2"_s), u"Dado"_s);
    infistr *instructions = openInstructions(form);
    const QPalette original = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
    QApplication::setPalette(themePalette(theme));
    QCoreApplication::processEvents();

    QWidget *window = object.startsWith(u"infistr/") || object == u"Command1" ? static_cast<QWidget *>(instructions)
                                                                              : form.data();
    // Inside any frame, where only the text and its paper are; on a disc, its letter's square.
    QRect area;
    if (k) {
        area = letterSquare(form, k).adjusted(3, 3, -3, -3);
    } else {
        QWidget *widget = window->findChild<QWidget *>(object.section(u'/', -1));
        QVERIFY(widget);
        area = qobject_cast<QPushButton *>(widget) ? widget->rect().adjusted(4, 4, -4, -4)
                                                   : widget->contentsRect().adjusted(3, 3, -3, -3);
        area.translate(widget->mapTo(window, QPoint()));
    }
    const QImage image = window->grab().toImage();
    const Reading read = readText(image, area);

    const QString seen = u"%1 on %2, %3:1"_s.arg(read.ink.name(), read.paper.name()).arg(contrast(read.ink, read.paper), 0, 'f', 2);
    if (designInk.isValid())
        QVERIFY2(inked(image, area, designInk), qPrintable(seen));
    else
        QVERIFY2(contrast(read.ink, read.paper) >= 4.5, qPrintable(seen));
}

void TestForm1::answerBoxMenuSpeaksItalian()
{
    const std::unique_ptr<QMenu> menu(child<QLineEdit>(u"Text2"_s)->createStandardContextMenu());
    QStringList labels;
    for (const QAction *action : menu->actions())
        labels.append(action->text().remove(u'&').section(u'\t', 0, 0));
    QVERIFY2(labels.contains(u"Incolla"_s) && labels.contains(u"Seleziona tutto"_s), qPrintable(labels.join(u" | ")));
}

void TestForm1::playsToTheFullScore()
{
    const QList<int> questions = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 2};
    start(questions);
    for (int k = 1; k <= content::kLetterCount; ++k) {
        QCOMPARE(child<QLabel>(u"Label6"_s)->text(), QString(content::letterAt(k)));
        QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), content::doman(k, questions[k - 1]).toString());
        answer(content::rispos(k, questions[k - 1]).toString());
    }
    QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), kFullScoreText);
    QCOMPARE(child<QLineEdit>(u"Text2"_s)->text(), QString());
    QCOMPARE(child<QLineEdit>(u"Text3"_s)->text(), u"21"_s);
    QVERIFY(!child<QPushButton>(u"Avanti"_s)->isEnabled());
    QVERIFY(!child<QPushButton>(u"Gioca"_s)->isEnabled());
    QVERIFY(!child<QTimer>(u"Timer1"_s)->isActive());
    for (int k = 1; k <= content::kLetterCount; ++k)
        QVERIFY(sameColour(discColour(k), kGreen));
}

void TestForm1::playsToTheSettledEnding()
{
    start(questionsOf(3));
    for (int k = 1; k <= content::kLetterCount; ++k)
        answer(k == 7 ? u"sbagliato"_s : content::rispos(k, 3).toString());
    QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), settledText(20));
    QCOMPARE(child<QLineEdit>(u"Text2"_s)->text(), kRetryText);
    QVERIFY(!child<QPushButton>(u"Avanti"_s)->isEnabled());
    QVERIFY(!child<QTimer>(u"Timer1"_s)->isActive());
    QVERIFY(sameColour(discColour(7), kRed));
}

void TestForm1::passedLetterComesBackThroughTheWindow()
{
    start(questionsOf(5));
    for (int k = 1; k <= content::kLetterCount; ++k)
        answer(k == 3 ? u"girolettera"_s : content::rispos(k, 5).toString());
    QCOMPARE(child<QLabel>(u"Label6"_s)->text(), u"C"_s);
    QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), content::doman(3, 5).toString());
    QVERIFY(sameColour(discColour(3), kYellow));
    QCOMPARE(form->focusWidget(), child<QWidget>(u"Text2"_s));

    answer(content::rispos(3, 5).toString());
    QVERIFY(sameColour(discColour(3), kGreen));
    QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), kFullScoreText);
}

void TestForm1::tickLeavesTheTypingAlone()
{
    start({1});
    auto *box = child<QLineEdit>(u"Text2"_s);
    QTest::keyClicks(box, u"abat"_s);
    box->setCursorPosition(2);
    box->setSelection(1, 2);
    auto *timer = child<QTimer>(u"Timer1"_s);
    timer->setInterval(5);
    QTRY_VERIFY(form->state().timeLeft <= 150);
    timer->stop();
    QCOMPARE(child<QLineEdit>(u"Text4"_s)->text(), QString::number(form->state().timeLeft));
    QCOMPARE(box->text(), u"abat"_s);
    QCOMPARE(box->selectedText(), u"ba"_s);
    QCOMPARE(form->focusWidget(), box);
}

void TestForm1::caretRestsWhenTheTypingStops()
{
    QStyleHints *hints = QGuiApplication::styleHints();
    const int desktop = hints->cursorFlashTime();
    QVERIFY(desktop > 0);
    auto *box = child<QLineEdit>(u"Text2"_s);
    new ui::CaretRest(box, std::chrono::milliseconds(20));
    box->setFocus();
    QTRY_COMPARE(hints->cursorFlashTime(), 0);
    QTest::keyClick(box, Qt::Key_A);
    QCOMPARE(hints->cursorFlashTime(), desktop);
    QTRY_COMPARE(hints->cursorFlashTime(), 0);
    child<QWidget>(u"Text1"_s)->setFocus(); // another box blinks at the desktop's pace
    QCOMPARE(hints->cursorFlashTime(), desktop);
}

void TestForm1::clockRunsOutThroughTheWindowTimer()
{
    start(questionsOf(1));
    answer(content::rispos(1, 1).toString());
    answer(content::rispos(2, 1).toString());
    QTest::keyClicks(child<QLineEdit>(u"Text2"_s), u"mezza risposta"_s);
    child<QTimer>(u"Timer1"_s)->setInterval(1);
    QTRY_COMPARE(child<QLineEdit>(u"Text4"_s)->text(), u"tempo scaduto"_s);
    QCOMPARE(form->state().timeLeft, 0);
    QCOMPARE(child<QTextEdit>(u"Text1"_s)->toPlainText(), settledText(2));
    QCOMPARE(child<QLineEdit>(u"Text2"_s)->text(), kRetryText);
    QVERIFY(!child<QPushButton>(u"Avanti"_s)->isEnabled());
    QVERIFY(!child<QPushButton>(u"Gioca"_s)->isEnabled());
    QVERIFY(!child<QTimer>(u"Timer1"_s)->isActive());
    QCOMPARE(child<QLabel>(u"Label6"_s)->text(), u"C"_s);
}

void TestForm1::clockGoesOnWhileInstructionsAreOpen()
{
    start(questionsOf(1));
    QTest::mouseClick(child<QPushButton>(u"Istruzioni"_s), Qt::LeftButton);
    QVERIFY(instructionsOnShow());
    QTest::mouseClick(child<QPushButton>(u"Istruzioni"_s), Qt::LeftButton);
    int instructionWindows = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        instructionWindows += qobject_cast<infistr *>(w) != nullptr;
    QCOMPARE(instructionWindows, 1);

    child<QTimer>(u"Timer1"_s)->setInterval(5);
    QTRY_VERIFY(form->state().timeLeft <= 155);
    child<QTimer>(u"Timer1"_s)->setInterval(1000);
    QCOMPARE(child<QLineEdit>(u"Text4"_s)->text(), QString::number(form->state().timeLeft));
    answer(content::rispos(1, 1).toString());
    QCOMPARE(child<QLabel>(u"Label6"_s)->text(), u"B"_s);
    QVERIFY(instructionsOnShow());
}

void TestForm1::closingTheLastWindowEndsTheProgram()
{
    QVERIFY(QTest::qWaitForWindowExposed(openInstructions(form)));
    form->close();
    QTRY_VERIFY(form.isNull()); // closed and destroyed

    // The program runs on with the instructions alone, and ends when they close. Should they
    // have closed with the main window, the program ends at once, or the back-stop ends it with
    // 99: a failure either way, and the timers die with this test (`scope`), so that none of
    // them reaches into a later one.
    QObject scope;
    bool instructionsStillOpen = false;
    QTimer::singleShot(50, &scope, [&] {
        infistr *instructions = instructionsOnShow();
        instructionsStillOpen = instructions != nullptr;
        if (instructions)
            QTest::mouseClick(instructions->findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
    });
    QTimer::singleShot(5000, &scope, [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(instructionsStillOpen);
}

void TestForm1::exitEndsTheProgramAtOnce()
{
    start(questionsOf(1));
    openInstructions(form);
    QTimer::singleShot(0, this, [this] { QTest::mouseClick(child<QPushButton>(u"Esci"_s), Qt::LeftButton); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!child<QTimer>(u"Timer1"_s)->isActive());
    QTRY_VERIFY(!instructionsOnShow());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
