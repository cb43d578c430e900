#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QAccessibleWidget>

#include "letterboard.h"

namespace ui {

namespace {

// A disc of the board speaks for its place: its letter and how the letter stands. It is an
// item of the window, as the board's other drawing is nothing a reader needs to stop on.
class DiscAccessible final : public QAccessibleObject {
public:
    explicit DiscAccessible(BoardDisc *disc) : QAccessibleObject(disc) {}

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(disc()->board()->window());
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? disc()->spoken() : QString();
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !disc()->board()->isVisible();
        return state;
    }
    QRect rect() const override
    {
        const LetterBoard *board = disc()->board();
        const QRect box = board->discRect(disc()->index());
        return QRect(board->mapToGlobal(box.topLeft()), box.size());
    }

private:
    BoardDisc *disc() const { return static_cast<BoardDisc *>(object()); }
};

// A window of the game: a frame named by its caption (a bare top-level widget would be a
// nameless filler), whose children are its controls and, in place of the letter board, the
// board's 21 discs.
class WindowAccessible final : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget *window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override { return int(items().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QObject *> all = items();
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(items().indexOf(child->object())) : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (QObject *item : items()) {
            QAccessibleInterface *candidate = QAccessible::queryAccessibleInterface(item);
            if (candidate && candidate->isValid() && !candidate->state().invisible && candidate->rect().contains(x, y))
                return candidate;
        }
        return nullptr;
    }

private:
    QList<QObject *> items() const
    {
        QList<QObject *> found;
        for (QObject *object : widget()->children()) {
            if (auto *board = qobject_cast<LetterBoard *>(object)) {
                for (int k = 1; k <= content::kLetterCount; ++k)
                    found.append(board->disc(k));
            } else if (auto *item = qobject_cast<QWidget *>(object); item && !item->isWindow()) {
                found.append(item);
            }
        }
        return found;
    }
};

class NoticeAccessible final : public QAccessibleWidget {
public:
    explicit NoticeAccessible(Notice *notice) : QAccessibleWidget(notice, QAccessible::Notification) {}

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<const Notice *>(widget())->text() : QString();
    }
};

QAccessibleInterface *gameAccessible(const QString &className, QObject *object)
{
    if (auto *notice = qobject_cast<Notice *>(object))
        return new NoticeAccessible(notice);
    if (auto *disc = qobject_cast<BoardDisc *>(object))
        return new DiscAccessible(disc);
    if (object->isWidgetType() && (className == u"Form1" || className == u"infistr"))
        return new WindowAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

Notice::Notice(QWidget *window) : QWidget(window)
{
    installAccessibility();
    setObjectName(QStringLiteral("Avviso"));
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void Notice::announce(const QString &text)
{
    text_ = text;
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void installAccessibility()
{
    static const bool installed = (QAccessible::installFactory(gameAccessible), true);
    Q_UNUSED(installed);
}

} // namespace ui
