#include "caretrest.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>
#include <QWidget>

namespace ui {

CaretRest::CaretRest(QWidget *box, std::chrono::milliseconds after) : QObject(box), box_(box)
{
    quiet_.setSingleShot(true);
    quiet_.setInterval(after);
    connect(&quiet_, &QTimer::timeout, this, &CaretRest::rest);
    box->installEventFilter(this);
}

CaretRest::~CaretRest()
{
    wake();
}

bool CaretRest::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
        wake();
        quiet_.start();
        break;
    case QEvent::FocusOut:
        quiet_.stop();
        wake();
        break;
    default:
        break;
    }
    return false;
}

void CaretRest::rest()
{
    if (resting_ || !box_->hasFocus())
        return;
    desktopFlashTime_ = QGuiApplication::styleHints()->cursorFlashTime();
    resting_ = true;
    QGuiApplication::styleHints()->setCursorFlashTime(0); // a caret that does not blink stays on
}

void CaretRest::wake()
{
    if (!resting_)
        return;
    resting_ = false;
    QGuiApplication::styleHints()->setCursorFlashTime(desktopFlashTime_);
}

} // namespace ui
