#pragma once
// How the game's windows read to a screen reader.
//
// Each window is a frame named by its caption. The main window's letter board is one widget,
// but to a reader each of its discs is an item of the window that says its letter and how it
// stands ("A, corretta"), has its own place on the screen and tells when it changes; the lines
// of the track are drawing only and stay out of the tree.

namespace ui {

// Installs the game's accessibility factory once; the windows and the board call it before
// they are first shown, so none of them ever gets the generic interface.
void installAccessibility();

} // namespace ui
