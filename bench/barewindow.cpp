// The yardstick for the game's start-up: a QApplication and one plain window of the main
// window's size, nothing else, with the same first-paint hook as the game's probe build.
// With BAREWINDOW_WITH_LABEL set, the window also shows one line of text, which brings in the
// font machinery every window with text pays for at its first frame; with BAREWINDOW_TICK set
// as well, the text changes once a second, like a clock on screen.

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "firstpaint.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(401, 381);
    if (benchEnvSet("BAREWINDOW_WITH_LABEL")) {
        auto *label = new QLabel(QStringLiteral("GIROLETTERA"), &window);
        if (benchEnvSet("BAREWINDOW_TICK")) {
            auto *clock = new QTimer(&window);
            QObject::connect(clock, &QTimer::timeout, label,
                             [label, seconds = 160]() mutable { label->setText(QString::number(--seconds)); });
            clock->start(1000);
        }
    }
    FirstPaintProbe::attachIfAsked(&window);
    window.setVisible(true); // at its size, also where windows are shown full screen by default
    return app.exec();
}
