#include "letterboard.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QImage>
#include <QtMath>

#include <cmath>

#include "accessibility.h"
#include "design.h"

namespace ui {

using engine::LetterState;

namespace {

// The board's places in twips, as the window was laid out.
struct DiscPlace {
    int left;
    int top;
};
constexpr DiscPlace kDiscPlaces[content::kLetterCount] = {
    {960, 1320},  {960, 1800},  {960, 2280},  {960, 2760},  {960, 3240},  // A B C D E
    {1440, 3240},                                                          // F
    {1920, 3240}, {1920, 2760}, {1920, 2280}, {1920, 1800},               // G H I L
    {2160, 1320}, {2640, 1320},                                            // M N
    {2880, 1800}, {2880, 2280}, {2880, 2760}, {2880, 3240},               // O P Q R
    {3360, 3240},                                                          // S
    {3840, 3240}, {3840, 2760}, {3840, 2280}, {3840, 1800},               // T U V Z
};
constexpr int kDiscSizeTwips = 495;
constexpr int kLetterSizeTwips = 255;
constexpr int kLetterInsetTwips = 120;

struct TwipsLine {
    int x1, y1, x2, y2;
};
// `Line1` to `Line29`. The first 25 are the track's, drawn by the board; the last four frame
// the current letter and are drawn by its label, on whose edge they lie.
constexpr TwipsLine kLines[29] = {
    // The closed outline around the track.
    {960, 1320, 960, 3720},   {960, 3720, 2400, 3720},  {2400, 3720, 2400, 1920},
    {2400, 1920, 2520, 1800}, {2520, 1800, 2760, 1800}, {2760, 1800, 2880, 1920},
    {2880, 1920, 2880, 3720}, {2880, 3720, 4320, 3720}, {4320, 3720, 4320, 1800},
    {4320, 1800, 3840, 1800}, {3840, 1800, 3840, 3240}, {3840, 3240, 3360, 3240},
    {3360, 3240, 3360, 1800}, {3360, 1800, 3000, 1320}, {3000, 1320, 2280, 1320},
    {2280, 1320, 1920, 1800}, {1920, 1800, 1920, 3240}, {1920, 3240, 1440, 3240},
    {1440, 3240, 1440, 1320}, {960, 1320, 1440, 1320},
    // Line21 lies on Line20.
    {960, 1320, 1440, 1320},
    // The caps over the start (above A) and the end (above Z) of the track.
    {960, 1320, 1200, 1080},  {1200, 1080, 1440, 1320},
    {3840, 1800, 4080, 1560}, {4320, 1800, 4080, 1560},
    // The frame of the current-letter label.
    {4560, 1920, 4560, 3600}, {4560, 3600, 5880, 3600}, {5880, 1920, 5880, 3600},
    {4560, 1920, 5880, 1920},
};
constexpr int kTrackLineCount = 25;

QRect windowDiscRect(int k)
{
    const DiscPlace &place = kDiscPlaces[k - 1];
    return twipsRect(place.left, place.top, kDiscSizeTwips, kDiscSizeTwips);
}

QLine windowLine(const TwipsLine &line)
{
    return QLine(fromTwips(line.x1), fromTwips(line.y1), fromTwips(line.x2), fromTwips(line.y2));
}

// The pixels a line may touch.
QRect lineBounds(const QLine &line)
{
    return QRect(line.p1(), line.p2()).normalized().adjusted(-1, -1, 1, 1);
}

// Thin lines through the middle of the pixels, so a line covers the same pixels as a disc's
// outline at every scale.
void paintLines(QPainter &painter, const TwipsLine *first, const TwipsLine *last, QPoint origin,
                const QColor &ink, const QRect &dirty)
{
    painter.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::SquareCap));
    const QPointF half(0.5, 0.5);
    for (const TwipsLine *line = first; line != last; ++line) {
        const QLine at = windowLine(*line).translated(-origin);
        if (lineBounds(at).intersects(dirty))
            painter.drawLine(QPointF(at.p1()) + half, QPointF(at.p2()) + half);
    }
}

