#pragma once
// A symbol by name, drawn in one colour: `pointSize` is the size of the font the symbol is set in,
// and the icon a square of that many points (its implicit size), the symbol fitted into the item
// at the window's density. An unknown name draws the neutral fallback icon. Without a colour of its
// own it takes the palette's onSurface colour of its Theme. It draws through the symbol image
// provider of its engine (see installKit), which draws each name, colour and size once. An item
// of its own rather than an Image over the provider's address: a screen shows dozens of symbols,
// and an Image brings a pixmap request, its cache and attached objects to each.

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QQuickItem>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace amberloom::ui {

class ThemeAttached;

class SymbolIcon : public QQuickItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
  Q_PROPERTY(QColor color READ color WRITE setColor RESET resetColor NOTIFY colorChanged)
  Q_PROPERTY(qreal pointSize READ pointSize WRITE setPointSize NOTIFY pointSizeChanged)

 public:
  explicit SymbolIcon(QQuickItem* parent = nullptr);

  QString name() const { return name_; }
  void setName(const QString& name);
  QColor color() const;
  void setColor(const QColor& color);
  void resetColor();
  qreal pointSize() const { return pointSize_; }
  void setPointSize(qreal size);

  // What the icon shows now: its symbol drawn at the window's density; null before the item is
  // complete and in a window, or when it has no size.
  QImage image() const { return image_; }

 signals:
  void nameChanged();
  void colorChanged();
  void pointSizeChanged();

 protected:
  void componentComplete() override;
  void itemChange(ItemChange change, const ItemChangeData& value) override;
  QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;

 private:
  // Follows the Theme's palette while no colour is set.
  void followTheme();
  // Draws the symbol for the name, colour, size and density in force.
  void redraw();

  QString name_;
  std::optional<QColor> color_;
  qreal pointSize_ = 13;
  QPointer<ThemeAttached> theme_;
  QImage image_;
  bool imageChanged_ = false;
};

}  // namespace amberloom::ui
