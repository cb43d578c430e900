// Windows: a GUI program (no console window of its own) that carries Qt beside it.

#include <QCoreApplication>
#include <QFont>

#include <cstdio>

#include <windows.h>

#include "platform.h"

namespace {
bool leadsSomewhere(DWORD stream)
{
    const HANDLE handle = GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}
} // namespace

namespace ui::platform {

bool defaultDisplayReachable()
{
    return true; // every Windows session has its desktop
}

void useStartingConsole()
{
    // A GUI program's output goes nowhere unless it was redirected; started from a console
    // (cmd, PowerShell), it borrows that console for what it prints.
    const bool outFree = !leadsSomewhere(STD_OUTPUT_HANDLE);
    const bool errFree = !leadsSomewhere(STD_ERROR_HANDLE);
    if ((!outFree && !errFree) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (outFree)
        std::freopen("CONOUT$", "w", stdout);
    if (errFree)
        std::freopen("CONOUT$", "w", stderr);
}

void provideDesignFace()
{
    // Windows has no Liberation Sans; Arial has the same widths, so every caption and
    // instruction breaks where it does on Linux.
    QFont::insertSubstitution(QStringLiteral("Liberation Sans"), QStringLiteral("Arial"));
}

QString qtTranslationsPath()
{
    // The game travels as one folder: Qt's translations lie beside the program.
    return QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
}

} // namespace ui::platform
