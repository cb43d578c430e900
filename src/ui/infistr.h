#pragma once
// `infistr`, the instructions window: a fixed page with the game's instructions, a note about
// the game and its author, and a photograph. It takes no part in the game.
//
// The program holds one instructions window at most. It is a modeless top-level window with no
// owner, so the main window and its clock go on while it is open. Closing it, by its own
// button or by the desktop, destroys it; the next open() builds a fresh one, so whatever the
// player typed into its boxes is gone and the design texts show again.

#include <QString>
#include <QWidget>

class QPushButton;

class infistr : public QWidget {
    Q_OBJECT
public:
    // Shows the one instructions window: creates it with its design content when none is open,
    // then shows it, raises it and activates it. Never makes a second one.
    static infistr *open();
    // The open instructions window, or nullptr when it is closed.
    static infistr *current();

    // The texts the two boxes start with, exactly as designed: every line, the last one
    // included, ends in "\r\n". The boxes show each line as a paragraph of its own.
    static QString instructionsText();
    static QString informationText();

    ~infistr() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    infistr();
    void refreshDesktopColour();

    QPushButton *command1_ = nullptr; // "Torna al gioco"
};
