#include "Kit/FocusRing.hpp"

#include <QMetaProperty>
#include <QPainter>
#include <QQmlEngine>
#include <algorithm>

#include "Kit/DesignTokens.hpp"
#include "Kit/Theme.hpp"

namespace amberloom::ui {

namespace {
constexpr qreal ringWidth = 2;
}  // namespace

FocusRing::FocusRing(QQuickItem* parent) : QQuickPaintedItem(parent) {
  setZ(100);
  setAntialiasing(true);
  setFlag(ItemHasContents, false);
  setVisible(false);
  followParent();
}

void FocusRing::setCornerRadius(qreal radius) {
  if (radius == cornerRadius_) return;
  cornerRadius_ = radius;
  emit cornerRadiusChanged();
  update();
}

void FocusRing::setOutset(qreal outset) {
  if (outset == outset_) return;
  outset_ = outset;
  emit outsetChanged();
  place();
  update();
}

bool FocusRing::shown() const { return shown_.value_or(parentHasVisualFocus_); }

void FocusRing::setShown(bool shown) {
  const bool before = this->shown();
  shown_ = shown;
  if (shown != before) emit shownChanged();
  showOrHide();
}

void FocusRing::resetShown() {
  const bool before = shown();
  shown_.reset();
  if (shown() != before) emit shownChanged();
  showOrHide();
}

void FocusRing::itemChange(ItemChange change, const ItemChangeData& value) {
  QQuickPaintedItem::itemChange(change, value);
  if (change == ItemParentHasChanged) followParent();
}

void FocusRing::followParent() {
  disconnect(focusWatch_);
  disconnect(widthWatch_);
  disconnect(heightWatch_);
  const bool before = shown();
  parentHasVisualFocus_ = false;
  if (QQuickItem* control = parentItem()) {
    widthWatch_ = connect(control, &QQuickItem::widthChanged, this, &FocusRing::place);
    heightWatch_ = connect(control, &QQuickItem::heightChanged, this, &FocusRing::place);
    // Controls say whether their focus came from the keyboard; plain items have no such property.
    const QMetaObject* type = control->metaObject();
    const int index = type->indexOfProperty("visualFocus");
    if (index >= 0) {
      const QMetaProperty visualFocus = type->property(index);
      parentHasVisualFocus_ = visualFocus.read(control).toBool();
      if (visualFocus.hasNotifySignal()) {
        // Looked up once: every control of a list's rows carries a ring.
        static const QMetaMethod update = staticMetaObject.method(staticMetaObject.indexOfMethod("updateFromParent()"));
        focusWatch_ = connect(control, visualFocus.notifySignal(), this, update);
      }
    }
  }
  place();
  if (shown() != before) emit shownChanged();
  showOrHide();
}

void FocusRing::updateFromParent() {
  QQuickItem* control = parentItem();
  const bool before = shown();
  parentHasVisualFocus_ = control && control->property("visualFocus").toBool();
  if (shown() != before) emit shownChanged();
  showOrHide();
}

void FocusRing::place() {
  QQuickItem* control = parentItem();
  if (!control) return;
  setPosition(QPointF(-outset_, -outset_));
  setSize(QSizeF(std::max<qreal>(0, control->width() + 2 * outset_), std::max<qreal>(0, control->height() + 2 * outset_)));
}

void FocusRing::showOrHide() {
  // A hidden item is still asked for its drawing: without contents, a hidden ring draws nothing.
  setFlag(ItemHasContents, shown());
  setVisible(shown());
  if (!shown()) return;
  takeAccent();
  update();
}

void FocusRing::takeAccent() {
  // The Theme is found only once the ring first shows: most rings never do.
  if (!theme_) {
    theme_ = qobject_cast<ThemeAttached*>(qmlAttachedPropertiesObject<Theme>(this, true));
    if (theme_)
      connect(theme_, &ThemeAttached::paletteChanged, this, [this] {
        takeAccent();
        update();
      });
  }
  const Palette* palette = theme_ ? theme_->palette() : &Tokens::dark();
  accent_ = palette->primary();
}

void FocusRing::paint(QPainter* painter) {
  painter->setRenderHint(QPainter::Antialiasing, antialiasing());
  painter->setPen(QPen(accent_, ringWidth));
  painter->setBrush(Qt::NoBrush);
  // The pen runs along the middle of the ring's two points; the radius is the outer edge's, as a
  // bordered rectangle's is.
  const qreal half = ringWidth / 2;
  const qreal radius = std::max<qreal>(0, cornerRadius_ + std::max<qreal>(0, outset_) - half);
  painter->drawRoundedRect(QRectF(half, half, width() - ringWidth, height() - ringWidth), radius, radius);
}

}  // namespace amberloom::ui
