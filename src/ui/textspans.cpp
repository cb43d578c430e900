#include "textspans.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace ui {

namespace {

// Where the pieces of `text` begin, 0 first, each once, in order; the end of the text is not
// among them. toNextBoundary() gives -1 at the end, which ends the walk.
QList<int> pieceStarts(const QString &text, QAccessible::TextBoundaryType type, const QList<int> &lineStarts)
{
    QList<int> starts{0};
    switch (type) {
    case QAccessible::CharBoundary:
    case QAccessible::SentenceBoundary: {
        QTextBoundaryFinder finder(type == QAccessible::CharBoundary ? QTextBoundaryFinder::Grapheme
                                                                     : QTextBoundaryFinder::Sentence,
                                   text);
        for (int at = int(finder.toNextBoundary()); at != -1 && at < text.size(); at = int(finder.toNextBoundary()))
            starts.append(at);
        break;
    }
    case QAccessible::WordBoundary: {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
        for (int at = int(finder.toNextBoundary()); at != -1 && at < text.size(); at = int(finder.toNextBoundary()))
            if (finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem)
                starts.append(at);
        break;
    }
    case QAccessible::ParagraphBoundary:
        for (int at = int(text.indexOf(u'\n')); at != -1 && at + 1 < text.size(); at = int(text.indexOf(u'\n', at + 1)))
            starts.append(at + 1);
        break;
    case QAccessible::LineBoundary:
        for (int at : lineStarts)
            if (at > starts.last() && at < text.size())
                starts.append(at);
        break;
    case QAccessible::NoBoundary:
        break;
    }
    return starts;
}

// A character, word or sentence ends where the text does; a line, paragraph or the whole text
// is still there with the caret after its last character.
bool emptyAtTheEnd(QAccessible::TextBoundaryType type)
{
    return type == QAccessible::CharBoundary || type == QAccessible::WordBoundary
        || type == QAccessible::SentenceBoundary;
}

} // namespace

TextSpan spanAt(const QString &text, int offset, QAccessible::TextBoundaryType type, const QList<int> &lineStarts)
{
    const int size = int(text.size());
    if (offset == -1)
        offset = size;
    if (offset < 0 || offset > size)
        return {};
    if (offset == size && (size == 0 || emptyAtTheEnd(type)))
        return {size, size};
    const QList<int> starts = pieceStarts(text, type, lineStarts);
    // The last start at or before the offset, and the next one after it.
    const auto next = std::upper_bound(starts.begin(), starts.end(), std::min(offset, size - 1));
    return {*(next - 1), next == starts.end() ? size : *next};
}

TextSpan spanBefore(const QString &text, int offset, QAccessible::TextBoundaryType type, const QList<int> &lineStarts)
{
    const TextSpan at = spanAt(text, offset, type, lineStarts);
    if (at.start <= 0)
        return at.start == -1 ? at : TextSpan{0, 0};
    // At the end of the text, where a word is empty, the word before is the last one.
    return spanAt(text, at.start - 1, type, lineStarts);
}

TextSpan spanAfter(const QString &text, int offset, QAccessible::TextBoundaryType type, const QList<int> &lineStarts)
{
    const TextSpan at = spanAt(text, offset, type, lineStarts);
    const int size = int(text.size());
    if (at.start == -1)
        return at;
    if (at.end >= size)
        return {size, size};
    return spanAt(text, at.end, type, lineStarts);
}

} // namespace ui
