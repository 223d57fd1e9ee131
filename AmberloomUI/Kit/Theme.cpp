#include "Kit/Theme.hpp"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

namespace amberloom::ui {

namespace {
ThemeAttached* themeOf(QObject* owner) {
  return qobject_cast<ThemeAttached*>(qmlAttachedPropertiesObject<Theme>(owner, true));
}
}  // namespace

ThemeAttached::ThemeAttached(QObject* owner) : QObject(owner), owner_(owner) {
  if (auto* item = qobject_cast<QQuickItem*>(owner)) connect(item, &QQuickItem::parentChanged, this, &ThemeAttached::resolve);
  resolve();
}

Palette* ThemeAttached::palette() const {
  if (own_) return own_;
  if (inherited_) return inherited_;
  return &Tokens::dark();
}

void ThemeAttached::setPalette(Palette* palette) {
  if (palette == own_) return;
  Palette* before = this->palette();
  own_ = palette;
  // Every item between this one and a Theme below has a Theme of its own (see resolve), so the
  // change travels down the chain.
  emitIfChanged(before);
}

void ThemeAttached::emitIfChanged(Palette* before) {
  if (palette() != before) emit paletteChanged();
}

void ThemeAttached::inheritedChanged() {
  Palette* before = palette();
  inherited_ = ancestor_ ? ancestor_->palette() : nullptr;
  emitIfChanged(before);
}

void ThemeAttached::resolve() {
  disconnect(ancestorWatch_);
  disconnect(windowWatch_);

  // The parent item's Theme, made if it has none: each item then watches one link of the way up,
  // and the items of a subtree share the links above it.
  ThemeAttached* found = nullptr;
  if (auto* item = qobject_cast<QQuickItem*>(owner_)) {
    if (QQuickItem* parent = item->parentItem()) {
      found = themeOf(parent);
    } else {
      // A window's content item has no parent item: the window itself is the next ancestor.
      windowWatch_ = connect(item, &QQuickItem::windowChanged, this, &ThemeAttached::resolve);
      if (QQuickWindow* window = item->window(); window && window->contentItem() == item) found = themeOf(window);
    }
  }
  ancestor_ = found;
  if (found) ancestorWatch_ = connect(found, &ThemeAttached::paletteChanged, this, &ThemeAttached::inheritedChanged);
  inheritedChanged();
}

}  // namespace amberloom::ui
