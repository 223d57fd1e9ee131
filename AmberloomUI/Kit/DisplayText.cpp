#include "Kit/DisplayText.hpp"

#include <QRegularExpression>
#include <QStringView>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace amberloom::ui::display {

namespace {

const QString ellipsis = QStringLiteral("\u2026");

// Only this many code units per character are looked at around a cut, so that cutting a text of
// megabytes costs what cutting its ends does. A longer character (a pile of combining marks) makes
// the kept part shorter, never longer.
constexpr qsizetype unitsPerCharacter = 8;

qsizetype window(qsizetype limit) { return limit * unitsPerCharacter + 32; }

// Where the first `limit` characters of `text` end; text.size() when it has no more.
qsizetype endOfFirst(const QString& text, qsizetype limit) {
  const QString start = text.left(window(limit));
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, start);
  qsizetype at = 0;
  for (qsizetype counted = 0; counted < limit; ++counted) {
    const qsizetype next = finder.toNextBoundary();
    // The window's own end is a boundary only when it is the text's.
    if (next < 0 || (next == start.size() && start.size() < text.size())) break;
    at = next;
  }
  return at;
}

// Where the last `limit` characters of `text` start.
qsizetype startOfLast(const QString& text, qsizetype limit) {
  const qsizetype offset = std::max<qsizetype>(0, text.size() - window(limit));
  const QString end = text.mid(offset);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, end);
  finder.toEnd();
  qsizetype at = end.size();
  for (qsizetype counted = 0; counted < limit; ++counted) {
    const qsizetype previous = finder.toPreviousBoundary();
    if (previous < 0 || (previous == 0 && offset > 0)) break;
    at = previous;
  }
  return offset + at;
}

bool endsSentence(const QString& sentence) {
  if (sentence.isEmpty()) return false;
  const QChar last = sentence.back();
  return last == u'.' || last == u'!' || last == u'?' || last == u'\u2026';
}

}  // namespace

qsizetype characterCount(const QString& text) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype count = 0;
  while (finder.toNextBoundary() >= 0) ++count;
  return count;
}

QString head(const QString& text, qsizetype limit) {
  const qsizetype end = endOfFirst(text, limit);
  if (end >= text.size()) return text;
  return text.left(end) + ellipsis;
}

QString oneLine(const QString& text, qsizetype limit) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\n\r\u2028\u2029\u0085\v\f]"));
  // The first line with anything but blanks (the first line when none has), and whether another
  // such line follows it.
  QString line;
  bool continues = false;
  for (qsizetype from = 0;;) {
    const auto found = lineBreak.match(text, from);
    const qsizetype to = found.hasMatch() ? found.capturedStart() : text.size();
    const QStringView candidate = QStringView(text).mid(from, to - from);
    const bool blank = candidate.trimmed().isEmpty();
    if (line.isNull() || (!blank && line.trimmed().isEmpty())) {
      line = candidate.toString();
    } else if (!blank) {
      continues = true;
      break;
    }
    if (!found.hasMatch()) break;
    from = found.capturedEnd();
  }
  const qsizetype half = limit / 2;
  if (endOfFirst(line, limit) < line.size())
    line = line.left(endOfFirst(line, half)) + ellipsis + line.mid(startOfLast(line, half));
  return continues ? line + ellipsis : line;
}

QString joinedSentences(const QStringList& sentences) {
  QString joined;
  for (const QString& sentence : sentences) {
    const QString kept = sentence.trimmed();
    if (kept.isEmpty()) continue;
    if (!joined.isEmpty()) joined += endsSentence(joined) ? QStringLiteral(" ") : QStringLiteral(". ");
    joined += kept;
  }
  return joined;
}

}  // namespace amberloom::ui::display
