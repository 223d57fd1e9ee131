#include "Kit/Theme.hpp"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

namespace amberloom::ui {

ThemeAttached* Theme::existing(QObject* owner) {
  return owner ? qobject_cast<ThemeAttached*>(qmlAttachedPropertiesObject<Theme>(owner, false)) : nullptr;
}

ThemeAttached::ThemeAttached(QObject* owner) : QObject(owner), owner_(owner) { resolve(); }

Palette* ThemeAttached::palette() const {
  if (own_) return own_;
  if (ancestor_) return ancestor_->palette();
  return &Tokens::dark();
}

void ThemeAttached::setPalette(Palette* palette) {
  if (palette == own_) return;
  Palette* before = this->palette();
  own_ = palette;
  emitIfChanged(before);
  // Items below that already read a palette may have found an ancestor above this one.
  if (auto* item = qobject_cast<QQuickItem*>(owner_))
    resolveBelow(item);
  else if (auto* window = qobject_cast<QQuickWindow*>(owner_))
    resolveBelow(window->contentItem());
}

void ThemeAttached::emitIfChanged(Palette* before) {
  if (palette() != before) emit paletteChanged();
}

void ThemeAttached::resolve() {
  Palette* before = palette();
  for (const auto& watch : watches_) disconnect(watch);
  watches_.clear();

  ThemeAttached* found = nullptr;
  QQuickItem* top = nullptr;
  for (auto* item = qobject_cast<QQuickItem*>(owner_); item; item = item->parentItem()) {
    if (item != owner_) found = Theme::existing(item);
    if (found) break;
    watches_.push_back(connect(item, &QQuickItem::parentChanged, this, &ThemeAttached::resolve));
    top = item;
  }
  // A window's content item has no parent item: the window itself is the next ancestor.
  if (!found && top) {
    watches_.push_back(connect(top, &QQuickItem::windowChanged, this, &ThemeAttached::resolve));
    if (QQuickWindow* window = top->window(); window && window->contentItem() == top)
      found = Theme::existing(window);
  }
  ancestor_ = found;
  if (found)
    watches_.push_back(connect(found, &ThemeAttached::paletteChanged, this, [this] {
      if (!own_) emit paletteChanged();
    }));
  emitIfChanged(before);
}

void ThemeAttached::resolveBelow(QQuickItem* item) {
  if (!item) return;
  for (QQuickItem* child : item->childItems()) {
    if (ThemeAttached* theme = Theme::existing(child)) theme->resolve();
    resolveBelow(child);
  }
}

}  // namespace amberloom::ui
