#include "letterboard.h"

#include <QAccessible>
#include <QPainter>

#include "accessibility.h"
#include "design.h"

namespace ui {

using engine::LetterState;

namespace {

void announceNameChange(QObject *object)
{
    QAccessibleEvent event(object, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

} // namespace

const DiscPlace kDiscPlaces[content::kLetterCount] = {
    {960, 1320},  {960, 1800},  {960, 2280},  {960, 2760},  {960, 3240},  // A B C D E
    {1440, 3240},                                                          // F
    {1920, 3240}, {1920, 2760}, {1920, 2280}, {1920, 1800},               // G H I L
    {2160, 1320}, {2640, 1320},                                            // M N
    {2880, 1800}, {2880, 2280}, {2880, 2760}, {2880, 3240},               // O P Q R
    {3360, 3240},                                                          // S
    {3840, 3240}, {3840, 2760}, {3840, 2280}, {3840, 1800},               // T U V Z
};

const TwipsLine kTrackLines[kTrackLineCount] = {
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

QString spokenLetter(int index, LetterState state)
{
    QString words;
    switch (state) {
    case LetterState::Correct:
        words = QStringLiteral("corretta");
        break;
    case LetterState::Wrong:
        words = QStringLiteral("sbagliata");
        break;
    case LetterState::Passed:
        words = QStringLiteral("passata");
        break;
    case LetterState::Pending:
        words = QStringLiteral("da giocare");
        break;
    }
    return QStringLiteral("%1, %2").arg(content::letterAt(index)).arg(words);
}

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

Disc::Disc(int index, QWidget *parent) : QWidget(parent), BoardPiece(index)
{
    installAccessibility();
    setObjectName(QStringLiteral("Shape1"));
    setProperty("index", index);
    const DiscPlace &place = kDiscPlaces[index - 1];
    setGeometry(twipsRect(place.left, place.top, kDiscSizeTwips, kDiscSizeTwips));
}

void BoardPiece::changeState(QWidget *self, LetterState state)
{
    if (state_ == state)
        return;
    state_ = state;
    self->update();
    // The disc is what a screen reader knows; the letter over it is drawing.
    if (qobject_cast<Disc *>(self))
        announceNameChange(self);
}

void Disc::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.0));
    painter.setBrush(stateColour(state()));
    // Half a pixel in, so the one-pixel outline lies on the disc's edge at every scale.
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

LetterLabel::LetterLabel(int index, QWidget *parent) : QLabel(parent), BoardPiece(index)
{
    // The text is set only now that this is a LetterLabel: setting it tells a listening screen
    // reader, which would otherwise take this for a plain label and keep it as one.
    installAccessibility();
    setText(QString(content::letterAt(index)));
    setObjectName(QStringLiteral("Label1"));
    setProperty("index", index);
    const DiscPlace &place = kDiscPlaces[index - 1];
    setGeometry(twipsRect(place.left + kLetterInsetTwips, place.top + kLetterInsetTwips,
                          kLetterSizeTwips, kLetterSizeTwips));
    setFont(designFont(12, true));
    setAlignment(Qt::AlignCenter);
}

void LetterLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), stateColour(state()));
    // On the desktop colour the letter takes the desktop's ink; on green, red and yellow the
    // ink it was designed with.
    painter.setPen(state() == LetterState::Pending ? palette().color(QPalette::WindowText) : kDesignInk);
    painter.drawText(rect(), int(alignment()), text());
}

TrackLines::TrackLines(QWidget *parent) : QWidget(parent)
{
    installAccessibility();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);

    // The widget covers the lines and nothing else, so the boxes and buttons nearby (the time
    // box, the answer box with its blinking caret) repaint without repainting the lines.
    QRegion area;
    for (const TwipsLine &line : kTrackLines) {
        const QPoint from(fromTwips(line.x1), fromTwips(line.y1));
        const QPoint to(fromTwips(line.x2), fromTwips(line.y2));
        area += QRect(from, to).normalized().adjusted(-1, -1, 1, 1);
    }
    setGeometry(area.boundingRect());
    setMask(area.translated(-pos()));
}

void TrackLines::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.translate(-pos());
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.0, Qt::SolidLine, Qt::SquareCap));
    // Through the middle of the pixels, so a line covers the same pixels as a disc's outline.
    const QPointF half(0.5, 0.5);
    for (const TwipsLine &line : kTrackLines) {
        painter.drawLine(QPointF(fromTwips(line.x1), fromTwips(line.y1)) + half,
                         QPointF(fromTwips(line.x2), fromTwips(line.y2)) + half);
    }
}

} // namespace ui
