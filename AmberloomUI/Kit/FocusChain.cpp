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

}  // namespace amberloom::ui
