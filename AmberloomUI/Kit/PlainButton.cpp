#include "Kit/PlainButton.hpp"

#include <QKeyEvent>
#include <QMouseEvent>

namespace amberloom::ui {

PlainButton::PlainButton(QQuickItem* parent) : PlainControl(parent) {}

void PlainButton::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  emit textChanged();
  if (QAccessible::isActive() && isComponentComplete()) {
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
}

void PlainButton::setCheckable(bool checkable) {
  if (checkable == checkable_) return;
  checkable_ = checkable;
  emit checkableChanged();
  QAccessible::State changed;
  changed.checkable = true;
  announceState(changed);
}

void PlainButton::setChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  emit checkedChanged();
  QAccessible::State changed;
  changed.checked = true;
  announceState(changed);
}

void PlainButton::setMixed(bool mixed) {
  if (mixed == mixed_) return;
  mixed_ = mixed;
  emit mixedChanged();
  QAccessible::State changed;
  changed.checkStateMixed = true;
  announceState(changed);
}

void PlainButton::setSelectable(bool selectable) {
  if (selectable == selectable_) return;
  selectable_ = selectable;
  emit selectableChanged();
  QAccessible::State changed;
  changed.selectable = true;
  announceState(changed);
}

void PlainButton::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  emit selectedChanged();
  QAccessible::State changed;
  changed.selected = true;
  announceState(changed);
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
  takeClickFocus();
  setPressed(true);
  event->accept();
}

void PlainButton::mouseMoveEvent(QMouseEvent* event) {
  // Pressed while the pointer is over it: a press dragged off and released elsewhere clicks nothing.
  setPressed(contains(event->position()));
  event->accept();
}

void PlainButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = pressed();
  setPressed(false);
  event->accept();
  if (wasPressed && contains(event->position())) click();
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
  if (event->isAutoRepeat() || !pressed()) return;
  setPressed(false);
  click();
}

}  // namespace amberloom::ui
