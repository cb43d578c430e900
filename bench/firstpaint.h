#pragma once
// The measuring hook of the start-up and idle benchmarks, shared by the game's probe build and
// the bare window so that both are timed alike. Inert unless one of its variables is set:
// GIROLETTERA_EXIT_AFTER_FIRST_PAINT: once the first frame is painted, print
//   "first-paint <CLOCK_MONOTONIC nanoseconds>" and exit; the caller knows when it started us.
// GIROLETTERA_AUTOPLAY: once the first frame is painted, press GIOCA (if there is one) and
//   print "playing", so the cost of a running clock can be read from outside.

#include <QAbstractButton>
#include <QEvent>
#include <QObject>

#include <cstdio>
#include <cstdlib>
#include <ctime>

inline bool benchEnvSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

class FirstPaintProbe final : public QObject {
public:
    using QObject::QObject;

    // Watches `window` when the environment asks for it.
    static void attachIfAsked(QObject *window)
    {
        if (benchEnvSet("GIROLETTERA_EXIT_AFTER_FIRST_PAINT") || benchEnvSet("GIROLETTERA_AUTOPLAY"))
            window->installEventFilter(new FirstPaintProbe(window));
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            // Out of the way at once, so that it costs nothing while the game runs.
            watched->removeEventFilter(this);
            // Queued, so that it runs once the whole frame, children included, is painted.
            QMetaObject::invokeMethod(this, &FirstPaintProbe::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report()
    {
        if (benchEnvSet("GIROLETTERA_EXIT_AFTER_FIRST_PAINT")) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("first-paint %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            std::_Exit(EXIT_SUCCESS);
        }
        if (auto *play = parent()->findChild<QAbstractButton *>(QStringLiteral("Gioca")))
            play->click();
        std::puts("playing");
        std::fflush(stdout);
    }
};
