// The windows on a high-density screen, at the scale in QT_SCALE_FACTOR: their size in device
// pixels, round discs, track lines lying on the discs' edges, every box and disc with its whole
// outline, no caption or box text cut off, at this scale and at the normal one, and marks on
// the discs that tell the letters' states apart without their colours.
//
// CTest runs this program at the scales desktops offer, 1, 1.25, 1.5, 1.75 and 2; run by hand
// without QT_SCALE_FACTOR, it scales by two. The check for clipped text runs again in a child
// process at scale 1.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>

#include <algorithm>
#include <cmath>

#include "colourvision.h"
#include "content/bank.h"
#include "design.h"
#include "rungame.h"
#include "form1.h"
#include "infistr.h"
#include "letterboard.h"
#include "windows.h"
#include "testsupport.h"
#include "wrapbutton.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kMainWindow[] = "Form1";
constexpr char kInstructions[] = "infistr";

ui::BoardDisc *boardDisc(QWidget *form, int k)
{
    for (ui::BoardDisc *disc : form->findChildren<ui::BoardDisc *>(u"Shape1"_s))
        if (disc->index() == k)
            return disc;
    return nullptr;
}

// A disc as the board draws it, alone on a transparent ground at the screen's scale: without
// the lines, the letter or the window behind it.
QImage alone(ui::BoardDisc *disc, QWidget *form)
{
    const qreal scale = form->devicePixelRatioF();
    QImage image(disc->geometry().size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    ui::paintDisc(painter, QRect(QPoint(), disc->geometry().size()), ui::stateColour(disc->state()),
                  form->palette().color(QPalette::WindowText));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString describe(QRect r)
{
    return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool isDark(QRgb pixel)
{
    return qAlpha(pixel) > 127 && qGray(pixel) < 96;
}

// Where a widget draws its text, and how it lays it out there, as the widget itself does.
struct TextArea {
    QRect rect;
    int flags = 0;
};

TextArea textArea(QWidget *widget)
{
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        return {label->contentsRect(), int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0)};
    }
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.features = button->autoDefault() || button->isDefault() ? QStyleOptionButton::AutoDefaultButton
                                                                        : QStyleOptionButton::None;
        const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const bool wraps = qobject_cast<ui::WrapButton *>(button) != nullptr;
        return {contents, Qt::AlignCenter | (wraps ? Qt::TextWordWrap : 0)};
    }
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.rect = edit->rect();
        option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        option.midLineWidth = 0;
        option.state |= QStyle::State_Sunken;
        QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        contents = contents.marginsRemoved(edit->textMargins());
        // The line edit keeps two pixels free at each side of its text.
        return {contents.adjusted(2, 0, -2, 0), int(edit->alignment())};
    }
    return {};
}

// The window once every letter has been answered the same way (right, wrong or passed), or
// none yet: a game of its own, which draws question 1 for every letter.
QImage boardWithEvery(engine::LetterState state)
{
    using engine::LetterState;
    ScriptedRandom random = ScriptedRandom::drawing(QList<int>(content::kLetterCount, 1));
    FixedTimeOfDay clock;
    Form1 game(&random, &clock);
    game.show();
    if (!QTest::qWaitForWindowExposed(&game))
        return {};
    QTest::mouseClick(game.findChild<QWidget *>(u"Gioca"_s), Qt::LeftButton);
    for (int k = 1; k <= content::kLetterCount && state != LetterState::Pending; ++k) {
        const QString typed = state == LetterState::Correct ? content::rispos(k, 1).toString()
                              : state == LetterState::Wrong ? u"no"_s
                                                             : u"girolettera"_s;
        game.findChild<QLineEdit *>(u"Text2"_s)->setText(typed);
        QTest::mouseClick(game.findChild<QWidget *>(u"Avanti"_s), Qt::LeftButton);
    }
    for (int k = 1; k <= content::kLetterCount; ++k)
        if (game.state().letter(k) != state)
            return {};
    return game.grab().toImage();
}

// The device pixels of a disc's square in a picture of the window.
QRect devicePixels(ui::BoardDisc *disc, qreal scale)
{
    const QRect box = disc->geometry();
    return QRect(qRound(box.left() * scale), qRound(box.top() * scale), qRound(box.width() * scale),
                 qRound(box.height() * scale));
}

