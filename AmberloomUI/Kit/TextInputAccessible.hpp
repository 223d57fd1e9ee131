#pragma once
// A one-line text input (Qt Quick's TextInput, and the standard text field made of it) as
// assistive technology sees it: an editable text, named as its view declares, with its text, its
// cursor and its selection read and set through the text interface, disabled and read-only as the
// input is, and focusable while it takes the focus. See ControlAccessibility.

#include "Kit/ItemAccessible.hpp"

namespace amberloom::ui {

class TextInputAccessible final : public ItemAccessible, public QAccessibleTextInterface {
 public:
  explicit TextInputAccessible(QQuickItem* input);

  void* interface_cast(QAccessible::InterfaceType type) override;

  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int startOffset, int endOffset) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset, int* endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

  using ItemAccessible::text;

 protected:
  QAccessible::Role ownRole() const override { return QAccessible::EditableText; }
  void addStates(QAccessible::State& state) const override;
  QString ownText(QAccessible::Text kind) const override;

 private:
  // What the input shows (dots for a password).
  QString shown() const;
  // The piece of the shown text of `type` that holds `offset`, moved by `step` pieces (-1 the one
  // before, 1 the one after); its bounds in `start` and `end`, both -1 when there is none.
  QString piece(int offset, QAccessible::TextBoundaryType type, int step, int* start, int* end) const;
};

}  // namespace amberloom::ui
