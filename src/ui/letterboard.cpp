#include "letterboard.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QImage>

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

// The mark of a letter's state, drawn over its disc above the letter so that it reads without
// colour: a tick for a right answer, a cross for a wrong one and an arrow curving back for a
// passed letter, which comes round again. Pending letters carry none. It is drawn as smooth
// strokes in window pixels, so it scales with the screen and stays sharp; black stands out
// on the green, red and yellow the three states fix, whatever the desktop's theme.
void drawMark(QPainter &painter, const QRect &box, LetterState state)
{
    // The band between the disc's top and its letter's square, with a pixel of the disc's
    // colour above the mark and a pixel of the square's below it.
    const qreal cx = box.x() + box.width() / 2.0;
    const qreal top = box.y() + 1.75;
    const qreal bottom = box.y() + fromTwips(kLetterInsetTwips);
    const qreal mid = (top + bottom) / 2.0;
    QPainterPath path;
    switch (state) {
    case LetterState::Correct:
        path.moveTo(cx - 4.5, mid + 0.25);
        path.lineTo(cx - 1.5, bottom);
        path.lineTo(cx + 4.5, top);
        break;
    case LetterState::Wrong:
        path.moveTo(cx - 3.25, top);
        path.lineTo(cx + 3.25, bottom);
        path.moveTo(cx + 3.25, top);
        path.lineTo(cx - 3.25, bottom);
        break;
    case LetterState::Passed:
        // Over from the right and down on the left, where its head points the way back.
        path.moveTo(cx + 4.0, bottom);
        path.cubicTo(cx + 4.0, top - 1.5, cx - 3.5, top - 1.5, cx - 3.5, bottom - 2.5);
        break;
    case LetterState::Pending:
        break;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kDesignInk, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    if (state == LetterState::Passed) {
        QPainterPath head;
        head.moveTo(cx - 6.25, bottom - 3.0);
        head.lineTo(cx - 0.75, bottom - 3.0);
        head.lineTo(cx - 3.5, bottom + 0.25);
        head.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(kDesignInk);
        painter.drawPath(head);
    }
}

// The mark of `state` over a disc, drawn once for each state and screen scale and copied
// from then on: stroked afresh at every repaint, the marks cost an AVANTI press a tenth more.
// The picture covers the disc's box down to the letter's square, so the mark lands on the
// same device pixels as if it were drawn there.
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
        const QSize size(box.width(), fromTwips(kLetterInsetTwips) + 2);
        picture = QImage((QSizeF(size) * scale).toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        QPainter onPicture(&picture);
        drawMark(onPicture, QRect(QPoint(), box.size()), state);
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
        // On the desktop colour the letter takes the desktop's ink; on green, red and yellow the
        // ink it was designed with.
        painter.setPen(state == LetterState::Pending ? ink : kDesignInk);
        painter.drawText(square, Qt::AlignCenter, QString(content::letterAt(k)));
        paintMark(painter, box, state, devicePixelRatioF());
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