// How light a pixel is to a player who sees the window as `view` does: the relative luminance
// of what the view shows, as an sRGB grey level 0..255.
int greyLevel(QRgb pixel, colourvision::View view)
{
    using colourvision::View;
    static const colourvision::Matrix grey = colourvision::matrixOf(View::Greyscale);
    return qRed(colourvision::seen(colourvision::seen(pixel, colourvision::matrixOf(view)), grey));
}

double contrastOfGreys(int a, int b)
{
    const double la = colourvision::toLinear(a), lb = colourvision::toLinear(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestHighDensity : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowsTakeTheScale_data();
    void windowsTakeTheScale();
    void discsAreRound_data();
    void discsAreRound();
    void linesLieOnTheDiscEdges_data();
    void linesLieOnTheDiscEdges();
    void outlinesAreWhole_data();
    void outlinesAreWhole();
    void noTextClipped_data();
    void noTextClipped();
    void noTextClippedAtScaleOne();
    void marksTellTheStatesApart_data();
    void marksTellTheStatesApart();

private:
    QWidget *window(const QByteArray &which);
    qreal scale() const { return form->devicePixelRatioF(); }

    ScriptedRandom random;
    FixedTimeOfDay clock;
    QPointer<Form1> form;
};

void TestHighDensity::initTestCase()
{
    ui::prepareApplication();
}

void TestHighDensity::init()
{
    random = ScriptedRandom::drawing(QList<int>(content::kLetterCount, 1));
    form = new Form1(&random, &clock);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
}

void TestHighDensity::cleanup()
{
    delete form;
    deleteInstructions();
}

QWidget *TestHighDensity::window(const QByteArray &which)
{
    if (which == kMainWindow)
        return form;
    infistr *instructions = openInstructions(form);
    if (!QTest::qWaitForWindowExposed(instructions))
        return nullptr;
    return instructions;
}

void TestHighDensity::windowsTakeTheScale_data()
{
    QTest::addColumn<QByteArray>("which");
    QTest::addColumn<QSize>("size");
    QTest::newRow("the main window") << QByteArray(kMainWindow) << QSize(401, 381);
    QTest::newRow("the instructions window") << QByteArray(kInstructions) << QSize(469, 540);
}

void TestHighDensity::windowsTakeTheScale()
{
    QFETCH(QByteArray, which);
    QFETCH(QSize, size);
    QWidget *shown = window(which);
    QVERIFY(shown);
    QCOMPARE(shown->size(), size);
    QCOMPARE(shown->devicePixelRatio(), scale());
    const QPixmap picture = shown->grab();
    QCOMPARE(picture.devicePixelRatio(), scale());
    QCOMPARE(picture.size(), size * scale());
}

void TestHighDensity::discsAreRound_data()
{
    QTest::addColumn<int>("k");
    for (int k = 1; k <= content::kLetterCount; ++k)
        QTest::addRow("disc %c", content::letterAt(k).toLatin1()) << k;
}

// The disc alone, without the lines, the letter or the window behind it: what it paints is a
// circle that fills its box, and the corners of the box are left bare.
void TestHighDensity::discsAreRound()
{
    QFETCH(int, k);
    ui::BoardDisc *disc = boardDisc(form, k);
    QVERIFY(disc);
    const QImage image = alone(disc, form);
    QCOMPARE(image.size(), disc->geometry().size() * scale());

    const int size = image.width();
    // The disc's own size on the device, which the picture's whole pixels may round up.
    const qreal radius = disc->geometry().width() * image.devicePixelRatio() / 2.0;
    QRect painted;
    for (int y = 0; y < size; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < size; ++x) {
            if (qAlpha(image.pixel(x, y)) > 127) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        const qreal dy = y + 0.5 - radius;
        const qreal chord = 2 * std::sqrt(std::max(0.0, radius * radius - dy * dy));
        const int width = first < 0 ? 0 : last - first + 1;
        QVERIFY2(qAbs(width - chord) <= 2.0,
                 qPrintable(u"row %1 is %2 pixels wide, a circle is %3 there"_s.arg(y).arg(width).arg(chord)));
        if (first >= 0) {
            // Centred: as much bare on the left as on the right.
            QVERIFY2(qAbs(first - (size - 1 - last)) <= 1,
                     qPrintable(u"row %1 runs from %2 to %3"_s.arg(y).arg(first).arg(last)));
            painted |= QRect(first, y, width, 1);
        }
    }
    QVERIFY2(qAbs(painted.width() - painted.height()) <= 1,
             qPrintable(u"the disc is %1 by %2"_s.arg(painted.width()).arg(painted.height())));
    QVERIFY(painted.width() >= size - 2);
    for (QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)})
        QCOMPARE(qAlpha(image.pixel(corner)), 0);
}

