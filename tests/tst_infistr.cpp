// The instructions window: its texts, its page, the photograph and icon, and the rule of one
// window at most that is destroyed on closing.

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>

#include "ui/credits.h"
#include "ui/design.h"
#include "ui/rungame.h"
#include "ui/form1.h"
#include "ui/infistr.h"
#include "windows.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QRgb kGreen = qRgb(0, 192, 0);

QStringList designLines(const QString &text)
{
    QStringList lines = text.split(u"\r\n"_s);
    lines.removeLast(); // the empty rest after the final line break
    return lines;
}

// A design text as a box gives it back: each line is a paragraph, ended by a bare line feed.
QString asShown(QString designText)
{
    return designText.replace(u"\r\n"_s, u"\n"_s);
}

template <typename T>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1StringView(name));
}

QList<infistr *> instructionWindows()
{
    QList<infistr *> found;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<infistr *>(widget))
            found.append(window);
    return found;
}

// The pixels clearly painted in blue (or red), not in the green around them.
int pixelsInked(const QImage &image, bool blue)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int ink = blue ? c.blue() : c.red();
            const int other = blue ? c.red() : c.blue();
            if (ink > 160 && c.green() < 90 && other < 90)
                ++count;
        }
    return count;
}

// The number of different colours in an image, transparency counted as one.
int colourCount(const QImage &image)
{
    QSet<QRgb> colours;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            colours.insert(qAlpha(p) == 0 ? 0 : p);
        }
    return colours.size();
}

// The bottom of a box's last design line, in the box's viewport.
int textBottom(QPlainTextEdit *box)
{
    QTextCursor end(box->document()->lastBlock().previous());
    end.movePosition(QTextCursor::EndOfBlock);
    return box->cursorRect(end).bottom();
}

} // namespace

class TestInfistr : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void instructionLine_data();
    void instructionLine();
    void informationLine_data();
    void informationLine();
    void textsHaveTheirDesignLength();
    void wholeTextFitsItsBox_data();
    void wholeTextFitsItsBox();
    void longLinesWrapAtBlanks();

    void page();
    void controlPlace_data();
    void controlPlace();
    void photoFillsItsBox();
    void tabOrderRunsTextsThenButton();

    void openingTwiceKeepsOneWindow();
    void returnButtonDestroysAndReopeningRestoresTexts();
    void desktopCloseDestroysToo();
    void reopeningRightAfterClosingShowsAFreshWindow();

    void backgroundIsGreen_data();
    void backgroundIsGreen();
    void textInk_data();
    void textInk();
    void dividersAreNotCovered();
    void returnButtonFollowsDesktopColour();

    void iconsAreSmallAndDistinct();
    void photoIsBaselineJfif();

private:
    infistr *open();

    QPointer<Form1> form;
};

void TestInfistr::initTestCase()
{
    ui::prepareApplication();
    // The window the player opens the instructions from.
    form = new Form1;
    form->show();
}

void TestInfistr::cleanupTestCase()
{
    delete form;
}

// Opens the instructions with the main window's button, as the player does.
infistr *TestInfistr::open()
{
    return openInstructions(form);
}

void TestInfistr::cleanup()
{
    if (infistr *window = instructionsOnShow())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(instructionWindows().isEmpty());
}

void TestInfistr::instructionLine_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::newRow("the heading has no blank after its colon") << 1 << u"ISTRUZIONI:"_s;
    QTest::newRow("line 2 keeps its trailing blank") << 2 << u"Per iniziare cliccare "_s;
    QTest::newRow("the instructions promise 180 seconds") << 5 << u"180 secondi, durante "_s;
    QTest::newRow("the pass keyword is in real double quotes")
        << 12 << u"\"girolettera\". Se invece "_s;
    QTest::newRow("à is one character") << 14 << u"sbagliato, la risposta sarà "_s;
    QTest::newRow("the last line has thirteen stops after 21")
        << 22
        << u"livello culturale. Comunque le domande sono molto facili e potrete arrivare "
           "facilmente a 21.............ma ce la farete??"_s;
}

void TestInfistr::instructionLine()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QCOMPARE(designLines(infistr::instructionsText()).value(line - 1), text);
}

void TestInfistr::informationLine_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::newRow("è is one character and the blank stays")
        << 2 << u"Questo gioco è una riproduzione "_s;
    QTest::newRow("the show's name is in real double quotes") << 4 << u"\"GIROLETTERA\"."_s;
    QTest::newRow("the credit runs into its parenthesis")
        << 6 << u"da "_s + ui::kAuthorCredit.toString() + u"(quello "_s;
    QTest::newRow("the apostrophe is a plain one") << 10 << u"E' stato faticoso farlo, anche "_s;
    QTest::newRow("the farewell closes it") << 13 << u"CIAO E BUON DIVERTIMENTO!"_s;
}

