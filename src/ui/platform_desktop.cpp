// What the desktops (Linux and Windows) have in common: a window manager places the windows,
// and screen readers read the windows' own accessibility.

#include <QCoreApplication>

#include "platform.h"

namespace ui::platform {

void prepareWindow(QWidget *) {}

void placeGame(QWidget *, QSize) {}

void placeBeside(QWidget *, const QWidget *) {}

void preferReading(QWidget *) {}

void announce(const QString &) {}

void endProgram(int status)
{
    QCoreApplication::exit(status);
}

} // namespace ui::platform