void TestHighDensity::linesLieOnTheDiscEdges_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<Qt::Edge>("edge");
    struct Probe {
        const char *line;
        QString letters;
        Qt::Edge edge;
    };
    const Probe probes[] = {
        {"Line1", u"ABCDE"_s, Qt::LeftEdge},   {"Line19", u"ABCDE"_s, Qt::RightEdge},
        {"Line17", u"HIL"_s, Qt::LeftEdge},    {"Line3", u"GHIL"_s, Qt::RightEdge},
        {"Line7", u"OPQR"_s, Qt::LeftEdge},    {"Line13", u"OPQ"_s, Qt::RightEdge},
        {"Line11", u"UVZ"_s, Qt::LeftEdge},    {"Line9", u"TUVZ"_s, Qt::RightEdge},
        {"Line20", u"A"_s, Qt::TopEdge},       {"Line15", u"MN"_s, Qt::TopEdge},
        {"Line18", u"F"_s, Qt::TopEdge},       {"Line12", u"S"_s, Qt::TopEdge},
        {"Line2", u"EFG"_s, Qt::BottomEdge},   {"Line8", u"RST"_s, Qt::BottomEdge},
    };
    for (const Probe &probe : probes) {
        for (QChar letter : probe.letters) {
            int k = 1;
            while (content::letterAt(k) != letter)
                ++k;
            QTest::addRow("%s on the edge of disc %c", probe.line, letter.toLatin1()) << k << probe.edge;
        }
    }
}

// Across the edge, through the middle of the disc, the window shows dark pixels exactly where
// the disc alone draws its outline: the line is neither beside the outline nor inside it.
void TestHighDensity::linesLieOnTheDiscEdges()
{
    QFETCH(int, k);
    QFETCH(Qt::Edge, edge);
    ui::BoardDisc *disc = boardDisc(form, k);
    QVERIFY(disc);
    const QImage window = form->grab().toImage();
    const QImage discAlone = alone(disc, form);
    const qreal scale = window.devicePixelRatio();
    const QPoint origin = disc->geometry().topLeft() * scale;
    const int size = discAlone.width();

    // Device pixels across the edge, from four outside it to four inside it.
    QList<QPoint> across;
    for (int step = -4; step <= 4; ++step) {
        switch (edge) {
        case Qt::LeftEdge:
            across.append({step, size / 2});
            break;
        case Qt::RightEdge:
            across.append({size - 1 - step, size / 2});
            break;
        case Qt::TopEdge:
            across.append({size / 2, step});
            break;
        case Qt::BottomEdge:
            across.append({size / 2, size - 1 - step});
            break;
        }
    }
    QString outline, shown;
    for (QPoint at : across) {
        const bool inDisc = discAlone.rect().contains(at) && isDark(discAlone.pixel(at));
        outline += inDisc ? u'#' : u'.';
        shown += isDark(window.pixel(origin + at)) ? u'#' : u'.';
    }
    QVERIFY2(outline.contains(u'#'), "the disc draws no outline there");
    // One pixel wide, in device pixels: as many as one pixel of the window covers. Across a
    // fractional number of device pixels the line, drawn sharp, may take one more than the
    // smoothed outline's dark ones, beside them; at a whole scale the two are the same.
    const auto wide = [scale](const QString &pixels) {
        const qsizetype width = pixels.count(u'#');
        return width >= std::floor(scale) && width <= std::ceil(scale)
            && pixels.indexOf(u'#') + width - 1 == pixels.lastIndexOf(u'#');
    };
    QVERIFY2(wide(outline), qPrintable(outline));
    QVERIFY2(wide(shown), qPrintable(u"the window shows %1 where the disc draws %2"_s.arg(shown, outline)));
    for (qsizetype i = 0; i < outline.size(); ++i)
        QVERIFY2(outline[i] == u'.' || shown[i] == u'#',
                 qPrintable(u"the window shows %1 where the disc draws %2"_s.arg(shown, outline)));
}

