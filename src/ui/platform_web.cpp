// The web: the game runs in a page of a browser (packaging/web/index.html), its windows framed
// by the page on a desk that fills it, everything it needs built into the program.

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtGui/private/qhighdpiscaling_p.h>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "pagemirror.h"
#include "platform.h"

namespace {

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

// Where the windows go on a computer's page and how large, as the page's rule (placeWindows
// in index.html) has it for a page of `page` pixels: the scale they are drawn at from their
// design size, and the box of each, its frame included, in the page's pixels.
struct DeskLayout {
    qreal scale = 1;
    QRect game;
    QRect instructions; // empty while they are closed
};

std::optional<DeskLayout> pageLayout(QSize page, bool instructions)
{
    const emscripten::val place = emscripten::val::global("placeWindows");
    if (place.typeOf().as<std::string>() != "function")
        return std::nullopt;
    emscripten::val options = emscripten::val::object();
    options.set("instructions", instructions);
    const emscripten::val laid = place(page.width(), page.height(), options);
    const auto box = [](const emscripten::val &b) {
        if (b.isNull() || b.isUndefined())
            return QRect();
        return QRect(b["left"].as<int>(), b["top"].as<int>(), b["width"].as<int>(), b["height"].as<int>());
    };
    return DeskLayout{laid["scale"].as<double>(), box(laid["game"]), box(laid["instructions"])};
}

// A shown window as the web platform has it, in the page's own pixels. The window's own
// coordinates are scaled with the screen: placed through them, it could land a pixel away from
// where the page's rule puts it.
QPlatformWindow *pageWindow(const QWidget *window)
{
    return window->windowHandle() ? window->windowHandle()->handle() : nullptr;
}

// Puts a shown window's frame at `corner` of the page.
void putFrameAt(QWidget *window, QPoint corner)
{
    QPlatformWindow *native = pageWindow(window);
    if (!native || !window->isVisible())
        return;
    const QMargins frame = native->frameMargins();
    const QRect inside(corner + QPoint(frame.left(), frame.top()),
                       QHighDpi::toNativePixels(window->size(), window->windowHandle()));
    if (native->geometry() != inside)
        native->setGeometry(inside);
}

// On a phone every window lies at the top of the desk, centred: the page shows the one on top
// as large as the screen takes it.
void placeOnPhone(QWidget *window)
{
    const QRect desk = window->screen()->availableGeometry();
    const int left = (desk.width() - window->frameGeometry().width()) / 2;
    window->move(desk.topLeft() + QPoint(std::max(left, 0), 0));
}

// Keeps the windows on the desk, where the player can reach them. On a computer the game, and
// the instructions while they are open, are fitted to the page by the page's rule, and fitted
// afresh whenever the page changes size or zoom: Qt lays them out at their design size and
// draws them at the scale the rule gives, at the page's pixel ratio. A window dragged by its
// title bar, or left behind when the desk shrinks (a phone turned), comes back as far as it
// fits, its title bar first. Qt's own web platform lets a window go where the page cannot show
// it.
class DeskKeeper : public QObject {
public:
    explicit DeskKeeper(QObject *parent) : QObject(parent) {}

    // Takes a window before it is first shown: the first is the game, the next the
    // instructions, opened from it. On a computer the page is scaled for the windows open
    // before the window is made, which is then drawn at the scale from its first frame.
    void keep(QWidget *window)
    {
        window->installEventFilter(this);
        kept_.removeIf([](const QPointer<QWidget> &gone) { return gone.isNull(); });
        kept_.append(window);
        if (!watched_) {
            watched_ = window->screen();
            connect(watched_, &QScreen::availableGeometryChanged, this, &DeskKeeper::deskChanged);
        }
        if (!game_)
            game_ = window;
        else
            instructions_ = window;
        fit();
    }

