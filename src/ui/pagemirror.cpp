#include "pagemirror.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "letterboard.h"

namespace ui::web {

namespace {

using emscripten::val;

// What a control becomes in the page.
enum class Kind {
    Text,       // a label, a disc, the current letter: text to read
    Picture,    // the photograph, by its name
    Button,     // a push button, which takes the keyboard
    ReadingBox,  // a box of a line or two the player reads (the clue, the score, the clock)
    DocumentBox, // a page of text the player reads (the instructions), by line and by paragraph
    TypingBox,   // a box the player types into: Qt's typing field takes the keyboard for it
};

std::optional<Kind> kindOf(QAccessibleInterface *accessible)
{
    switch (accessible->role()) {
    case QAccessible::StaticText:
        return Kind::Text;
    case QAccessible::Graphic:
        return Kind::Picture;
    case QAccessible::Button:
        return Kind::Button;
    case QAccessible::EditableText: {
        // A box that takes no input method from the keyboard (platform::preferReading) is read,
        // not typed into through Qt's typing field: the clock's, which the program rewrites
        // every second, as a read-only box; the instructions' as pages of text.
        QInputMethodQueryEvent query(Qt::ImEnabled);
        if (accessible->object())
            QCoreApplication::sendEvent(accessible->object(), &query);
        const QAccessible::State state = accessible->state();
        if (state.readOnly || !query.value(Qt::ImEnabled).toBool())
            return state.multiLine && !state.readOnly ? Kind::DocumentBox : Kind::ReadingBox;
        return Kind::TypingBox;
    }
    default:
        return std::nullopt; // the notice: the page's live region says what it says
    }
}

bool takesKeyboard(Kind kind)
{
    return kind != Kind::Text && kind != Kind::Picture;
}

bool present(const val &value)
{
    return !value.isNull() && !value.isUndefined();
}

// The element that has the page's keyboard, looked for inside the windows' shadow trees.
val activeElement()
{
    val element = val::global("document")["activeElement"];
    while (present(element) && present(element["shadowRoot"]) && present(element["shadowRoot"]["activeElement"]))
        element = element["shadowRoot"]["activeElement"];
    return element;
}

val makeElement(const val &document, const char *tag)
{
    return document.call<val>("createElement", std::string(tag));
}

void setAttribute(val &element, const char *name, const QString &value)
{
    element.call<void>("setAttribute", std::string(name), value.toStdString());
}

// The mirror's look: out of sight behind the canvas, each element at its control's place, its
// text in the design face at the control's size, so that its lines break where the control's
// do. Places and sizes are shares of the window, which keep true at whatever scale the page
// shows the window.
constexpr char kStyle[] = R"css(
.giro-mirror { position: absolute; inset: 0; container-type: size; pointer-events: none; }
.giro-mirror > * { position: absolute; box-sizing: border-box; margin: 0; padding: 0; border: 0;
    overflow: hidden; background: transparent; color: transparent; resize: none; outline: none;
    font-family: "Liberation Sans", Arial, Helvetica, sans-serif; line-height: normal;
    white-space: pre-wrap; text-align: center; }
.giro-mirror p, .giro-mirror h2 { margin: 0; font-size: inherit; }
)css";

struct Item {
    QPointer<QObject> object;
    Kind kind = Kind::Text;
    val element = val::undefined();
    // What the page was last given, so that only what changes is written.
    QString name;
    QString value;
    bool disabled = false;
    bool hidden = false;
    int selectionStart = -1;
    int selectionEnd = -1;
};

struct Mirror {
    QPointer<QWidget> window;
    val root = val::undefined(); // inside the window's element, behind its canvas
    val heading = val::undefined();
    QString caption;
    std::vector<Item> items;
};

class PageMirror final : public QObject {
public:
    static PageMirror &instance()
    {
        static auto *mirror = new PageMirror(qApp);
        return *mirror;
    }

    void watch(QWidget *window)
    {
        window->installEventFilter(this);
        Mirror mirror;
        mirror.window = window;
        mirrors_.push_back(std::move(mirror));
        connect(window, &QObject::destroyed, this, [this] {
            std::erase_if(mirrors_, [](const Mirror &mirror) { return mirror.window.isNull(); });
        });
    }

    void elementFocused(const val &element)
    {
        const Item *item = itemOf(element);
        auto *widget = item ? qobject_cast<QWidget *>(item->object.data()) : nullptr;
        if (!widget || !widget->isEnabled())
            return;
        // A reader moved the page's keyboard to a control: the game's goes there too, or the
        // next key would reach another control than the one the reader names.
        if (widget != QApplication::focusWidget()) {
            widget->activateWindow();
            widget->setFocus(Qt::OtherFocusReason);
        } else if (item->kind == Kind::TypingBox && !following_) {
            QGuiApplication::inputMethod()->show(); // the typing field takes the keyboard
        }
    }

