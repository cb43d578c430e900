#include "accessibility.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

#include "letterboard.h"
#include "textspans.h"

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

// A box of text as a screen reader reads it and moves through it: its text, the caret and the
// selection, where each character is on the screen, and the words, lines and sentences it
// holds, found by textspans.h rather than by Qt's search, which never returns at the end of a
// line edit's text. A box the player cannot type into cannot be written through it either.
class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    using QAccessibleWidget::QAccessibleWidget;

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface && editable())
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectableText = true;
        if (editable())
            state.editable = true;
        else
            state.readOnly = true;
        return state;
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? content() : QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t != QAccessible::Value)
            QAccessibleWidget::setText(t, text);
        else if (editable())
            replaceText(0, int(content().size()), text);
    }

    // Text
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = content();
        startOffset = std::clamp(startOffset, 0, int(all.size()));
        endOffset = std::clamp(endOffset == -1 ? int(all.size()) : endOffset, startOffset, int(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(content().size()); }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                         int *endOffset) const override
    {
        return piece(spanAt(content(), offset, type, lineStarts()), startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                             int *endOffset) const override
    {
        return piece(spanBefore(content(), offset, type, lineStarts()), startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                            int *endOffset) const override
    {
        return piece(spanAfter(content(), offset, type, lineStarts()), startOffset, endOffset);
    }
    // The whole text is one run, in Italian: a reader picks its voice by the run's language,
    // not by the desktop's. A run of no characters at each offset, as Qt gives a line edit,
    // has a reader drop the last character of the line it reads.
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        const int size = characterCount();
        const bool inside = offset >= 0 && offset <= size;
        *startOffset = inside ? 0 : -1;
        *endOffset = inside ? size : -1;
        return inside ? QStringLiteral("language:it") : QString();
    }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override { select(cursorPosition(), cursorPosition()); }
    void setSelection(int, int startOffset, int endOffset) override
    {
        const int size = characterCount();
        select(std::clamp(startOffset, 0, size), std::clamp(endOffset, 0, size));
    }
    void setCursorPosition(int position) override { select(position, position); }

    // Editable text, offered only where the player can type
    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, QString()); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        if (!editable())
            return;
        const int size = characterCount();
        startOffset = std::clamp(startOffset, 0, size);
        endOffset = std::clamp(endOffset, startOffset, size);
        writeOver(startOffset, endOffset, text);
    }

protected:
    virtual QString content() const = 0;
    virtual bool editable() const = 0;
    // Where each line after the first begins, for a box that wraps its text.
    virtual QList<int> lineStarts() const { return {}; }
    // Selects from `anchor` to `position`, which leaves the caret there.
    virtual void select(int anchor, int position) = 0;
    // Writes `text` over the characters from `start` to `end`, as typing would.
    virtual void writeOver(int start, int end, const QString &text) = 0;

    // The box of a character one font line high, on the screen.
    QRect characterBox(QPoint caretTopLeft, int offset) const
    {
        const QString character = text(offset, offset + 1);
        if (character.isEmpty())
            return QRect();
        const QFontMetrics metrics(widget()->font());
        return QRect(caretTopLeft, QSize(metrics.horizontalAdvance(character), metrics.height()));
    }

private:
    QString piece(TextSpan span, int *startOffset, int *endOffset) const
    {
        *startOffset = span.start;
        *endOffset = span.end;
        return span.start == -1 ? QString() : text(span.start, span.end);
    }
};

class LineEditAccessible final : public TextBoxAccessible {
public:
    explicit LineEditAccessible(QLineEdit *edit) : TextBoxAccessible(edit, QAccessible::EditableText) {}

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && edit()->hasSelectedText()) {
            *startOffset = edit()->selectionStart();
            *endOffset = edit()->selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    QRect characterRect(int offset) const override
    {
        // The caret's place, moved along by the characters between it and the offset: the box
        // holds one line, so this is where the character is drawn.
        const QString all = content();
        const int caret = edit()->cursorPosition();
        const QFontMetrics metrics(edit()->font());
        const int shift = offset >= caret ? metrics.horizontalAdvance(all.mid(caret, offset - caret))
                                          : -metrics.horizontalAdvance(all.mid(offset, caret - offset));
        const QRect caretBox = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        return characterBox(edit()->mapToGlobal(QPoint(caretBox.center().x() + shift, caretBox.top())), offset);
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint inBox = edit()->mapFromGlobal(point);
        return edit()->rect().contains(inBox) ? edit()->cursorPositionAt(inBox) : -1;
    }
    void scrollToSubstring(int, int endIndex) override { edit()->setCursorPosition(endIndex); }

protected:
    QString content() const override { return edit()->text(); }
    bool editable() const override { return !edit()->isReadOnly(); }
    void select(int anchor, int position) override
    {
        edit()->setSelection(anchor, position - anchor);
    }
    void writeOver(int start, int end, const QString &text) override
    {
        edit()->setSelection(start, end - start);
        edit()->insert(text);
    }

private:
    QLineEdit *edit() const { return static_cast<QLineEdit *>(widget()); }
};

