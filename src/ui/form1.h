#pragma once
// `Form1`, the main window: the letter board, the question, answer, score and time boxes, the
// current-letter label and the four buttons. The window owns one game and forwards every
// click and tick to it, then shows what the game changed.

#include <QWidget>

#include <array>
#include <memory>

#include "content/bank.h"
#include "engine/game.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTimer;

namespace ui {
class Disc;
class LetterLabel;
} // namespace ui

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Plays with the generator and the time of day given, which must outlive the window; with
    // none, with the system's own.
    explicit Form1(content::RandomSource *random = nullptr, const engine::TimeOfDay *clock = nullptr);
    ~Form1() override;

    const engine::Game &game() const { return game_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void buildControls();
    void refreshDesktopColours();
    void display(engine::Changes changes);

    void gioca();
    void avanti();
    void istruzioni();
    void esci();
    void timerTick();

    std::unique_ptr<content::RandomSource> ownRandom_;
    std::unique_ptr<engine::TimeOfDay> ownClock_;
    engine::Game game_;

    QTextEdit *text1_ = nullptr;  // question
    QLineEdit *text2_ = nullptr;  // answer
    QLineEdit *text3_ = nullptr;  // score
    QLineEdit *text4_ = nullptr;  // time
    QLabel *label6_ = nullptr;    // current letter
    QPushButton *gioca_ = nullptr;
    QPushButton *avanti_ = nullptr;
    QPushButton *istruzioni_ = nullptr;
    QPushButton *esci_ = nullptr;
    QTimer *timer1_ = nullptr;
    std::array<ui::Disc *, content::kLetterCount> discs_{};
    std::array<ui::LetterLabel *, content::kLetterCount> letters_{};
};