void TestHighDensity::outlinesAreWhole_data()
{
    QTest::addColumn<QByteArray>("which");
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("k"); // a disc of the board, or 0
    const QByteArray main(kMainWindow);
    QTest::newRow("the question box") << main << u"Text1"_s << 0;
    QTest::newRow("the answer box") << main << u"Text2"_s << 0;
    QTest::newRow("the score box") << main << u"Text3"_s << 0;
    QTest::newRow("the time box") << main << u"Text4"_s << 0;
    QTest::newRow("the current letter") << main << u"Label6"_s << 0;
    for (int k = 1; k <= content::kLetterCount; ++k)
        QTest::addRow("disc %c", content::letterAt(k).toLatin1()) << main << u"Shape1"_s << k;
    QTest::newRow("the instructions") << QByteArray(kInstructions) << u"Text1"_s << 0;
    QTest::newRow("the information") << QByteArray(kInstructions) << u"Text2"_s << 0;
}

// Across each of the four edges, through the middle of the box or disc, the outermost device
// pixels it paints hold its outline: a colour that stands out from its inside. A line that
// lands across a device pixel must still be drawn, not wiped by what the box holds.
void TestHighDensity::outlinesAreWhole()
{
    QFETCH(QByteArray, which);
    QFETCH(QString, object);
    QFETCH(int, k);
    QWidget *shown = window(which);
    QVERIFY(shown);
    QRect place;
    QColor inside;
    if (k) {
        ui::BoardDisc *disc = boardDisc(form, k);
        QVERIFY(disc);
        place = disc->geometry();
        inside = ui::desktopColour(); // every letter still to play
    } else {
        auto *widget = shown->findChild<QWidget *>(object);
        QVERIFY(widget);
        place = QRect(widget->mapTo(shown, QPoint()), widget->size());
        inside = widget->palette().color(qobject_cast<QLabel *>(widget) ? QPalette::Window : QPalette::Base);
    }
    const QImage picture = shown->grab().toImage();
    const qreal ratio = picture.devicePixelRatio();
    // The device pixels the box paints: its edges rounded to the nearest.
    const QRectF exact(QPointF(place.topLeft()) * ratio, QSizeF(place.size()) * ratio);
    const QRect pixels(QPoint(qRound(exact.left()), qRound(exact.top())),
                       QPoint(qRound(exact.right()) - 1, qRound(exact.bottom()) - 1));
    const auto standsOut = [&inside](QRgb pixel) {
        const QColor c(pixel);
        return std::max({qAbs(c.red() - inside.red()), qAbs(c.green() - inside.green()), qAbs(c.blue() - inside.blue())})
            >= 40;
    };
    const int depth = int(std::ceil(ratio)); // one pixel of the window, in device pixels
    const QPoint middle = pixels.center();
    const struct {
        const char *edge;
        QPoint from;
        QPoint inward;
    } edges[] = {{"top", {middle.x(), pixels.top()}, {0, 1}},
                 {"bottom", {middle.x(), pixels.bottom()}, {0, -1}},
                 {"left", {pixels.left(), middle.y()}, {1, 0}},
                 {"right", {pixels.right(), middle.y()}, {-1, 0}}};
    for (const auto &edge : edges) {
        QString seen;
        bool found = false;
        for (int step = 0; step < depth; ++step) {
            const QRgb pixel = picture.pixel(edge.from + edge.inward * step);
            found = found || standsOut(pixel);
            seen += QColor(pixel).name() + u' ';
        }
        QVERIFY2(found, qPrintable(u"at scale %1 the %2 edge of %3 is gone: %4inside %5"_s.arg(ratio)
                                       .arg(QLatin1StringView(edge.edge), describe(pixels), seen, inside.name())));
    }
}

