#include "Kit/PlainControl.hpp"

#include <QFocusEvent>

#include "Kit/ItemAccessible.hpp"

namespace amberloom::ui {

PlainControl::PlainControl(QQuickItem* parent) : QQuickItem(parent) {
  setAcceptedMouseButtons(Qt::LeftButton);
  setAcceptHoverEvents(true);
  setActiveFocusOnTab(true);
}

void PlainControl::componentComplete() {
  QQuickItem::componentComplete();
  // Qt Quick lists an item to assistive technology only once its view declared something of it.
  ItemAccessible::makeAccessible(this);
}

void PlainControl::setHoverEnabled(bool enabled) {
  if (enabled == acceptHoverEvents()) return;
  setAcceptHoverEvents(enabled);
  if (!enabled) setHovered(false);
  emit hoverEnabledChanged();
}

void PlainControl::setFocusPolicy(int policy) {
  if (policy == focusPolicy_) return;
  focusPolicy_ = policy;
  syncTabStop();
  emit focusPolicyChanged();
  QAccessible::State changed;
  changed.focusable = true;
  announceState(changed);
}

void PlainControl::setFocusReason(int reason) {
  if (reason == focusReason_) return;
  focusReason_ = reason;
  emit focusReasonChanged();
  updateVisualFocus();
}

void PlainControl::takeClickFocus() {
  if ((focusPolicy_ & Qt::ClickFocus) == Qt::ClickFocus) forceActiveFocus(Qt::MouseFocusReason);
}

void PlainControl::hoverEnterEvent(QHoverEvent* event) {
  setHovered(true);
  event->ignore();
}

void PlainControl::hoverLeaveEvent(QHoverEvent* event) {
  setHovered(false);
  event->ignore();
}

void PlainControl::mouseUngrabEvent() { setPressed(false); }

void PlainControl::focusInEvent(QFocusEvent* event) {
  QQuickItem::focusInEvent(event);
  setFocusReason(event->reason());
  updateVisualFocus();
}

void PlainControl::focusOutEvent(QFocusEvent* event) {
  QQuickItem::focusOutEvent(event);
  setFocusReason(event->reason());
  updateVisualFocus();
  syncTabStop();
  // A key held down as the focus left does nothing.
  setPressed(false);
}

void PlainControl::itemChange(ItemChange change, const ItemChangeData& value) {
  QQuickItem::itemChange(change, value);
  if ((change == ItemVisibleHasChanged || change == ItemEnabledHasChanged) && !value.boolValue) {
    setHovered(false);
    setPressed(false);
  }
  if (change == ItemEnabledHasChanged) {
    QAccessible::State changed;
    changed.disabled = true;
    announceState(changed);
  }
}

void PlainControl::setHovered(bool hovered) {
  if (hovered == hovered_) return;
  hovered_ = hovered;
  emit hoveredChanged();
}

void PlainControl::setPressed(bool pressed) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  emit pressedChanged();
  QAccessible::State changed;
  changed.pressed = true;
  announceState(changed);
}

void PlainControl::announceState(QAccessible::State changed) {
  if (!QAccessible::isActive() || !isComponentComplete()) return;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

void PlainControl::syncTabStop() {
  const bool tabStop = (focusPolicy_ & Qt::TabFocus) == Qt::TabFocus;
  // The item with the focus stays in the Tab order until the focus leaves it.
  if (!tabStop && hasActiveFocus()) return;
  setActiveFocusOnTab(tabStop);
}

void PlainControl::updateVisualFocus() {
  const bool fromKeyboard = focusReason_ == Qt::TabFocusReason || focusReason_ == Qt::BacktabFocusReason ||
                            focusReason_ == Qt::ShortcutFocusReason;
  const bool shown = hasActiveFocus() && fromKeyboard;
  if (shown == visualFocus_) return;
  visualFocus_ = shown;
  emit visualFocusChanged();
}

}  // namespace amberloom::ui
