#pragma once
// The letter board of the main window: 21 discs on a winding track, each with its letter, and
// the lines that outline the track. One widget draws it all from the 21 letter states; a
// change of state repaints that disc's square and the lines that cross it, nothing more.
//
// To a screen reader each disc is one item that says its letter and how it stands ("A,
// corretta"). The items keep the board's design name: each is a `Shape1` with its index
// (1..21), a plain object owned by the board, so a test finds it with findChildren().

#include <QLabel>
#include <QObject>
#include <QWidget>

#include <array>

#include "engine/game.h"
#include "engine/view.h"

class QPainter;

namespace ui {

// The colour of a letter state; a pending letter shows the desktop colour.
QColor stateColour(engine::LetterState state);

// One disc as the board draws it: a circle filling `box`, filled with `fill` and outlined one
// pixel wide in `outline`, the outline on the box's edge at every scale.
void paintDisc(QPainter &painter, const QRect &box, const QColor &fill, const QColor &outline);

class LetterBoard;

// Disc k of the board, `Shape1`(k), as a screen reader and a test meet it.
class BoardDisc : public QObject {
    Q_OBJECT
    Q_PROPERTY(int index READ index CONSTANT)
public:
    BoardDisc(int index, LetterBoard *board);

    int index() const { return index_; }
    engine::LetterState state() const;
    QString spoken() const { return engine::spokenLetter(index_, state()); }
    // Where the disc lies in the board's parent window.
    QRect geometry() const;
    LetterBoard *board() const;

private:
    int index_;
};

class LetterBoard : public QWidget {
    Q_OBJECT
public:
    // Lays itself over the track in `window`, below whatever is made after it.
    explicit LetterBoard(QWidget *window);

    engine::LetterState state(int k) const { return states_[k - 1]; }
    void setState(int k, engine::LetterState state);
    BoardDisc *disc(int k) const { return discs_[k - 1]; }
    // Disc k's square, in the board's own coordinates.
    QRect discRect(int k) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::array<engine::LetterState, content::kLetterCount> states_{};
    std::array<BoardDisc *, content::kLetterCount> discs_{};
};

// The current-letter label `Label6`, with its frame of four lines drawn on its edge in the
// desktop's line colour.
class CurrentLetterLabel : public QLabel {
    Q_OBJECT
public:
    explicit CurrentLetterLabel(QWidget *window);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ui
