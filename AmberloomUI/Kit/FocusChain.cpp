#include "Kit/FocusChain.hpp"

#include <QQuickItem>

namespace amberloom::ui {

bool FocusChain::isWithin(const QQuickItem* item, const QQuickItem* ancestor) {
  return item && ancestor && (item == ancestor || ancestor->isAncestorOf(item));
}

bool FocusChain::isInPopup(const QQuickItem* item) {
  // The layer is Qt Quick's own type, known here by its name.
  for (; item; item = item->parentItem())
    if (item->inherits("QQuickOverlay")) return true;
  return false;
}

namespace {

QQuickItem* shownBelow(QQuickItem* item, const QString& name) {
  if (!item->isVisible()) return nullptr;  // nor is anything below it
  if (item->objectName() == name) return item;
  for (QQuickItem* child : item->childItems())
    if (QQuickItem* found = shownBelow(child, name)) return found;
  return nullptr;
}

}  // namespace

QQuickItem* FocusChain::firstShown(QQuickItem* root, const QStringList& names) {
  if (!root) return nullptr;
  for (const QString& name : names)
    if (QQuickItem* found = shownBelow(root, name)) return found;
  return nullptr;
}

}  // namespace amberloom::ui
