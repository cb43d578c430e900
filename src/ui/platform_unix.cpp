// Linux and the other systems with an X11 or Wayland desktop.

#include <QLibraryInfo>

#include <cstdlib>

#include "platform.h"

namespace {
bool envSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}
} // namespace

namespace ui::platform {

bool defaultDisplayReachable()
{
    return envSet("DISPLAY") || envSet("WAYLAND_DISPLAY");
}

void useStartingConsole()
{
    // A program started from a terminal writes to it already.
}

void provideDesignFace()
{
    // Liberation Sans is installed with the game (the Debian package depends on it), and
    // fontconfig maps the family to its nearest match otherwise.
}

QString qtTranslationsPath()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

} // namespace ui::platform
