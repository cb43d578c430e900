#pragma once
// How the game's windows read to a screen reader.
//
// Each window is a frame named by its caption. On the main window's board each disc is one
// item that says its letter and how it stands ("A, corretta"); the letter painted over it and
// the lines of the track are drawing only and stay out of the tree.

namespace ui {

// Installs the game's accessibility factory once; every window and board widget calls it
// before it is first shown, so none of them ever gets the generic interface.
void installAccessibility();

} // namespace ui
