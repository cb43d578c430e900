#pragma once
// `Form1`, the main window: the letter board, the question, answer, score and time boxes, the
// current-letter label and the four buttons. The window holds one game as a value, feeds it
// every click and tick, and shows the view of the new state, touching only what differs from
// the view it showed last: a tick changes the time box and nothing else, so it never disturbs
// what the player is typing.

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

#include "content/bank.h"
#include "engine/game.h"
#include "engine/view.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;
class infistr;

namespace ui {
class LetterBoard;
class Notice;
} // namespace ui

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Plays with the generator and the time of day given, which must outlive the window; with
    // none, with the system's own.
    explicit Form1(content::RandomSource *random = nullptr, const engine::TimeOfDay *clock = nullptr);
    ~Form1() override;

    const engine::State &state() const { return state_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void buildControls();
    void refreshDesktopColours();
    void advance(const engine::State &next);
    void present(const engine::View &view);
    QWidget *focusBox(engine::Focus focus) const;

    void gioca();
    void avanti();
    void istruzioni();
    void esci();
    void timerTick();

    std::unique_ptr<content::RandomSource> ownRandom_;
    std::unique_ptr<engine::TimeOfDay> ownClock_;
    content::RandomSource &random_;
    const engine::TimeOfDay &clock_;
    engine::State state_;
    std::optional<engine::View> shown_; // none until the first view is shown

    QTextEdit *questionBox_ = nullptr;  // Text1
    QLineEdit *answerBox_ = nullptr;    // Text2
    QLineEdit *scoreBox_ = nullptr;     // Text3
    QLineEdit *timeBox_ = nullptr;      // Text4
    QLabel *currentLetter_ = nullptr;   // Label6
    QPushButton *playButton_ = nullptr; // Gioca
    QPushButton *nextButton_ = nullptr; // Avanti
    QPushButton *instructionsButton_ = nullptr; // Istruzioni
    QPushButton *exitButton_ = nullptr; // Esci
    QTimer *countdown_ = nullptr;       // Timer1
    ui::LetterBoard *board_ = nullptr;
    ui::Notice *notice_ = nullptr;      // what a screen reader is told at the end

    // The one instructions window, while it is open. It has no owner window, so it outlives
    // this one when the desktop closes the game's window first.
    QPointer<infistr> instructions_;
};
