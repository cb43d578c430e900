#pragma once
// The windows' design units: places in twips, colours as OLE values, and the faces that stand
// for the design fonts.

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPalette>
#include <QRect>

class QWidget;

namespace ui {

// Places and sizes are laid out in twips; 15 twips make one device-independent pixel, so Qt's
// own scaling keeps the windows right on high-density screens.
constexpr int fromTwips(int twips) { return twips / 15; }
constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(fromTwips(left), fromTwips(top), fromTwips(width), fromTwips(height));
}

// An OLE colour 0x00BBGGRR: blue in the high byte, red in the low one.
constexpr QColor oleColour(unsigned ole)
{
    return QColor(int(ole & 0xff), int((ole >> 8) & 0xff), int((ole >> 16) & 0xff));
}

// The desktop colour both windows use for their background, the text boxes and the pending
// letters. It is looked up from the application palette every time it is needed, so a change
// of desktop theme reaches it.
QColor desktopColour();

// The desktop's text colour, for text drawn on the desktop colour.
QColor desktopTextColour();

// Text on a colour the design fixes (the button faces, the green current letter, the green,
// red and yellow discs) keeps the ink it had on the desktop it was designed on: black, and
// light grey on a disabled control. A dark desktop's white text would all but vanish there.
inline constexpr QColor kDesignInk{0, 0, 0};
void keepDesignInk(QWidget *widget, QPalette::ColorRole role);

// The plain sans-serif face that stands for the design font, at the given point size.
QFont designFont(qreal pointSize, bool bold);
// The windows' default font: the design face at 8 points, regular weight.
QFont defaultFont();

} // namespace ui

