// The web: the game runs in a page of a browser (packaging/web/index.html), its windows framed
// by the page on a desk that fills it, everything it needs built into the program.

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>

#include "platform.h"

namespace {

// The gap the page leaves between two windows, and above them.
constexpr int kMargin = 8;

// A shown window with its frame, which the page draws round it.
QSize framedSize(const QWidget *window, QSize inside)
{
    return inside.grownBy(window->windowHandle()->frameMargins());
}

} // namespace

namespace ui::platform {

bool defaultDisplayReachable()
{
    return true; // the page is the display
}

void useStartingConsole()
{
    // What the program prints goes to the browser's console.
}

void provideDesignFace()
{
    // A browser lends a program none of its fonts: the design face travels in the program.
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Regular.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Bold.ttf"));
}

QString qtTranslationsPath()
{
    return QStringLiteral(":/translations");
}

void placeGame(QWidget *game, QSize companion)
{
    // The game and the window beside it are centred together where the desk is wide enough
    // for both; the game alone where it is not.
    const QRect desk = game->screen()->availableGeometry();
    const int width = framedSize(game, game->size()).width();
    const int pair = width + kMargin + framedSize(game, companion).width();
    const int left = (desk.width() - (pair <= desk.width() ? pair : width)) / 2;
    game->move(desk.topLeft() + QPoint(std::max(left, 0), kMargin));
}

void placeBeside(QWidget *window, const QWidget *game)
{
    // At the right of the game where the desk has room, else where the desk centres it.
    const QRect desk = window->screen()->availableGeometry();
    const QRect next = game->frameGeometry();
    if (next.right() + kMargin + framedSize(window, window->size()).width() <= desk.right())
        window->move(next.right() + 1 + kMargin, next.top());
}

void announce(const QString &text)
{
    // The page's live region: a screen reader reads out each new text put in it.
    emscripten::val region = emscripten::val::global("document").call<emscripten::val>(
        "getElementById", std::string("annuncio"));
    if (!region.isNull() && !region.isUndefined())
        region.set("textContent", text.toStdString());
}

void endProgram(int status)
{
    // The windows go, and the program's runtime with them: that is what tells the page, which
    // says so in their place. Leaving Qt's event loop alone would leave the page none the wiser.
    for (QWidget *window : QApplication::topLevelWidgets())
        window->close();
    emscripten_force_exit(status);
}

} // namespace ui::platform