void TestInfistr::informationLine()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QCOMPARE(designLines(infistr::informationText()).value(line - 1), text);
}

void TestInfistr::textsHaveTheirDesignLength()
{
    const QString instructions = infistr::instructionsText();
    QCOMPARE(instructions.size(), 643);
    QVERIFY(instructions.endsWith(u"\r\n"_s));
    QCOMPARE(instructions.count(u"\r\n"_s), 22);
    QCOMPARE(instructions.count(u'\n'), 22); // no bare line feeds

    const QString information = infistr::informationText();
    QVERIFY(information.endsWith(u"\r\n"_s));
    QCOMPARE(information.count(u"\r\n"_s), 13);
    QCOMPARE(information.count(u'\n'), 13);
    QVERIFY(!information.contains(u'%'));
}

void TestInfistr::wholeTextFitsItsBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("the instructions fit Text1 without scrolling") << u"Text1"_s;
    QTest::newRow("the information fits Text2 without scrolling") << u"Text2"_s;
}

void TestInfistr::wholeTextFitsItsBox()
{
    QFETCH(QString, box);
    infistr *window = open();
    auto *edit = window->findChild<QPlainTextEdit *>(box);
    QVERIFY(edit);
    QVERIFY(!edit->verticalScrollBar()->isVisible());
    QVERIFY(!edit->horizontalScrollBar()->isVisible());
    QCOMPARE(edit->verticalScrollBar()->value(), 0);
    QVERIFY2(textBottom(edit) < edit->viewport()->height(),
             qPrintable(u"text ends at %1, box shows %2"_s.arg(textBottom(edit))
                            .arg(edit->viewport()->height())));
}

void TestInfistr::longLinesWrapAtBlanks()
{
    infistr *window = open();
    auto *text1 = child<QPlainTextEdit>(window, "Text1");
    const qreal margin = text1->document()->documentMargin();
    const qreal room = text1->viewport()->width() - 2 * margin;

    const QTextBlock last = text1->document()->findBlockByNumber(21);
    QVERIFY(last.text().startsWith(u"livello culturale."_s));
    const QTextLayout *layout = last.layout();
    QVERIFY(layout->lineCount() >= 2);
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        QTextCursor start(last);
        start.setPosition(last.position() + line.textStart());
        QVERIFY(text1->cursorRect(start).left() <= margin + 1); // left-aligned
        QVERIFY(line.naturalTextWidth() <= room);
        if (i + 1 < layout->lineCount())
            QCOMPARE(last.text().at(line.textStart() + line.textLength() - 1), u' ');
    }

    // A typed word wider than the box is broken rather than left to run out of sight.
    text1->setTextCursor(QTextCursor(text1->document()->findBlockByNumber(22)));
    QTest::keyClicks(text1, QString(60, u'W'));
    const QTextBlock typed = text1->document()->findBlockByNumber(22);
    QCOMPARE(typed.text(), QString(60, u'W'));
    QVERIFY(typed.layout()->lineCount() >= 2);
    for (int i = 0; i < typed.layout()->lineCount(); ++i)
        QVERIFY(typed.layout()->lineAt(i).naturalTextWidth() <= room);
}

void TestInfistr::page()
{
    infistr *window = open();
    QCOMPARE(window->windowTitle(), u"Istruzioni e informazioni sul gioco"_s);
    QCOMPARE(window->size(), QSize(469, 540));
    QCOMPARE(window->minimumSize(), window->maximumSize()); // the page is fixed
    QCOMPARE(child<QPushButton>(window, "Command1")->text(), u"Torna al gioco"_s);
}

void TestInfistr::controlPlace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("the instructions fill the left column") << u"Text1"_s << QRect(8, 0, 217, 409);
    QTest::newRow("the information tops the right column") << u"Text2"_s << QRect(240, 0, 225, 209);
    QTest::newRow("the photo sits under the information")
        << u"Picture1"_s << QRect(240, 208, 213, 293);
    QTest::newRow("the return button is under the rule") << u"Command1"_s << QRect(192, 512, 89, 25);
}

void TestInfistr::controlPlace()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    infistr *window = open();
    auto *control = window->findChild<QWidget *>(name);
    QVERIFY(control);
    QVERIFY(control->isVisible());
    QCOMPARE(control->geometry(), place);
}

void TestInfistr::photoFillsItsBox()
{
    infistr *window = open();
    auto *picture = child<QLabel>(window, "Picture1");
    const QImage photo = picture->pixmap().toImage();
    QCOMPARE(photo.size(), QSize(213, 293));
    QCOMPARE(picture->contentsRect(), picture->rect());
    // The box shows the photograph itself, to its corners.
    const QImage shown = window->grab(picture->geometry()).toImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(212, 0), QPoint(0, 292), QPoint(212, 292),
                           QPoint(106, 146)})
        QCOMPARE(shown.pixelColor(p), photo.pixelColor(p));
}

