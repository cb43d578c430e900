#pragma once
// What differs between the systems the game runs on, each in its own file:
// platform_unix.cpp (Linux and other X11 or Wayland desktops) and platform_windows.cpp.

#include <QString>

namespace ui::platform {
// Whether the window system the game would use by default can be reached; false means the
// game is not running in a desktop session and must say so rather than let Qt abort.
bool defaultDisplayReachable();
// Makes what the program prints reach the console it was started from, if any; streams that
// already lead somewhere (a terminal, a file, a pipe) stay as they are.
void useStartingConsole();
// Points the design font's family at a face with the same widths where the system lacks it.
void addFontSubstitutes();
// The folder Qt's own translations are read from.
QString qtTranslationsPath();
} // namespace ui::platform
