#pragma once
// `infistr`, the instructions window: a fixed page with the game's instructions, a note about
// the game and its author, and a photograph. It takes no part in the game.
//
// The main window opens it, one at a time, as a modeless top-level window with no owner, so
// the main window and its clock go on while it is open. Closing it, by its own button or by
// the desktop, destroys it; the next one is built afresh, so whatever the player typed into
// its boxes is gone and the design texts show again.

#include <QString>
#include <QWidget>

class QPushButton;

class infistr : public QWidget {
    Q_OBJECT
public:
    // A window with its design content, not yet shown.
    infistr();
    ~infistr() override;

    // The texts the two boxes start with, exactly as designed: every line, the last one
    // included, ends in "\r\n". The boxes show each line as a paragraph of its own.
    static QString instructionsText();
    // The window's size inside its frame.
    static QSize clientSize();
    static QString informationText();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void refreshDesktopColour();

    QPushButton *command1_ = nullptr; // "Torna al gioco"
};
