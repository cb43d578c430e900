// The web: the game runs in a page of a browser (packaging/web/index.html), its windows framed
// by the page on a desk that fills it, everything it needs built into the program.

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QInputMethodQueryEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "pagemirror.h"
#include "platform.h"

namespace {

// The gap the page leaves between two windows, and above them.
constexpr int kMargin = 8;

// An element of the page, if the page has it.
std::optional<emscripten::val> pageElement(const char *id)
{
    emscripten::val element =
            emscripten::val::global("document").call<emscripten::val>("getElementById", std::string(id));
    if (element.isNull() || element.isUndefined())
        return std::nullopt;
    return element;
}

// The page marks its desk as a phone's where a touch screen is too small for the windows in
// their frames: it then scales the page to the window on show and frames the game itself.
bool onPhone()
{
    const auto desk = pageElement("scrivania");
    return desk && (*desk)["classList"].call<bool>("contains", std::string("telefono"));
}

// A shown window with its frame, which the page draws round it.
QSize framedSize(const QWidget *window, QSize inside)
{
    return inside.grownBy(window->windowHandle()->frameMargins());
}

// On a phone every window lies at the top of the desk, centred: the page shows the one on top
// as large as the screen takes it.
void placeOnPhone(QWidget *window)
{
    const QRect desk = window->screen()->availableGeometry();
    const int left = (desk.width() - window->frameGeometry().width()) / 2;
    window->move(desk.topLeft() + QPoint(std::max(left, 0), 0));
}

// Keeps the windows on the desk, where the player can reach them: a window dragged by its
// title bar, or left behind when the desk shrinks (a phone turned, a browser window made
// smaller), comes back as far as it fits, its title bar first. Qt's own web platform lets a
// window go where the page cannot show it.
class DeskKeeper : public QObject {
public:
    explicit DeskKeeper(QObject *parent) : QObject(parent) {}

    void keep(QWidget *window)
    {
        window->installEventFilter(this);
        kept_.removeIf([](const QPointer<QWidget> &gone) { return gone.isNull(); });
        kept_.append(window);
        if (!watched_) {
            watched_ = window->screen();
            connect(watched_, &QScreen::availableGeometryChanged, this, &DeskKeeper::deskChanged);
        }
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Show)
            bringBack(static_cast<QWidget *>(object));
        return false;
    }

private:
    void deskChanged()
    {
        for (QWidget *window : std::as_const(kept_)) {
            if (!window || !window->isVisible())
                continue;
            if (onPhone())
                placeOnPhone(window);
            else
                bringBack(window);
        }
    }

    void bringBack(QWidget *window)
    {
        if (moving_ || !window->isVisible())
            return;
        const QRect desk = window->screen()->availableGeometry();
        const QRect frame = window->frameGeometry();
        QPoint place = frame.topLeft();
        place.setX(std::max(desk.left(), std::min(place.x(), desk.right() + 1 - frame.width())));
        place.setY(std::max(desk.top(), std::min(place.y(), desk.bottom() + 1 - frame.height())));
        if (place == frame.topLeft())
            return;
        moving_ = true;
        window->move(place);
        moving_ = false;
    }

    QList<QPointer<QWidget>> kept_;
    QScreen *watched_ = nullptr;
    bool moving_ = false;
};

// Tells Qt that a box takes no input method, whatever the box says of itself (a line edit
// says it takes one while it is editable): Qt's typing field, which a screen reader hears as
// it changes, then stays off it, and the page's mirror shows the box as text to read
// (pagemirror.h). Keys still reach the box from the keyboard as key presses.
class TakesNoInputMethod : public QObject {
public:
    explicit TakesNoInputMethod(QObject *parent) : QObject(parent) {}

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() != QEvent::InputMethodQuery || answering_)
            return false;
        answering_ = true;
        QCoreApplication::sendEvent(object, event); // the box answers the rest
        answering_ = false;
        auto *query = static_cast<QInputMethodQueryEvent *>(event);
        if (query->queries() & Qt::ImEnabled)
            query->setValue(Qt::ImEnabled, false);
        return true;
    }

private:
    bool answering_ = false;
};

DeskKeeper *deskKeeper()
{
    static auto *keeper = new DeskKeeper(qApp);
    return keeper;
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

void prepareWindow(QWidget *window)
{
    if (onPhone())
        window->setWindowFlag(Qt::FramelessWindowHint);
    deskKeeper()->keep(window);
    web::mirrorWindow(window);
}

void placeGame(QWidget *game, QSize companion)
{
    if (onPhone()) {
        placeOnPhone(game);
        return;
    }
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
    if (onPhone()) {
        placeOnPhone(window); // over the game, which it covers until closed
        return;
    }
    // At the right of the game where the desk has room, else where the desk centres it.
    const QRect desk = window->screen()->availableGeometry();
    const QRect next = game->frameGeometry();
    if (next.right() + kMargin + framedSize(window, window->size()).width() <= desk.right())
        window->move(next.right() + 1 + kMargin, next.top());
}

void prepareClockBox(QWidget *box)
{
    box->installEventFilter(new TakesNoInputMethod(box));
}

void announce(const QString &text)
{
    // The page's live region: a screen reader reads out each new text put in it.
    if (auto region = pageElement("annuncio"))
        region->set("textContent", text.toStdString());
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
