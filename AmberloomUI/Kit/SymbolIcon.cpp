#include "Kit/SymbolIcon.hpp"

#include <QQmlEngine>
#include <QQuickWindow>
#include <QSGImageNode>
#include <cmath>

#include "Kit/DesignTokens.hpp"
#include "Kit/SymbolImageProvider.hpp"
#include "Kit/Theme.hpp"

namespace amberloom::ui {

SymbolIcon::SymbolIcon(QQuickItem* parent) : QQuickItem(parent) {
  setFlag(ItemHasContents);
  setImplicitSize(pointSize_, pointSize_);
}

void SymbolIcon::setName(const QString& name) {
  if (name == name_) return;
  name_ = name;
  emit nameChanged();
  redraw();
}

QColor SymbolIcon::color() const {
  if (color_) return *color_;
  return theme_ ? theme_->palette()->onSurface() : Tokens::dark().onSurface();
}

void SymbolIcon::setColor(const QColor& color) {
  if (color_ == color) return;
  color_ = color;
  if (theme_) disconnect(theme_, nullptr, this, nullptr);
  theme_ = nullptr;
  emit colorChanged();
  redraw();
}

void SymbolIcon::resetColor() {
  if (!color_) return;
  color_.reset();
  followTheme();
  emit colorChanged();
  redraw();
}

void SymbolIcon::setPointSize(qreal size) {
  if (size == pointSize_) return;
  pointSize_ = size;
  setImplicitSize(size, size);
  emit pointSizeChanged();
  redraw();
}

void SymbolIcon::componentComplete() {
  QQuickItem::componentComplete();
  if (!color_) followTheme();
  redraw();
}

void SymbolIcon::followTheme() {
  // Made only for the few icons without a colour of their own: most screens set one.
  if (theme_ || !isComponentComplete()) return;
  theme_ = qobject_cast<ThemeAttached*>(qmlAttachedPropertiesObject<Theme>(this, true));
  if (!theme_) return;
  connect(theme_, &ThemeAttached::paletteChanged, this, [this] {
    emit colorChanged();
    redraw();
  });
}

void SymbolIcon::itemChange(ItemChange change, const ItemChangeData& value) {
  QQuickItem::itemChange(change, value);
  if (change == ItemSceneChange || change == ItemDevicePixelRatioHasChanged) redraw();
}

void SymbolIcon::redraw() {
  if (!isComponentComplete()) return;
  QImage image;
  auto* provider = qmlEngine(this) ? dynamic_cast<SymbolImageProvider*>(qmlEngine(this)->imageProvider(QStringLiteral("symbol"))) : nullptr;
  if (window() && provider && pointSize_ > 0) {
    const int side = static_cast<int>(std::ceil(pointSize_ * window()->effectiveDevicePixelRatio()));
    image = provider->symbol(name_, color(), side);
  }
  if (image == image_) return;
  image_ = image;
  imageChanged_ = true;
  update();
}

QSGNode* SymbolIcon::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
  auto* node = static_cast<QSGImageNode*>(old);
  if (image_.isNull() || width() <= 0 || height() <= 0) {
    delete node;
    return nullptr;
  }
  if (!node) {
    node = window()->createImageNode();
    node->setOwnsTexture(true);
    imageChanged_ = true;
  }
  if (imageChanged_) {
    node->setTexture(window()->createTextureFromImage(image_));
    imageChanged_ = false;
  }
  // The square symbol fitted into the item and centred, as an image that keeps its aspect ratio.
  const qreal side = std::min(width(), height());
  node->setRect(QRectF((width() - side) / 2, (height() - side) / 2, side, side));
  node->setFiltering(smooth() ? QSGTexture::Linear : QSGTexture::Nearest);
  return node;
}

}  // namespace amberloom::ui
