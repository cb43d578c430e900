#pragma once

#include <functional>

class Form1;

// Opens the main window and runs the game until its last window closes or Exit is pressed;
// returns the program's exit status. Without a display it says so in one line and fails.
// `beforeShow`, if given, sees the main window just before it is first shown.
int runGame(int argc, char *argv[], const std::function<void(Form1 *)> &beforeShow = {});
