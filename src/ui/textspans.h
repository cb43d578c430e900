#pragma once
// The pieces of a text a screen reader moves by: characters, words, sentences, lines,
// paragraphs or the whole text. Every search here walks a text once from its start and stops
// at its end, whatever the offset asked; Qt's own search for a line edit loops for ever at the
// end of the text and before a leading blank or dash.

#include <QAccessible>
#include <QList>
#include <QString>

namespace ui {

struct TextSpan {
    int start = -1;
    int end = -1;
    bool operator==(const TextSpan &) const = default;
};

// The piece of `text` of the kind `type` at `offset` (0..size, or -1 for the end), as
// QAccessibleTextInterface::textAtOffset() gives it:
// - a character is a whole grapheme (a letter and its combining accents);
// - a word runs from its first letter to the next word's first letter, so the blank after it
//   belongs to it, and an offset between two words reads the word just before; before the
//   first word the leading blanks or marks are a piece of their own;
// - a line is one of `lineStarts` (the offsets where each line after the first begins; none
//   for a text on one line), a paragraph ends with its line feed;
// At the end of the text a character, word or sentence is empty; a line, paragraph or the
// whole text is the last one there is. Outside the text the span is {-1, -1}.
TextSpan spanAt(const QString &text, int offset, QAccessible::TextBoundaryType type,
                const QList<int> &lineStarts = {});
// The piece just before, and just after, the one at `offset`: empty at either end.
TextSpan spanBefore(const QString &text, int offset, QAccessible::TextBoundaryType type,
                    const QList<int> &lineStarts = {});
TextSpan spanAfter(const QString &text, int offset, QAccessible::TextBoundaryType type,
                   const QList<int> &lineStarts = {});

} // namespace ui
