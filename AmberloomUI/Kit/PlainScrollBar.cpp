#include "Kit/PlainScrollBar.hpp"

#include <QAccessible>
#include <algorithm>
#include <cmath>

#include "Kit/ItemAccessible.hpp"

namespace amberloom::ui {

namespace {

// What stays in view of the page before when the pane turns a page.
constexpr double kOverlap = 40;

}  // namespace

PlainScrollBar::PlainScrollBar(QQuickItem* parent) : QQuickItem(parent) {}

void PlainScrollBar::componentComplete() {
  QQuickItem::componentComplete();
  ItemAccessible::makeAccessible(this);
}

void PlainScrollBar::setFlickable(QQuickItem* flickable) {
  if (flickable == flickable_) return;
  if (flickable_) disconnect(flickable_, nullptr, this, nullptr);
  flickable_ = flickable;
  // Flickable is Qt Quick's own type, known here by its properties.
  if (flickable_) connect(flickable_, SIGNAL(contentYChanged()), this, SLOT(announceScroll()));
  emit flickableChanged();
}

void PlainScrollBar::announceScroll() {
  if (!QAccessible::isActive() || !isComponentComplete()) return;
  QAccessibleValueChangeEvent event(this, scrolled());
  QAccessible::updateAccessibility(&event);
}

double PlainScrollBar::number(const char* property) const {
  return flickable_ ? flickable_->property(property).toDouble() : 0;
}

double PlainScrollBar::top() const { return number("originY") - number("topMargin"); }

double PlainScrollBar::scrollRange() const {
  const double bottom = number("originY") + number("contentHeight") + number("bottomMargin") - number("height");
  return std::max(0.0, bottom - top());
}

double PlainScrollBar::scrolled() const {
  // Never -0: at the top the pane is scrolled by nothing.
  return std::min(std::max(0.0, number("contentY") - top()), scrollRange());
}

void PlainScrollBar::scrollTo(double contentY) {
  if (!flickable_ || std::isnan(contentY)) return;
  flickable_->setProperty("contentY", top() + std::clamp(contentY - top(), 0.0, scrollRange()));
}

void PlainScrollBar::scrollPages(int pages) {
  const double page = std::max(kOverlap, number("height") - kOverlap);
  scrollTo(number("contentY") + pages * page);
}

}  // namespace amberloom::ui