    // Puts a window just shown where the page's rule has it.
    void place() { fit(); }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Show)
            bringBack(static_cast<QWidget *>(object));
        // The game goes back to its own size once the instructions are closed.
        if (event->type() == QEvent::Hide && object == instructions_) {
            instructions_ = nullptr;
            QMetaObject::invokeMethod(this, &DeskKeeper::fit, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void deskChanged()
    {
        if (!onPhone()) {
            fit();
            return;
        }
        for (QWidget *window : std::as_const(kept_)) {
            if (window && window->isVisible())
                placeOnPhone(window);
        }
    }

    void fit()
    {
        if (fitting_ || onPhone() || !game_)
            return;
        const QScopedValueRollback busy(fitting_, true);
        QScreen *screen = game_->screen();
        const QRect desk = screen->handle()->availableGeometry();
        const std::optional<DeskLayout> layout = pageLayout(desk.size(), !instructions_.isNull());
        if (!layout)
            return;
        if (!qFuzzyCompare(QHighDpiScaling::factor(screen), layout->scale)) {
            QHighDpiScaling::setScreenFactor(screen, layout->scale);
            // Each window is drawn afresh at its new pixel ratio, the scale times the page's.
            for (QWindow *window : QGuiApplication::topLevelWindows()) {
                if (window->handle())
                    QWindowSystemInterface::handleWindowDevicePixelRatioChanged<
                            QWindowSystemInterface::SynchronousDelivery>(window);
            }
        }
        putFrameAt(game_, desk.topLeft() + layout->game.topLeft());
        if (instructions_)
            putFrameAt(instructions_, desk.topLeft() + layout->instructions.topLeft());
    }

    void bringBack(QWidget *window)
    {
        QPlatformWindow *native = pageWindow(window);
        if (moving_ || fitting_ || !native || !window->isVisible())
            return;
        const QRect desk = window->screen()->handle()->availableGeometry();
        const QRect frame = native->geometry().marginsAdded(native->frameMargins());
        QPoint place = frame.topLeft();
        place.setX(std::max(desk.left(), std::min(place.x(), desk.right() + 1 - frame.width())));
        place.setY(std::max(desk.top(), std::min(place.y(), desk.bottom() + 1 - frame.height())));
        if (place == frame.topLeft())
            return;
        const QScopedValueRollback busy(moving_, true);
        native->setGeometry(native->geometry().translated(place - frame.topLeft()));
    }

    QList<QPointer<QWidget>> kept_;
    QPointer<QWidget> game_;
    QPointer<QWidget> instructions_;
    QScreen *watched_ = nullptr;
    bool moving_ = false;
    bool fitting_ = false;
};

// Tells Qt that a box takes an input method only from a press of the mouse or a touch on it
// until it loses the focus, whatever the box says of itself (a text box says it takes one
// while it is editable). Reached by the keyboard, or given the focus by its window, the box
// keeps Qt's typing field off, which a screen reader hears as it changes, and the page's
// mirror shows it as text to read (pagemirror.h); a tap still brings up a phone's keyboard.
// Keys reach the box from the keyboard as key presses either way.
class InputMethodWhenPointed : public QObject {
public:
    explicit InputMethodWhenPointed(QWidget *box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::TouchBegin:
            // The press has given the box the focus already, without the field: the field takes
            // the keyboard now, in the player's own gesture, as a phone's keyboard must be asked.
            pointed_ = true;
            if (QApplication::focusWidget() == box_) {
                QGuiApplication::inputMethod()->update(Qt::ImEnabled);
                QGuiApplication::inputMethod()->show();
            }
            return false;
        case QEvent::FocusOut:
            pointed_ = false;
            return false;
        case QEvent::InputMethodQuery:
            break;
        default:
            return false;
        }
        if (answering_ || object != box_)
            return false;
        answering_ = true;
        QCoreApplication::sendEvent(object, event); // the box answers the rest
        answering_ = false;
        auto *query = static_cast<QInputMethodQueryEvent *>(event);
        if ((query->queries() & Qt::ImEnabled) && !pointed_)
            query->setValue(Qt::ImEnabled, false);
        return true;
    }

private:
    QWidget *box_;
    bool pointed_ = false;
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
    // A window whose contents the page scales to fit has nothing to gain from a maximise
    // button: maximised, it would only grow grey round the game.
    if (onPhone()) {
        window->setWindowFlag(Qt::FramelessWindowHint);
        // Without a title bar the window shows no icon, which Qt would encode as a picture for
        // the page all the same: the first picture the program writes, a noticeable share of
        // its start.
        window->setWindowIcon(QIcon());
    } else {
        window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    }
    deskKeeper()->keep(window);
    web::mirrorWindow(window);
}

void placeGame(QWidget *game, QSize)
{
    // The page's rule places the instructions too, beside the game or over it.
    if (onPhone())
        placeOnPhone(game);
    else
        deskKeeper()->place();
    // Qt makes a window just shown active, and gives the keyboard to its box, through events it
    // handles later: handled now, before the window's first frame, they change that frame
    // instead of having the window drawn again right after it.
    QCoreApplication::processEvents();
}

void placeBeside(QWidget *window, const QWidget *)
{
    if (onPhone())
        placeOnPhone(window); // over the game, which it covers until closed
    else
        deskKeeper()->place();
}

void preferReading(QWidget *box)
{
    auto *filter = new InputMethodWhenPointed(box);
    box->installEventFilter(filter);
    // A text box of several lines is pressed on its viewport.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(box))
        area->viewport()->installEventFilter(filter);
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
