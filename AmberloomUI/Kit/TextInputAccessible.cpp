#include "Kit/TextInputAccessible.hpp"

#include <QQuickItem>
#include <QQuickWindow>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace amberloom::ui {

namespace {

// The bounds of the pieces of `text` of `type`, as [start, end) pairs in order.
std::vector<std::pair<int, int>> pieces(const QString& text, QAccessible::TextBoundaryType type) {
  std::vector<std::pair<int, int>> found;
  const int length = static_cast<int>(text.size());
  if (type == QAccessible::NoBoundary || type == QAccessible::LineBoundary) {
    found.emplace_back(0, length);  // one line
    return found;
  }
  if (type == QAccessible::ParagraphBoundary) {
    int start = 0;
    for (int at = 0; at <= length; ++at)
      if (at == length || text.at(at) == QLatin1Char('\n')) {
        found.emplace_back(start, std::min(at + 1, length));
        start = at + 1;
      }
    return found;
  }
  const auto kind = type == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
                    : type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                        : QTextBoundaryFinder::Sentence;
  QTextBoundaryFinder finder(kind, text);
  int start = 0;
  for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
    found.emplace_back(start, static_cast<int>(next));
    start = static_cast<int>(next);
  }
  return found;
}

}  // namespace

TextInputAccessible::TextInputAccessible(QQuickItem* input) : ItemAccessible(input) {}

void* TextInputAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return ItemAccessible::interface_cast(type);
}

QString TextInputAccessible::shown() const { return item()->property("displayText").toString(); }

void TextInputAccessible::addStates(QAccessible::State& state) const {
  const bool readOnly = item()->property("readOnly").toBool();
  state.editable = !readOnly;
  state.readOnly = readOnly;
  state.passwordEdit = item()->property("echoMode").toInt() != 0;  // TextInput.Normal is 0
  state.selectableText = true;
}

QString TextInputAccessible::ownText(QAccessible::Text kind) const {
  if (kind == QAccessible::Value) return shown();
  // A field with no name of its view's says its prompt.
  if (kind == QAccessible::Name) return item()->property("placeholderText").toString();
  return {};
}

void TextInputAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  const int start = item()->property("selectionStart").toInt();
  const int end = item()->property("selectionEnd").toInt();
  const bool any = selectionIndex == 0 && start != end;
  *startOffset = any ? start : 0;
  *endOffset = any ? end : 0;
}

int TextInputAccessible::selectionCount() const {
  return item()->property("selectionStart").toInt() != item()->property("selectionEnd").toInt() ? 1 : 0;
}

void TextInputAccessible::addSelection(int startOffset, int endOffset) { setSelection(0, startOffset, endOffset); }

void TextInputAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex == 0) QMetaObject::invokeMethod(item(), "deselect");
}

void TextInputAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex == 0) QMetaObject::invokeMethod(item(), "select", Q_ARG(int, startOffset), Q_ARG(int, endOffset));
}

int TextInputAccessible::cursorPosition() const { return item()->property("cursorPosition").toInt(); }

void TextInputAccessible::setCursorPosition(int position) {
  item()->setProperty("cursorPosition", std::clamp(position, 0, characterCount()));
}

QString TextInputAccessible::text(int startOffset, int endOffset) const {
  const QString all = shown();
  const int start = std::clamp(startOffset, 0, int(all.size()));
  const int end = endOffset < 0 ? int(all.size()) : std::clamp(endOffset, start, int(all.size()));
  return all.mid(start, end - start);
}

QString TextInputAccessible::piece(int offset, QAccessible::TextBoundaryType type, int step, int* start,
                                   int* end) const {
  *start = *end = -1;
  const QString all = shown();
  const auto found = pieces(all, type);
  if (found.empty()) return {};
  // The piece that holds the offset; the cursor at the very end stands in the last one.
  const int at = std::clamp(offset, 0, std::max(0, int(all.size()) - 1));
  const auto holding = std::find_if(found.begin(), found.end(), [&](const auto& p) { return at >= p.first && at < p.second; });
  const auto index = (holding == found.end() ? long(found.size()) - 1 : long(holding - found.begin())) + step;
  if (index < 0 || index >= long(found.size())) return {};
  *start = found[std::size_t(index)].first;
  *end = found[std::size_t(index)].second;
  return all.mid(*start, *end - *start);
}

QString TextInputAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                                              int* endOffset) const {
  return piece(offset, type, -1, startOffset, endOffset);
}

QString TextInputAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                                             int* endOffset) const {
  return piece(offset, type, 1, startOffset, endOffset);
}

QString TextInputAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                                          int* endOffset) const {
  return piece(offset, type, 0, startOffset, endOffset);
}

int TextInputAccessible::characterCount() const { return static_cast<int>(shown().size()); }

QRect TextInputAccessible::characterRect(int offset) const {
  QRectF box;
  QMetaObject::invokeMethod(item(), "positionToRectangle", Q_RETURN_ARG(QRectF, box), Q_ARG(int, offset));
  QQuickWindow* window = item()->window();
  if (!window) return {};
  const QRectF inScene = item()->mapRectToScene(box);
  return QRect(window->mapToGlobal(inScene.topLeft().toPoint()), inScene.size().toSize());
}

int TextInputAccessible::offsetAtPoint(const QPoint& point) const {
  QQuickWindow* window = item()->window();
  if (!window) return -1;
  const QPointF inItem = item()->mapFromScene(window->mapFromGlobal(point));
  int offset = -1;
  QMetaObject::invokeMethod(item(), "positionAt", Q_RETURN_ARG(int, offset), Q_ARG(qreal, inItem.x()),
                            Q_ARG(qreal, inItem.y()));
  return offset;
}

QString TextInputAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = offset;
  return {};
}

}  // namespace amberloom::ui