void TestHighDensity::noTextClipped_data()
{
    QTest::addColumn<QByteArray>("which");
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("text");

    const QByteArray main(kMainWindow);
    QTest::newRow("the instructions button") << main << u"Istruzioni"_s << u"Istruzioni e informazioni sul gioco"_s;
    QTest::newRow("GIOCA") << main << u"Gioca"_s << u"GIOCA"_s;
    QTest::newRow("AVANTI") << main << u"Avanti"_s << u"AVANTI"_s;
    QTest::newRow("ESCI") << main << u"Esci"_s << u"ESCI"_s;
    QTest::newRow("PUNTEGGIO") << main << u"Label4"_s << u"PUNTEGGIO"_s;
    QTest::newRow("TEMPO") << main << u"Label5"_s << u"TEMPO"_s;
    QTest::newRow("LETTERA") << main << u"Label7"_s << u"LETTERA"_s;
    QTest::newRow("DOMANDA") << main << u"Label2"_s << u"DOMANDA"_s;
    QTest::newRow("RISPOSTA") << main << u"Label3"_s << u"RISPOSTA"_s;
    QTest::newRow("the full score") << main << u"Text3"_s << u"21"_s;
    QTest::newRow("the full time") << main << u"Text4"_s << u"160"_s;
    QTest::newRow("an answer") << main << u"Text2"_s << u"risposta"_s;
    for (int k = 1; k <= content::kLetterCount; ++k) {
        const char letter = content::letterAt(k).toLatin1();
        QTest::addRow("the current letter %c", letter) << main << u"Label6"_s << QString(QLatin1Char(letter));
    }
    QTest::newRow("the return button") << QByteArray(kInstructions) << u"Command1"_s << u"Torna al gioco"_s;
}

void TestHighDensity::noTextClipped()
{
    QFETCH(QByteArray, which);
    QFETCH(QString, object);
    QFETCH(QString, text);
    QWidget *shown = window(which);
    QVERIFY(shown);
    QWidget *widget = shown->findChild<QWidget *>(object);
    QVERIFY(widget);

    const TextArea area = textArea(widget);
    QVERIFY2(area.rect.isValid(), "no room for text at all");
    const QFontMetrics metrics = widget->fontMetrics();
    const QRect lines = metrics.boundingRect(area.rect, area.flags, text);
    // What must not be cut is the ink. One line of capitals has no descenders, so its line
    // may reach below a caption label by a pixel without a pixel of a letter being lost;
    // wrapped text is held to its whole lines.
    QRect ink = lines;
    if (!(area.flags & Qt::TextWordWrap))
        ink = metrics.tightBoundingRect(text).translated(lines.left(), lines.top() + metrics.ascent());
    const QString where = u"at scale %1, \"%2\" (lines %3, ink %4) in %5"_s.arg(widget->devicePixelRatio())
                              .arg(text, describe(lines), describe(ink), describe(area.rect));
    QVERIFY2(lines.left() >= area.rect.left() && lines.right() <= area.rect.right(), qPrintable(where));
    QVERIFY2(area.rect.contains(ink), qPrintable(where));
}

void TestHighDensity::noTextClippedAtScaleOne()
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_SCALE_FACTOR"_s, u"1"_s);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {u"noTextClipped"_s});
    QVERIFY(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    // Every row ran there, not just the start of the program.
    QCOMPARE(output.count("PASS   : TestHighDensity::noTextClipped("), 13 + content::kLetterCount);
}

void TestHighDensity::marksTellTheStatesApart_data()
{
    using colourvision::View;
    QTest::addColumn<int>("view");
    QTest::addColumn<bool>("letterContrast");
    QTest::newRow("in greyscale") << int(View::Greyscale) << true;
    QTest::newRow("without red cones (protanopia)") << int(View::Protanopia) << false;
    QTest::newRow("without green cones (deuteranopia)") << int(View::Deuteranopia) << false;
    QTest::newRow("without blue cones (tritanopia)") << int(View::Tritanopia) << false;
}

