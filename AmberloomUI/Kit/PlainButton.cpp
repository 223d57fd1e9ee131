#include "Kit/PlainButton.hpp"

#include <QKeyEvent>
#include <QMouseEvent>

namespace amberloom::ui {

PlainButton::PlainButton(QQuickItem* parent) : QQuickItem(parent) {
  setAcceptedMouseButtons(Qt::LeftButton);
  setAcceptHoverEvents(true);
  setActiveFocusOnTab(true);
}

void PlainButton::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  emit textChanged();
}

void PlainButton::setHoverEnabled(bool enabled) {
  if (enabled == acceptHoverEvents()) return;
  setAcceptHoverEvents(enabled);
  if (!enabled) setHovered(false);
  emit hoverEnabledChanged();
}

void PlainButton::setCheckable(bool checkable) {
  if (checkable == checkable_) return;
  checkable_ = checkable;
  emit checkableChanged();
}

void PlainButton::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  emit checkedChanged();
}

void PlainButton::setFocusPolicy(int policy) {
  if (policy == focusPolicy_) return;
  focusPolicy_ = policy;
  syncTabStop();
  emit focusPolicyChanged();
}

void PlainButton::setFocusReason(int reason) {
  if (reason == focusReason_) return;
  focusReason_ = reason;
  emit focusReasonChanged();
  updateVisualFocus();
}

void PlainButton::click() {
  if (!isEnabled()) return;
  if (checkable_) {
    setChecked(!checked_);
    emit toggled();
  }
  emit clicked();
}

void PlainButton::mousePressEvent(QMouseEvent* event) {
  if ((focusPolicy_ & Qt::ClickFocus) == Qt::ClickFocus) forceActiveFocus(Qt::MouseFocusReason);
  setPressed(true);
  event->accept();
}

void PlainButton::mouseMoveEvent(QMouseEvent* event) {
  // Pressed while the pointer is over it: a press dragged off and released elsewhere clicks nothing.
  setPressed(contains(event->position()));
  event->accept();
}

void PlainButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = pressed_;
  setPressed(false);
  event->accept();
  if (wasPressed && contains(event->position())) click();
}

void PlainButton::mouseUngrabEvent() { setPressed(false); }

void PlainButton::hoverEnterEvent(QHoverEvent* event) {
  setHovered(true);
  event->ignore();
}

void PlainButton::hoverLeaveEvent(QHoverEvent* event) {
  setHovered(false);
  event->ignore();
}

void PlainButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    event->ignore();
    return;
  }
  if (!event->isAutoRepeat()) setPressed(true);
  event->accept();
}

void PlainButton::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) {
    event->ignore();
    return;
  }
  event->accept();
  if (event->isAutoRepeat() || !pressed_) return;
  setPressed(false);
  click();
}

void PlainButton::focusInEvent(QFocusEvent* event) {
  QQuickItem::focusInEvent(event);
  setFocusReason(event->reason());
  updateVisualFocus();
}

void PlainButton::focusOutEvent(QFocusEvent* event) {
  QQuickItem::focusOutEvent(event);
  setFocusReason(event->reason());
  updateVisualFocus();
  syncTabStop();
  // A Space held down as the focus left clicks nothing.
  setPressed(false);
}

void PlainButton::itemChange(ItemChange change, const ItemChangeData& value) {
  QQuickItem::itemChange(change, value);
  if ((change == ItemVisibleHasChanged || change == ItemEnabledHasChanged) && !value.boolValue) {
    setHovered(false);
    setPressed(false);
  }
}

void PlainButton::setHovered(bool hovered) {
  if (hovered == hovered_) return;
  hovered_ = hovered;
  emit hoveredChanged();
}

void PlainButton::setPressed(bool pressed) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  emit pressedChanged();
}

void PlainButton::syncTabStop() {
  const bool tabStop = (focusPolicy_ & Qt::TabFocus) == Qt::TabFocus;
  // The item with the focus stays in the Tab order until the focus leaves it.
  if (!tabStop && hasActiveFocus()) return;
  setActiveFocusOnTab(tabStop);
}

void PlainButton::updateVisualFocus() {
  const bool fromKeyboard = focusReason_ == Qt::TabFocusReason || focusReason_ == Qt::BacktabFocusReason ||
                            focusReason_ == Qt::ShortcutFocusReason;
  const bool shown = hasActiveFocus() && fromKeyboard;
  if (shown == visualFocus_) return;
  visualFocus_ = shown;
  emit visualFocusChanged();
}

}  // namespace amberloom::ui