    void buttonClicked(const val &element)
    {
        const Item *item = itemOf(element);
        if (!item || item->kind != Kind::Button || !item->object)
            return;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(item->object);
        if (accessible && accessible->actionInterface())
            accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }

    // Something a reader may read has changed, or the focus has moved: the page catches up
    // once the event at hand is over.
    void schedule()
    {
        if (scheduled_)
            return;
        scheduled_ = true;
        QTimer::singleShot(0, this, [this] {
            scheduled_ = false;
            for (Mirror &mirror : mirrors_)
                refresh(mirror);
            followFocus(true);
        });
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        // A window about to show would take the page's keyboard for its canvas, and from its
        // first box, which a reader then hears as "canvas" and never as the box. Where the
        // keyboard is a phone's, the canvas keeps it: the first box of a window opened by a
        // tap must not bring up the phone's keyboard, which the player did not ask for.
        if (event->type() == QEvent::Show && !touchScreen())
            keepKeyboardOffCanvas(windowElement(static_cast<QWidget *>(object)));
        if (event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange)
            schedule();
        return QObject::eventFilter(object, event);
    }

private:
    explicit PageMirror(QObject *parent) : QObject(parent)
    {
        QAccessible::installUpdateHandler([](QAccessibleEvent *) { instance().schedule(); });
        // The page's keyboard moves with the game's at once, in the same turn of the page: a
        // reader hears the control it lands on, not the page it passes through.
        connect(qApp, &QApplication::focusChanged, this, [this] {
            for (Mirror &mirror : mirrors_)
                refresh(mirror);
            followFocus(false);
            schedule();
        });
    }

    const Item *itemOf(const val &element) const
    {
        for (const Mirror &mirror : mirrors_)
            for (const Item &item : mirror.items)
                if (item.element.strictlyEquals(element))
                    return &item;
        return nullptr;
    }

    Item *itemOf(const QObject *object)
    {
        for (Mirror &mirror : mirrors_)
            for (Item &item : mirror.items)
                if (item.object == object)
                    return &item;
        return nullptr;
    }

    static bool touchScreen()
    {
        return val::global("window").call<val>("matchMedia", std::string("(pointer: coarse)"))["matches"].as<bool>();
    }

    // The canvas no longer takes the page's keyboard: the mirror's elements and Qt's typing
    // field hold it and pass the keys on to the window, and a reader names a focused canvas.
    static void keepKeyboardOffCanvas(const val &frame)
    {
        const val canvas = present(frame) ? frame.call<val>("querySelector", std::string("canvas")) : val::undefined();
        if (present(canvas))
            canvas.call<void>("removeAttribute", std::string("contenteditable"));
    }

    // The window's element in the page, once Qt has made it.
    static val windowElement(QWidget *window)
    {
        if (!window->windowHandle() || !window->windowHandle()->handle())
            return val::undefined();
        const val canvas = val::module_property("specialHTMLTargets")["!qtwindow" + std::to_string(window->winId())];
        return present(canvas) ? canvas.call<val>("closest", std::string(".qt-window")) : val::undefined();
    }

    void build(Mirror &mirror)
    {
        const val frame = windowElement(mirror.window);
        if (!present(frame))
            return;
        const val container = frame.call<val>("querySelector", std::string(".qt-window-a11y-container"));
        if (!present(container))
            return;
        const val document = frame["ownerDocument"];
        const val shadow = frame.call<val>("getRootNode");
        if (!present(shadow.call<val>("querySelector", std::string("style.giro-mirror-style")))) {
            val style = makeElement(document, "style");
            style["classList"].call<void>("add", std::string("giro-mirror-style"));
            style.set("textContent", std::string(kStyle));
            shadow.call<void>("appendChild", style);
        }
        // The caption bar Qt draws round the window offers only what a mouse uses; the mirror
        // opens with the caption as a heading, which a reader moves to from window to window.
        const val titleBar = frame.call<val>("querySelector", std::string(".title-bar"));
        if (present(titleBar))
            titleBar.call<void>("setAttribute", std::string("aria-hidden"), std::string("true"));
        keepKeyboardOffCanvas(frame);

        mirror.root = makeElement(document, "div");
        mirror.root["classList"].call<void>("add", std::string("giro-mirror"));
        mirror.heading = makeElement(document, "h2");
        mirror.root.call<void>("appendChild", mirror.heading);
        container.call<void>("appendChild", mirror.root);

        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(mirror.window);
        std::vector<std::pair<QAccessibleInterface *, Kind>> controls;
        for (int i = 0; i < window->childCount(); ++i) {
            QAccessibleInterface *child = window->child(i);
            if (const auto kind = child ? kindOf(child) : std::nullopt)
                controls.emplace_back(child, *kind);
        }
        // Read as the window is laid out, row by row, except the board's discs, which come last
        // in the order of the letters: a reader meets the clue and the buttons without first
        // going through 21 discs.
        const auto isDisc = [](QAccessibleInterface *a) { return qobject_cast<BoardDisc *>(a->object()) != nullptr; };
        std::stable_sort(controls.begin(), controls.end(), [&](const auto &a, const auto &b) {
            if (isDisc(a.first) || isDisc(b.first))
                return !isDisc(a.first) && isDisc(b.first);
            const QRect ra = a.first->rect(), rb = b.first->rect();
            return std::pair(ra.top(), ra.left()) < std::pair(rb.top(), rb.left());
        });
        for (const auto &[accessible, kind] : controls) {
            Item item;
            item.object = accessible->object();
            item.kind = kind;
            item.element = create(document, accessible, kind);
            place(mirror, item, accessible);
            mirror.root.call<void>("appendChild", item.element);
            mirror.items.push_back(std::move(item));
        }
    }