// Every disc in each of its four states, as players who cannot tell the states' colours apart
// see it: by lightness alone, any two states of a disc differ by 40 grey levels or more over a
// twentieth of its square at least, which a glance takes in, not a detail of a few pixels.
// And round its strokes the letter keeps a contrast of 4.5:1 with whatever lies there. The
// greyscale is the colours' relative luminance, all a contrast ratio is made of, so that is
// asked there; not in the simulations, where red itself turns dark for a player without red
// cones and black on it reads about 3:1 whatever the board draws.
void TestHighDensity::marksTellTheStatesApart()
{
    using engine::LetterState;
    QFETCH(int, view);
    QFETCH(bool, letterContrast);
    const struct {
        LetterState state;
        const char *name;
    } kinds[] = {{LetterState::Pending, "pending"},
                 {LetterState::Correct, "right"},
                 {LetterState::Wrong, "wrong"},
                 {LetterState::Passed, "passed"}};
    QImage boards[4];
    for (int i = 0; i < 4; ++i) {
        boards[i] = boardWithEvery(kinds[i].state);
        QVERIFY2(!boards[i].isNull(), kinds[i].name);
        QCOMPARE(boards[i].devicePixelRatio(), scale());
    }
    QHash<QRgb, int> greys;
    const auto grey = [&greys, view](QRgb pixel) {
        const auto found = greys.constFind(pixel);
        return found != greys.cend() ? *found : *greys.insert(pixel, greyLevel(pixel, colourvision::View(view)));
    };

    for (int k = 1; k <= content::kLetterCount; ++k) {
        const QRect square = devicePixels(boardDisc(form, k), scale());
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j) {
                int apart = 0;
                for (int y = square.top(); y <= square.bottom(); ++y)
                    for (int x = square.left(); x <= square.right(); ++x)
                        apart += qAbs(grey(boards[i].pixel(x, y)) - grey(boards[j].pixel(x, y))) >= 40;
                const double share = 100.0 * apart / (square.width() * square.height());
                QVERIFY2(share >= 5,
                         qPrintable(u"disc %1 %2 and %3 differ over %4 % of its square"_s.arg(content::letterAt(k))
                                        .arg(QLatin1StringView(kinds[i].name), QLatin1StringView(kinds[j].name))
                                        .arg(share, 0, 'f', 1)));
            }
        }
    }

    if (!letterContrast)
        return;
    const QImage &pending = boards[0];
    const int reach = int(std::ceil(scale())); // one pixel of the window
    for (int k = 1; k <= content::kLetterCount; ++k) {
        // On a pending disc's square the letter is all there is besides the square's colour:
        // what it touches, and its strokes, where it is all ink.
        const QRect square = devicePixels(boardDisc(form, k), scale());
        const QRect area(square.topLeft() + QPoint(8, 8) * scale(), QSize(17, 17) * scale());
        const QRgb paper = pending.pixel(area.topLeft());
        QList<QPoint> touched, strokes, round;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (pending.pixel(x, y) != paper)
                    touched.append({x, y});
        QVERIFY(!touched.isEmpty());
        const int inkGrey = grey(pending.pixel(*std::min_element(
            touched.cbegin(), touched.cend(), [&](QPoint a, QPoint b) { return grey(pending.pixel(a)) < grey(pending.pixel(b)); })));
        for (QPoint at : touched)
            if (grey(pending.pixel(at)) == inkGrey)
                strokes.append(at);
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (pending.pixel(x, y) == paper
                    && std::any_of(touched.cbegin(), touched.cend(), [&](QPoint at) {
                           return qAbs(at.x() - x) <= reach && qAbs(at.y() - y) <= reach;
                       }))
                    round.append({x, y});
        for (int i = 1; i < 4; ++i) {
            int ink = 0; // the lightest of the letter's strokes
            for (QPoint at : strokes)
                ink = std::max(ink, grey(boards[i].pixel(at)));
            for (QPoint at : round) {
                const double contrast = contrastOfGreys(grey(boards[i].pixel(at)), ink);
                QVERIFY2(contrast >= 4.5,
                         qPrintable(u"the %1 letter %2 has a contrast of %3:1 at %4,%5 of its disc"_s
                                        .arg(QLatin1StringView(kinds[i].name), content::letterAt(k))
                                        .arg(contrast, 0, 'f', 2)
                                        .arg(at.x() - square.left())
                                        .arg(at.y() - square.top())));
            }
        }
    }
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHighDensity test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