// The question box, and the instructions window's two boxes: a document that wraps.
template <typename Edit>
class DocumentBoxAccessible final : public TextBoxAccessible {
public:
    explicit DocumentBoxAccessible(Edit *edit) : TextBoxAccessible(edit, QAccessible::EditableText) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = TextBoxAccessible::state();
        state.multiLine = true;
        return state;
    }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        const QTextCursor cursor = edit()->textCursor();
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && cursor.hasSelection()) {
            *startOffset = cursor.selectionStart();
            *endOffset = cursor.selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->textCursor().hasSelection() ? 1 : 0; }
    int cursorPosition() const override { return edit()->textCursor().position(); }
    QRect characterRect(int offset) const override
    {
        QTextCursor cursor(edit()->document());
        cursor.setPosition(std::clamp(offset, 0, characterCount()));
        return characterBox(edit()->viewport()->mapToGlobal(edit()->cursorRect(cursor).topLeft()), offset);
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint inView = edit()->viewport()->mapFromGlobal(point);
        return edit()->viewport()->rect().contains(inView) ? edit()->cursorForPosition(inView).position() : -1;
    }
    void scrollToSubstring(int, int) override {} // the game's documents are read by scrolling, not moved

protected:
    QString content() const override { return edit()->toPlainText(); }
    bool editable() const override { return !edit()->isReadOnly(); }
    QList<int> lineStarts() const override
    {
        QList<int> starts;
        edit()->document()->documentLayout()->documentSize(); // lays the text out if it is not yet
        for (QTextBlock block = edit()->document()->begin(); block.isValid(); block = block.next()) {
            const QTextLayout *layout = block.layout();
            const int lines = layout ? layout->lineCount() : 0;
            starts.append(block.position());
            for (int i = 1; i < lines; ++i)
                starts.append(block.position() + layout->lineAt(i).textStart());
        }
        return starts;
    }
    void select(int anchor, int position) override
    {
        QTextCursor cursor = edit()->textCursor();
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        edit()->setTextCursor(cursor);
    }
    void writeOver(int start, int end, const QString &text) override
    {
        QTextCursor cursor(edit()->document());
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.insertText(text);
    }

private:
    Edit *edit() const { return static_cast<Edit *>(widget()); }
};

// The current letter: one letter, read as static text, which has no caret.
class CurrentLetterAccessible final : public TextBoxAccessible {
public:
    explicit CurrentLetterAccessible(QLabel *label) : TextBoxAccessible(label, QAccessible::StaticText) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    int cursorPosition() const override { return 0; }
    QRect characterRect(int offset) const override
    {
        const QString all = content();
        const QFontMetrics metrics(label()->font());
        const QRect drawn = QStyle::alignedRect(label()->layoutDirection(), label()->alignment(),
                                                QSize(metrics.horizontalAdvance(all), metrics.height()),
                                                label()->contentsRect());
        return characterBox(label()->mapToGlobal(drawn.topLeft() + QPoint(metrics.horizontalAdvance(all.left(offset)), 0)),
                            offset);
    }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}

protected:
    QString content() const override { return label()->text(); }
    bool editable() const override { return false; }
    void select(int, int) override {}
    void writeOver(int, int, const QString &) override {}

private:
    QLabel *label() const { return static_cast<QLabel *>(widget()); }
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
    if (auto *edit = qobject_cast<QLineEdit *>(object))
        return new LineEditAccessible(edit);
    if (auto *edit = qobject_cast<QTextEdit *>(object))
        return new DocumentBoxAccessible<QTextEdit>(edit);
    if (auto *edit = qobject_cast<QPlainTextEdit *>(object))
        return new DocumentBoxAccessible<QPlainTextEdit>(edit);
    if (auto *letter = qobject_cast<CurrentLetterLabel *>(object))
        return new CurrentLetterAccessible(letter);
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
