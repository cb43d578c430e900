#pragma once
// The letter board of the main window: 21 discs on a winding track, each with its letter on
// top, and the 29 lines that outline the track and frame the current-letter label.
//
// Discs and letter labels are control arrays as the window was designed: all 21 discs are
// named "Shape1" and all letter labels "Label1", told apart by their "index" property (1..21).
//
// To a screen reader each disc is one item that says its letter and how it stands, as
// spokenLetter() words it; the letter label over it, the lines and the label frame are drawing
// only and keep out of its way.

#include <QLabel>
#include <QWidget>

#include "engine/game.h"

namespace ui {

// The colour of a letter state; a pending letter shows the desktop colour, looked up at paint
// time.
QColor stateColour(engine::LetterState state);

// What a screen reader says for the letter k (1..21) in the given state, such as "A, corretta".
QString spokenLetter(int index, engine::LetterState state);

// What a disc and the letter label over it share: the letter they stand for and how it
// stands. A change repaints the widget and tells a listening screen reader.
class BoardPiece {
public:
    int index() const { return index_; }
    engine::LetterState state() const { return state_; }
    QString spoken() const { return spokenLetter(index_, state_); }

protected:
    explicit BoardPiece(int index) : index_(index) {}
    void changeState(QWidget *self, engine::LetterState state);

private:
    int index_;
    engine::LetterState state_ = engine::LetterState::Pending;
};

// A disc `Shape1`(k): a filled circle with a thin outline.
class Disc : public QWidget, public BoardPiece {
    Q_OBJECT
public:
    Disc(int index, QWidget *parent);
    void setState(engine::LetterState state) { changeState(this, state); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A letter label `Label1`(k): the letter on an opaque square in the disc's colour.
class LetterLabel : public QLabel, public BoardPiece {
    Q_OBJECT
public:
    LetterLabel(int index, QWidget *parent);
    void setState(engine::LetterState state) { changeState(this, state); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

// `Line1` to `Line29`, painted over the discs and the current-letter label. The widget is
// masked to the lines themselves, lets every click through and paints nothing but the lines.
class TrackLines : public QWidget {
    Q_OBJECT
public:
    explicit TrackLines(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Places of the board in twips, in letter order.
struct DiscPlace {
    int left;
    int top;
};
extern const DiscPlace kDiscPlaces[content::kLetterCount];

struct TwipsLine {
    int x1, y1, x2, y2;
};
inline constexpr int kTrackLineCount = 29;
extern const TwipsLine kTrackLines[kTrackLineCount];

inline constexpr int kDiscSizeTwips = 495;
inline constexpr int kLetterSizeTwips = 255;
inline constexpr int kLetterInsetTwips = 120;

} // namespace ui
