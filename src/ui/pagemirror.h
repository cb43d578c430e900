#pragma once
// The windows as a screen reader in a browser meets them. A reader reads the page, not what
// Qt draws on a window's canvas, so each window keeps in the page, behind its canvas, a mirror
// of its controls made of the page's own elements: buttons that are buttons, with their
// disabled state; the clue, the score and the clock as read-only text fields holding what the
// boxes show, with the caret where the box has it; the box the player answers in as a named
// text box; the instructions as pages of text in paragraphs; the labels and the board's discs
// as text. Every name, value and state is the one the game's
// accessibility interfaces give the desktop's readers (accessibility.cpp), so the words come
// from one place.
//
// The page's keyboard follows the game's: the element of the control that has the focus holds
// it (for a box the player types into, Qt's own typing field does, named after the box), and a
// reader that moves the keyboard to a control of the mirror moves the game's focus there. Keys
// pressed on an element reach the window, which handles them as it handles every key; a
// reader's click on a button presses it.
//
// Built for the web only (platform_web.cpp).

class QWidget;

namespace ui::web {

// Mirrors `window` in the page from when it is shown until it is destroyed.
void mirrorWindow(QWidget *window);

} // namespace ui::web
