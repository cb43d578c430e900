#pragma once

#include <QPushButton>

namespace ui {

// A push button whose caption breaks onto several lines inside it. text() stays the caption as
// written, so the button reads the same to tests and screen readers.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ui
