#include "Kit/FocusChain.hpp"

#include <QQuickItem>

namespace amberloom::ui {

bool FocusChain::isWithin(const QQuickItem* item, const QQuickItem* ancestor) {
  return item && ancestor && (item == ancestor || ancestor->isAncestorOf(item));
}

}  // namespace amberloom::ui
