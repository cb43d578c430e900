#pragma once

#include <functional>

class Form1;

// Opens the main window and runs the game until its last window closes or Exit is pressed;
// returns the program's exit status. Reads the command line first: --help and --version
// answer without a window, an option nobody knows fails with status 2, and Qt's own options
// go to Qt. Without a display it says so in one line and fails.
// `beforeShow`, if given, sees the main window just before it is first shown.
int runGame(int argc, char *argv[], const std::function<void(Form1 *)> &beforeShow = {});

namespace ui {
// What the game sets up in its application before the first window: the names the desktop
// knows it by, the widget style, and Qt's own texts in Italian. Tests that open the windows
// start with it too.
void prepareApplication();
} // namespace ui