void TestInfistr::tabOrderRunsTextsThenButton()
{
    infistr *window = open();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto *text1 = child<QPlainTextEdit>(window, "Text1");
    auto *text2 = child<QPlainTextEdit>(window, "Text2");
    auto *button = child<QPushButton>(window, "Command1");
    QCOMPARE(QApplication::focusWidget(), text1);
    QTest::keyClick(text1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), text2);
    QTest::keyClick(text2, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button);
    // The photograph takes no focus: Tab comes round to the instructions again.
    QTest::keyClick(button, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), text1);
    QCOMPARE(text1->toPlainText(), asShown(infistr::instructionsText())); // no tab typed
}

void TestInfistr::openingTwiceKeepsOneWindow()
{
    QVERIFY(instructionsOnShow() == nullptr);
    infistr *first = open();
    QCOMPARE(instructionsOnShow(), first);
    // Modeless and owned by nobody, so the main window stays usable.
    QVERIFY(first->isWindow() && first->parentWidget() == nullptr);
    QVERIFY(QApplication::activeModalWidget() == nullptr);

    auto *text1 = child<QPlainTextEdit>(first, "Text1");
    QTest::keyClicks(text1, u"kept"_s);
    first->showMinimized();
    infistr *second = open();
    QCOMPARE(second, first);
    QCOMPARE(instructionWindows().size(), 1);
    QVERIFY(second->isVisible());
    QVERIFY(!second->isMinimized());
    QVERIFY(text1->toPlainText().contains(u"kept"_s)); // the same window, typing and all
}

void TestInfistr::returnButtonDestroysAndReopeningRestoresTexts()
{
    QPointer<infistr> first = open();
    auto *text1 = child<QPlainTextEdit>(first, "Text1");
    auto *text2 = child<QPlainTextEdit>(first, "Text2");
    QTest::keyClicks(text1, u"scritto"_s);
    QTest::keyClicks(text2, u"anche qui"_s);
    QVERIFY(text1->toPlainText().contains(u"scritto"_s));
    QVERIFY(text2->toPlainText().contains(u"anche qui"_s));

    QTest::mouseClick(child<QPushButton>(first, "Command1"), Qt::LeftButton);
    QVERIFY(instructionsOnShow() == nullptr);
    QTRY_VERIFY(first.isNull());
    QVERIFY(instructionWindows().isEmpty());

    infistr *again = open();
    QCOMPARE(child<QPlainTextEdit>(again, "Text1")->toPlainText(),
             asShown(infistr::instructionsText()));
    QCOMPARE(child<QPlainTextEdit>(again, "Text2")->toPlainText(),
             asShown(infistr::informationText()));
}

void TestInfistr::desktopCloseDestroysToo()
{
    QPointer<infistr> window = open();
    QVERIFY(window->close());
    QVERIFY(instructionsOnShow() == nullptr);
    QTRY_VERIFY(window.isNull());
}

void TestInfistr::reopeningRightAfterClosingShowsAFreshWindow()
{
    QPointer<infistr> closed = open();
    QTest::keyClicks(child<QPlainTextEdit>(closed, "Text1"), u"via"_s);
    closed->close();
    // Opened again before the closed window has been deleted: it must not come back.
    QPointer<infistr> fresh = open();
    QVERIFY(fresh != closed);
    QVERIFY(fresh->isVisible());
    QCOMPARE(child<QPlainTextEdit>(fresh, "Text1")->toPlainText(),
             asShown(infistr::instructionsText()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closed.isNull());
    QCOMPARE(instructionWindows(), QList<infistr *>{fresh.data()});
}

void TestInfistr::backgroundIsGreen_data()
{
    QTest::addColumn<QPoint>("spot");
    QTest::newRow("the top-right corner beside the information") << QPoint(467, 2);
    QTest::newRow("below the instructions") << QPoint(100, 450);
    QTest::newRow("beside the return button") << QPoint(320, 525);
    QTest::newRow("between the instructions and the divider") << QPoint(228, 300);
}

void TestInfistr::backgroundIsGreen()
{
    QFETCH(QPoint, spot);
    infistr *window = open();
    QVERIFY(window->childAt(spot) == nullptr);
    QCOMPARE(window->grab().toImage().pixel(spot), kGreen);
}

void TestInfistr::textInk_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("blue");
    QTest::newRow("the instructions are written in blue") << u"Text1"_s << true;
    QTest::newRow("the information is written in red") << u"Text2"_s << false;
}