    static val create(const val &document, QAccessibleInterface *accessible, Kind kind)
    {
        const bool multiLine = accessible->state().multiLine;
        val element = val::undefined();
        switch (kind) {
        case Kind::Text:
            element = makeElement(document, "div");
            break;
        case Kind::Picture:
            element = makeElement(document, "div");
            element.call<void>("setAttribute", std::string("role"), std::string("img"));
            break;
        case Kind::Button:
            element = makeElement(document, "button");
            element.set("type", std::string("button"));
            element.call<void>("addEventListener", std::string("click"),
                               val::module_property("giroMirrorButtonClicked"));
            break;
        case Kind::ReadingBox:
            // A text field of the page's own, which moves its caret as the box does: a reader
            // reads by character, word and line there. It brings up no on-screen keyboard.
            element = makeElement(document, multiLine ? "textarea" : "input");
            element.set("readOnly", true);
            element.call<void>("setAttribute", std::string("inputmode"), std::string("none"));
            element.call<void>("setAttribute", std::string("spellcheck"), std::string("false"));
            break;
        case Kind::DocumentBox:
            // A page of text in paragraphs, which a reader reads by its own keys for lines and
            // paragraphs while it has the keyboard.
            element = makeElement(document, "div");
            element.call<void>("setAttribute", std::string("role"), std::string("article"));
            break;
        case Kind::TypingBox:
            // Stands for the box where a reader moves through the page; once it has the
            // keyboard, Qt's typing field takes it over.
            element = makeElement(document, "div");
            element.call<void>("setAttribute", std::string("role"), std::string("textbox"));
            break;
        }
        if (takesKeyboard(kind)) {
            // The game's own order decides where Tab goes, not the page's.
            element.set("tabIndex", -1);
            element.call<void>("addEventListener", std::string("focus"),
                               val::module_property("giroMirrorElementFocused"));
        }
        return element;
    }

    // The element over its control, and its text at the control's size.
    static void place(const Mirror &mirror, Item &item, QAccessibleInterface *accessible)
    {
        const QWidget *window = mirror.window;
        const QRect box(window->mapFromGlobal(accessible->rect().topLeft()), accessible->rect().size());
        const auto share = [](int part, int whole) { return std::to_string(100.0 * part / whole) + "%"; };
        val style = item.element["style"];
        style.set("left", share(box.left(), window->width()));
        style.set("top", share(box.top(), window->height()));
        style.set("width", share(box.width(), window->width()));
        style.set("height", share(box.height(), window->height()));
        const auto *widget = qobject_cast<const QWidget *>(item.object.data());
        const QFont font = widget ? widget->font() : window->font();
        const qreal pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * window->logicalDpiY() / 72;
        style.set("fontSize", std::to_string(100.0 * pixels / window->width()) + "cqw");
        style.set("fontWeight", std::string(font.bold() ? "bold" : "normal"));
    }

    void refresh(Mirror &mirror)
    {
        if (!mirror.window)
            return;
        if (!present(mirror.root))
            build(mirror);
        if (!present(mirror.root))
            return; // the window is not in the page yet
        if (mirror.caption != mirror.window->windowTitle()) {
            mirror.caption = mirror.window->windowTitle();
            mirror.heading.set("textContent", mirror.caption.trimmed().toStdString());
        }
        const val focused = activeElement();
        for (Item &item : mirror.items) {
            QAccessibleInterface *accessible = item.object ? QAccessible::queryAccessibleInterface(item.object) : nullptr;
            if (!accessible)
                continue;
            const QAccessible::State state = accessible->state();
            const QString name = accessible->text(QAccessible::Name);
            const QString value = accessible->text(QAccessible::Value);
            if (state.invisible != item.hidden) {
                item.hidden = state.invisible;
                item.element.set("hidden", item.hidden);
            }
            if (name != item.name || value != item.value) {
                show(item, name, value);
                item.name = name;
                item.value = value;
            }
            if (item.kind == Kind::Button && state.disabled != item.disabled) {
                item.disabled = state.disabled;
                item.element.set("disabled", item.disabled);
            }
            // Only while both the game and the page have the box: a box losing the focus drops
            // its selection, which a reader would hear as news of the box it is leaving.
            if (item.kind == Kind::ReadingBox && item.object == QApplication::focusWidget()
                && item.element.strictlyEquals(focused))
                followCaret(item, accessible);
        }
    }

