#pragma once
// How the game's windows read to a screen reader.
//
// Each window is a frame named by its caption. The main window's letter board is one widget,
// but to a reader each of its discs is an item of the window that says its letter and how it
// stands ("A, corretta"), has its own place on the screen and tells when it changes; the lines
// of the track are drawing only and stay out of the tree.

#include <QWidget>

namespace ui {

// A notice for a screen reader, read out wherever the keyboard is: a hidden widget whose
// accessible role is Notification. It shows nothing to a sighted player.
class Notice final : public QWidget {
    Q_OBJECT
public:
    explicit Notice(QWidget *window);

    const QString &text() const { return text_; }
    // Says `text`. A screen reader speaks a notification when it is shown; a change of its
    // name or text alone goes unheard.
    void announce(const QString &text);

private:
    QString text_;
};

// Installs the game's accessibility factory once; the windows and the board call it before
// they are first shown, so none of them ever gets the generic interface.
void installAccessibility();

} // namespace ui
