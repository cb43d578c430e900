#include "design.h"

#include <QGuiApplication>
#include <QPalette>

namespace ui {

QColor desktopColour()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Window);
}

QFont designFont(qreal pointSize, bool bold)
{
    // Liberation Sans keeps the widths the texts and boxes were laid out for; a wider face
    // would wrap the instructions past the bottom of their box.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

QFont defaultFont()
{
    return designFont(8, false);
}

} // namespace ui

#include <QApplication>
#include <QStyleFactory>

namespace ui {

void prepareApplication()
{
    // Only the name: a display name would be appended to every window caption.
    QCoreApplication::setApplicationName(QStringLiteral("GIROLETTERA"));
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(GIRO_APP_ID));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

} // namespace ui