    // Writes a control's name and text into its element, always as text: what a player typed
    // is never read as markup.
    static void show(Item &item, const QString &name, const QString &value)
    {
        val &element = item.element;
        switch (item.kind) {
        case Kind::Text:
            // A label reads by its text; the current letter by its name and the letter.
            element.set("textContent", (value.isEmpty() || value == name ? name : name + u' ' + value).toStdString());
            break;
        case Kind::Picture:
        case Kind::ReadingBox:
            setAttribute(element, "aria-label", name);
            if (item.kind == Kind::ReadingBox && QString::fromEcmaString(element["value"]) != value) {
                element.set("value", value.toEcmaString());
                item.selectionStart = item.selectionEnd = -1;
            }
            break;
        case Kind::Button:
            element.set("textContent", name.toStdString());
            break;
        case Kind::TypingBox:
            setAttribute(element, "aria-label", name);
            element.set("textContent", value.toStdString());
            break;
        case Kind::DocumentBox: {
            setAttribute(element, "aria-label", name);
            // A paragraph for each line of the text.
            element.set("textContent", std::string());
            const val document = element["ownerDocument"];
            QStringList lines = value.split(QRegularExpression(QStringLiteral("\r\n|[\r\n\u2029]")));
            if (!lines.isEmpty() && lines.last().isEmpty())
                lines.removeLast();
            for (const QString &line : std::as_const(lines)) {
                val paragraph = makeElement(document, "p");
                paragraph.set("textContent", line.toStdString());
                element.call<void>("appendChild", paragraph);
            }
            break;
        }
        }
    }

    // The field's caret and selection where the box has them, which is what a reader reads
    // after a key that moved them.
    static void followCaret(Item &item, QAccessibleInterface *accessible)
    {
        QAccessibleTextInterface *text = accessible->textInterface();
        if (!text)
            return;
        int start = text->cursorPosition();
        int end = start;
        bool backward = false;
        if (text->selectionCount() > 0) {
            text->selection(0, &start, &end);
            backward = text->cursorPosition() == start && start != end;
        }
        if (start == item.selectionStart && end == item.selectionEnd)
            return;
        item.selectionStart = start;
        item.selectionEnd = end;
        item.element.call<void>("setSelectionRange", start, end, std::string(backward ? "backward" : "forward"));
    }

    // The page's keyboard goes where the game's is: to the element of the control that has
    // the focus, unless Qt's typing field has taken it for the control (a box the player types
    // into, or one a player pointed at). For a box the player types into, the field takes it
    // as the focus moves, unless the window took it back as it was shown (a phone's): once the
    // focus has settled, the box's element then holds it, as it brings up no on-screen
    // keyboard the player did not ask for.
    void followFocus(bool settled)
    {
        const Item *item = itemOf(QApplication::focusWidget());
        if (!item || item->hidden || !takesKeyboard(item->kind) || (item->kind == Kind::TypingBox && !settled))
            return;
        const val active = activeElement();
        if (item->element.strictlyEquals(active))
            return;
        if (present(active) && present(active["data-qinputcontext"]))
            return; // Qt's typing field, which carries its input context
        val options = val::object();
        options.set("preventScroll", true);
        following_ = true;
        item->element.call<void>("focus", options);
        following_ = false;
    }

    std::vector<Mirror> mirrors_;
    bool scheduled_ = false;
    bool following_ = false; // the page's keyboard is being moved to where the game's is
};

void onElementFocused(val event)
{
    PageMirror::instance().elementFocused(event["currentTarget"]);
}

void onButtonClicked(val event)
{
    PageMirror::instance().buttonClicked(event["currentTarget"]);
}

} // namespace

void mirrorWindow(QWidget *window)
{
    PageMirror::instance().watch(window);
}

} // namespace ui::web

EMSCRIPTEN_BINDINGS(girolettera_page_mirror)
{
    emscripten::function("giroMirrorElementFocused", &ui::web::onElementFocused);
    emscripten::function("giroMirrorButtonClicked", &ui::web::onButtonClicked);
}
