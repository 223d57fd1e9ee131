#include "Kit/ScreenReader.hpp"

#include <QAccessible>
#include <QQuickItem>

namespace amberloom::ui {

namespace {

// An item gone, hidden, or no one listening: nothing to tell.
bool heard(const QQuickItem* item) { return item && item->isVisible() && QAccessible::isActive(); }

}  // namespace

void ScreenReader::announce(QQuickItem* notice) {
  if (!heard(notice)) return;
  QAccessibleEvent shown(notice, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
  QAccessibleEvent renamed(notice, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&renamed);
}

void ScreenReader::valueChanged(QQuickItem* control) {
  if (!heard(control)) return;
  // A menu's entry is its text, not a number: the desktop's bridge asks the menu for it anew.
  QAccessibleValueChangeEvent event(control, QVariant());
  QAccessible::updateAccessibility(&event);
}

void ScreenReader::standsOn(QQuickItem* entry) {
  if (!heard(entry)) return;
  QAccessibleEvent event(entry, QAccessible::Focus);
  QAccessible::updateAccessibility(&event);
}

}  // namespace amberloom::ui
