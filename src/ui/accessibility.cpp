#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "letterboard.h"

namespace ui {

namespace {

// A disc speaks for its place on the board: its letter and how the letter stands.
class DiscAccessible final : public QAccessibleWidget {
public:
    explicit DiscAccessible(Disc *disc) : QAccessibleWidget(disc, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<const Disc *>(widget())->spoken();
        return QAccessibleWidget::text(t);
    }
};

// The letter labels only paint their disc's letter again and the track lines are drawing: a
// screen reader that met them would read every letter twice and stop on an empty item over
// the whole window. The window leaves them out of its children; should a reader reach one
// all the same, it says it is hidden.
bool drawingOnly(const QObject *object)
{
    return qobject_cast<const LetterLabel *>(object) || qobject_cast<const TrackLines *>(object);
}

class DrawingAccessible final : public QAccessibleWidget {
public:
    explicit DrawingAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::Graphic) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        state.focusable = false;
        return state;
    }
    QRect rect() const override { return QRect(); }
};

// A window of the game: a frame named by its caption (a bare top-level widget would be a
// nameless filler), whose children are its controls and, in the main window, the discs.
class WindowAccessible final : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget *window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override { return int(items().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> all = items();
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(items().indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (QWidget *item : items()) {
            QAccessibleInterface *candidate = QAccessible::queryAccessibleInterface(item);
            if (candidate && candidate->isValid() && candidate->rect().contains(x, y))
                return candidate;
        }
        return nullptr;
    }

private:
    QList<QWidget *> items() const
    {
        QList<QWidget *> found;
        for (QObject *object : widget()->children()) {
            auto *item = qobject_cast<QWidget *>(object);
            if (item && !item->isWindow() && !drawingOnly(item))
                found.append(item);
        }
        return found;
    }
};

QAccessibleInterface *gameAccessible(const QString &className, QObject *object)
{
    if (auto *disc = qobject_cast<Disc *>(object))
        return new DiscAccessible(disc);
    if (drawingOnly(object))
        return new DrawingAccessible(static_cast<QWidget *>(object));
    if (object->isWidgetType() && (className == u"Form1" || className == u"infistr"))
        return new WindowAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = (QAccessible::installFactory(gameAccessible), true);
    Q_UNUSED(installed);
}

} // namespace ui
