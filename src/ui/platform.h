#pragma once
// What differs between the systems the game runs on, each in its own file:
// platform_unix.cpp (Linux and other X11 or Wayland desktops), platform_windows.cpp and
// platform_web.cpp (a page in a web browser).

#include <QSize>
#include <QString>

class QWidget;

namespace ui::platform {
// Whether the window system the game would use by default can be reached; false means the
// game is not running in a desktop session and must say so rather than let Qt abort.
bool defaultDisplayReachable();
// Makes what the program prints reach the console it was started from, if any; streams that
// already lead somewhere (a terminal, a file, a pipe) stay as they are.
void useStartingConsole();
// Sees that the design font's family is drawn with its own widths: where the system lacks the
// face, by a face with the same widths, or by the face itself carried in the program.
void provideDesignFace();
// The folder Qt's own translations are read from.
QString qtTranslationsPath();

// Readies a top-level window before it is first shown: on a phone's page, which frames the
// game itself and shows one window at a time, the window goes without the desktop's frame; on
// a computer's page, which scales the windows to fit it, without a maximise button.
void prepareWindow(QWidget *window);

// Where windows go once shown. A desktop's window manager places them; where the program
// itself places them (the web page, by the page's rule for its size), the game goes where it
// and a window of `companion` size fit side by side, and a window opened from the game beside
// it.
void placeGame(QWidget *game, QSize companion);
void placeBeside(QWidget *window, const QWidget *game);

// Readies a box the player reads rather than types into (the clock's, the instructions'):
// where a screen reader reads a box typed into through a text field of the platform's own (a
// web page), the box takes that field only when the player points at it, and is otherwise
// read as text: a reader is not told every second what the clock says, and reads the
// instructions by line and by paragraph. Keys typed into it still reach it as key presses.
void preferReading(QWidget *box);

// Says `text` to a screen reader through the platform's own channel, where the windows' own
// accessibility does not reach one by itself (a web page's live region); elsewhere nothing.
void announce(const QString &text);

// Ends the program with `status` once the event loop is back: the windows close. A page
// cannot close its own tab, so on the web the page says the game has ended.
void endProgram(int status);
} // namespace ui::platform
