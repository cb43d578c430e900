#include "design.h"

#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace ui {

QColor desktopColour()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Window);
}

QColor desktopTextColour()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

void keepDesignInk(QWidget *widget, QPalette::ColorRole role)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, kDesignInk);
    palette.setColor(QPalette::Inactive, role, kDesignInk);
    palette.setColor(QPalette::Disabled, role, QColor(0xbe, 0xbe, 0xbe));
    widget->setPalette(palette);
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

