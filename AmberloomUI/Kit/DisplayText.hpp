#pragma once
// Texts that come from data, made fit for the text items that show them. A text item lays out all
// it is given, and a pasted token or a stored value of megabytes costs it seconds, so what cannot
// be read on screen anyway is cut before it gets there. Cuts fall between characters as a reader
// sees them: never inside a surrogate pair, never between a letter and its combining marks.

#include <QString>
#include <QStringList>

namespace amberloom::ui::display {

// The number of characters as a reader counts them ("a@😀" has three).
qsizetype characterCount(const QString& text);

// `text` when it has at most `limit` characters; otherwise its first `limit` characters followed
// by "…".
QString head(const QString& text, qsizetype limit);

// One line standing for `text`, for a one-line item: the first line that holds anything but
// blanks, followed by "…" when another such line follows it; a line longer than `limit`
// characters keeps its first and last halves around "…".
QString oneLine(const QString& text, qsizetype limit);

// Sentences one after the other, separated by one space, each but the last closed with a full
// stop unless it already ends in one (or in "!", "?" or "…"). Blank entries are left out; the
// last sentence is kept as it is.
QString joinedSentences(const QStringList& sentences);

}  // namespace amberloom::ui::display
