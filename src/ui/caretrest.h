#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class QWidget;

namespace ui {

// Stops the caret of a box blinking once the player has not typed there for a while, as
// desktops commonly do to spare the machine: the caret stays shown, and the next key brings
// the blinking back at the desktop's own pace. While the game waits for an answer, only its
// clock then wakes it, once a second.
//
// The blinking pace is the application's, so resting it stops every caret; it comes back as
// soon as the box loses the focus.
class CaretRest final : public QObject {
    Q_OBJECT
public:
    CaretRest(QWidget *box, std::chrono::milliseconds after);
    ~CaretRest() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rest();
    void wake();

    QWidget *box_;
    QTimer quiet_;
    int desktopFlashTime_ = 0;
    bool resting_ = false;
};

} // namespace ui
