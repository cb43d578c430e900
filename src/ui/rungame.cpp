// Starting the game: the checks before any window opens, the application, the main window.

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "design.h"
#include "form1.h"
#include "rungame.h"

namespace {

bool envSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

// Without a display the toolkit would abort with a backtrace; say it in one line instead.
bool displayReachable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("xcb"))
        return envSet("DISPLAY");
    if (platform.startsWith("wayland"))
        return envSet("WAYLAND_DISPLAY");
    if (!platform.isEmpty())
        return true; // offscreen, vnc, eglfs…: the platform needs no desktop session
    return envSet("DISPLAY") || envSet("WAYLAND_DISPLAY");
}

// While the window system is being opened, a fatal message (a display that is set but does
// not answer) ends the program with one line instead of an abort. The warning before it
// usually says best what went wrong ("could not connect to display :1").
QString firstStartupWarning;

void startupMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg && firstStartupWarning.isEmpty())
        firstStartupWarning = message.section(u'\n', 0, 0);
    if (type == QtFatalMsg) {
        const QString reason = firstStartupWarning.isEmpty() ? message.section(u'\n', 0, 0) : firstStartupWarning;
        std::fprintf(stderr, "girolettera: cannot open a window: %s\n", qPrintable(reason));
        std::_Exit(EXIT_FAILURE);
    }
}

} // namespace

int runGame(int argc, char *argv[], const std::function<void(Form1 *)> &beforeShow)
{
    if (!displayReachable()) {
        std::fputs("girolettera: no display available (set DISPLAY or WAYLAND_DISPLAY, or run it on a desktop)\n", stderr);
        return EXIT_FAILURE;
    }

    const QtMessageHandler previous = qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);

    ui::prepareApplication();
    auto *form = new Form1; // deletes itself when closed
    if (beforeShow)
        beforeShow(form);
    form->show();
    return app.exec();
}