void TestInfistr::textInk()
{
    QFETCH(QString, box);
    QFETCH(bool, blue);
    infistr *window = open();
    const QImage image = window->findChild<QPlainTextEdit *>(box)->grab().toImage();
    // Green paper behind the text, inside the frame: both first lines end well short of it.
    QCOMPARE(image.pixel(image.width() - 4, 4), kGreen);
    QVERIFY(pixelsInked(image, blue) > 200);
    QCOMPARE(pixelsInked(image, !blue), 0);
}

void TestInfistr::dividersAreNotCovered()
{
    infistr *window = open();
    const QImage page = window->grab().toImage();
    const QRgb ink = window->palette().color(QPalette::WindowText).rgb();
    QVERIFY(ink != kGreen);
    for (int y = 0; y <= 504; ++y)
        QVERIFY2(page.pixel(232, y) == ink, qPrintable(u"column divider at y %1"_s.arg(y)));
    for (int x = 0; x < page.width(); ++x)
        QVERIFY2(page.pixel(x, 504) == ink, qPrintable(u"rule at x %1"_s.arg(x)));
    // Thin lines: their neighbours are green.
    QCOMPARE(page.pixel(231, 300), kGreen);
    QCOMPARE(page.pixel(233, 300), kGreen);
    QCOMPARE(page.pixel(100, 503), kGreen);
    QCOMPARE(page.pixel(100, 505), kGreen);
}

void TestInfistr::returnButtonFollowsDesktopColour()
{
    infistr *window = open();
    auto *button = child<QPushButton>(window, "Command1");
    // A spot on the face clear of the caption and the frame. The style shades the face with a
    // gentle gradient, so the colour is matched loosely and by its hue.
    const QPoint face(6, button->height() / 2);
    auto faceColour = [&] { return button->grab().toImage().pixelColor(face); };
    auto near = [](const QColor &a, const QColor &b) {
        if (b.hsvSaturation() < 40)
            return a.hsvSaturation() < 40 && qAbs(a.value() - b.value()) <= 24;
        return qAbs(a.hsvHue() - b.hsvHue()) <= 6 && a.hsvSaturation() > b.hsvSaturation() / 2;
    };
    QVERIFY2(near(faceColour(), ui::desktopColour()), qPrintable(faceColour().name()));

    // A new desktop theme while the window is open.
    const QPalette original = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
    QPalette desktop = original;
    desktop.setColor(QPalette::Window, QColor(200, 120, 40));
    QApplication::setPalette(desktop);
    QTRY_VERIFY2(near(faceColour(), QColor(200, 120, 40)), qPrintable(faceColour().name()));
    // The page itself stays green whatever the desktop.
    QCOMPARE(window->grab().toImage().pixel(320, 525), kGreen);
}

void TestInfistr::iconsAreSmallAndDistinct()
{
    infistr *window = open();
    const QIcon icon = window->windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));

    const QImage own = icon.pixmap(32, 32).toImage();
    const QImage main(u":/assets/girolettera.xpm"_s);
    QCOMPARE(own.size(), QSize(32, 32));
    QCOMPARE(main.size(), QSize(32, 32));
    for (const QImage &image : {own, main}) {
        QVERIFY(colourCount(image) <= 16);
        QVERIFY(colourCount(image) >= 4); // a picture, not a blank square
    }
    QVERIFY(own.convertToFormat(QImage::Format_ARGB32)
            != main.convertToFormat(QImage::Format_ARGB32));
}

void TestInfistr::photoIsBaselineJfif()
{
    QImageReader reader(u":/assets/foto.jpg"_s);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.size(), QSize(213, 293));
    const QImage photo = reader.read();
    QVERIFY(!photo.isNull());
    QVERIFY(!photo.isGrayscale());

    QFile file(u":/assets/foto.jpg"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    auto byte = [&](qsizetype i) { return i < bytes.size() ? quint8(bytes[i]) : 0; };
    auto word = [&](qsizetype i) { return byte(i) << 8 | byte(i + 1); };
    QCOMPARE(word(0), 0xFFD8);
    QCOMPARE(word(2), 0xFFE0); // APP0 comes first…
    QCOMPARE(bytes.mid(6, 5), QByteArray("JFIF\0", 5)); // …and is the JFIF one

    // Walk the segments up to the first frame header.
    qsizetype at = 2;
    int frame = 0;
    while (at + 4 <= bytes.size() && byte(at) == 0xFF) {
        const int marker = byte(at + 1);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8
            && marker != 0xCC) {
            frame = marker;
            break;
        }
        at += 2 + word(at + 2);
    }
    QCOMPARE(frame, 0xC0); // baseline, not progressive or extended
    QCOMPARE(byte(at + 4), 8); // sample precision
    QCOMPARE(word(at + 5), 293);
    QCOMPARE(word(at + 7), 213);
    QCOMPARE(byte(at + 9), 3); // components
}

QTEST_MAIN(TestInfistr)
#include "tst_infistr.moc"