// The inks of the marks. Each keeps the black letter at 4.5:1 or more where the letter crosses
// it, and stands out from its disc by lightness, at 3:1 or more, for players who tell the
// state colours apart by nothing else: a darker green on green (4.75:1 to the letter, 3.2:1 to
// the disc), a darker yellow on yellow (5.0:1, 3.9:1), and white on red (21:1, 4.0:1), where
// an ink dark enough to show would leave the letter unreadable.
constexpr QColor kRightMarkInk{0, 140, 0};
constexpr QColor kWrongMarkInk{255, 255, 255};
constexpr QColor kPassedMarkInk{128, 128, 0};

// The mark of a letter's state, drawn on its disc under its letter, so that the board reads
// without colour: a heavy tick over the lower half for a right answer, a strike across the
// whole disc for a wrong one, and an arrow looping round the letter back towards its start for
// a passed letter, which comes round again. Pending letters carry none. Each is a shape unlike
// the others, as big as the disc allows and bolder than the letter's strokes, so none reads as
// an accent or as part of the letter. All stay inside the outline with the disc's colour round
// them, and all leave the disc's foot, below the middle of the letter, in that colour.
// Laid out in the disc's own pixels, its top left at 0,0, and drawn smooth at any scale.
void drawMark(QPainter &painter, LetterState state)
{
    static_assert(fromTwips(kDiscSizeTwips) == 33);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    switch (state) {
    case LetterState::Correct: {
        QPainterPath tick;
        tick.moveTo(6, 17.5);
        tick.lineTo(12.5, 24);
        tick.lineTo(27, 9.5);
        painter.setPen(QPen(kRightMarkInk, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
        break;
    }
    case LetterState::Wrong:
        // Square ends, so the band stops short of the outline.
        painter.setPen(QPen(kWrongMarkInk, 4.5, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(6.6, 6.6), QPointF(26.4, 26.4));
        break;
    case LetterState::Passed: {
        // Counter-clockwise from the bottom right, over the letter and down its left side, where
        // the head points back across the gap to the start.
        const QPointF centre(16.5, 16.5);
        const qreal radius = 11;
        const QRectF circle(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
        const qreal from = -58, sweep = 290; // degrees, counter-clockwise from three o'clock
        QPainterPath loop;
        loop.arcMoveTo(circle, from);
        loop.arcTo(circle, from, sweep);
        painter.setPen(QPen(kPassedMarkInk, 3.25, Qt::SolidLine, Qt::FlatCap));
        painter.drawPath(loop);
        const qreal end = qDegreesToRadians(from + sweep);
        const QPointF outward(std::cos(end), -std::sin(end));
        const QPointF onward(-std::sin(end), -std::cos(end)); // the way the loop runs at its end
        const QPointF base = centre + outward * radius;
        QPainterPath head;
        head.moveTo(base + outward * 4.5);
        head.lineTo(base + onward * 6.5);
        head.lineTo(base - outward * 4.0);
        head.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(kPassedMarkInk);
        painter.drawPath(head);
        break;
    }
    case LetterState::Pending:
        break;
    }
}

// The mark of `state` on a disc, drawn once for each state and screen scale and copied from
// then on: stroked afresh at every repaint, the marks cost an AVANTI press a tenth more. The
// picture covers the disc's box, so the mark lands on the same device pixels as if it were
// drawn there.
void paintMark(QPainter &painter, const QRect &box, LetterState state, qreal scale)
{
    if (state == LetterState::Pending)
        return;
    struct Pictures {
        qreal scale = 0;
        std::array<QImage, 4> byState;
    };
    static Pictures cache;
    if (cache.scale != scale)
        cache = Pictures{scale, {}};
    QImage &picture = cache.byState[size_t(state)];
    if (picture.isNull()) {
        picture = QImage((QSizeF(box.size()) * scale).toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        QPainter onPicture(&picture);
        drawMark(onPicture, state);
    }
    painter.drawImage(box.topLeft(), picture);
}

void announceNameChange(QObject *item)
{
    QAccessibleEvent event(item, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

} // namespace

QColor stateColour(LetterState state)
{
    switch (state) {
    case LetterState::Correct:
        return oleColour(65280);
    case LetterState::Wrong:
        return oleColour(255);
    case LetterState::Passed:
        return oleColour(65535);
    case LetterState::Pending:
        break;
    }
    return desktopColour();
}

void paintDisc(QPainter &painter, const QRect &box, const QColor &fill, const QColor &outline)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(outline, 1.0));
    painter.setBrush(fill);
    // Half a pixel in, so the one-pixel outline lies on the disc's edge at every scale.
    painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setRenderHint(QPainter::Antialiasing, false);
}

BoardDisc::BoardDisc(int index, LetterBoard *board) : QObject(board), index_(index)
{
    setObjectName(QStringLiteral("Shape1"));
}

LetterBoard *BoardDisc::board() const
{
    return static_cast<LetterBoard *>(parent());
}

LetterState BoardDisc::state() const
{
    return board()->state(index_);
}

QRect BoardDisc::geometry() const
{
    return board()->discRect(index_).translated(board()->pos());
}

LetterBoard::LetterBoard(QWidget *window) : QWidget(window)
{
    installAccessibility();
    setObjectName(QStringLiteral("LetterBoard"));
    setFocusPolicy(Qt::NoFocus);
    // The board covers its discs and lines and nothing else, so the boxes beside it (the time
    // box above all, which changes every second) repaint without repainting the board.
    QRegion area;
    for (int k = 1; k <= content::kLetterCount; ++k)
        area += windowDiscRect(k);
    for (int i = 0; i < kTrackLineCount; ++i)
        area += lineBounds(windowLine(kLines[i]));
    setGeometry(area.boundingRect());
    setMask(area.translated(-pos()));
    for (int k = 1; k <= content::kLetterCount; ++k)
        discs_[k - 1] = new BoardDisc(k, this);
}

QRect LetterBoard::discRect(int k) const
{
    return windowDiscRect(k).translated(-pos());
}

void LetterBoard::setState(int k, LetterState state)
{
    if (states_[k - 1] == state)
        return;
    states_[k - 1] = state;
    update(discRect(k)); // the lines that cross it are repainted with it
    announceNameChange(discs_[k - 1]);
}

void LetterBoard::paintEvent(QPaintEvent *event)
{
    const QRect dirty = event->rect();
    const QColor ink = palette().color(QPalette::WindowText);
    QPainter painter(this);
    painter.setFont(designFont(12, true));
    // In letter order: neighbouring discs share a row or column of pixels, and the later one
    // is drawn over the earlier, as the window was designed.
    for (int k = 1; k <= content::kLetterCount; ++k) {
        const QRect box = discRect(k);
        if (!box.intersects(dirty))
            continue;
        const LetterState state = states_[k - 1];
        const QColor fill = stateColour(state);
        paintDisc(painter, box, fill, ink);
        const int inset = fromTwips(kLetterInsetTwips);
        const QRect square(box.topLeft() + QPoint(inset, inset), QSize(fromTwips(kLetterSizeTwips), fromTwips(kLetterSizeTwips)));
        painter.fillRect(square, fill);
        paintMark(painter, box, state, devicePixelRatioF());
        // On the desktop colour the letter takes the desktop's ink; on green, red and yellow the
        // ink it was designed with.
        painter.setPen(state == LetterState::Pending ? ink : kDesignInk);
        painter.drawText(square, Qt::AlignCenter, QString(content::letterAt(k)));
    }
    paintLines(painter, kLines, kLines + kTrackLineCount, pos(), ink, dirty);
}

CurrentLetterLabel::CurrentLetterLabel(QWidget *window) : QLabel(window) {}

void CurrentLetterLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    // The frame is drawn in the window's line colour, not in the label's own design ink.
    paintLines(painter, kLines + kTrackLineCount, std::end(kLines), pos(),
               parentWidget()->palette().color(QPalette::WindowText), event->rect());
}

} // namespace ui
