#pragma once
// The ring a control shows while it has the keyboard's focus: two points of the palette's accent
// colour around its edge, following its corners, over whatever it draws. Placed as a child of the
// control, whose size it follows. By default it follows the control's visualFocus, so it shows for
// focus that came from the keyboard (Tab, Shift+Tab, a list's arrows) and never for a click; set
// `shown` to follow something else. An item of its own, drawn only while it shows: every control
// of a long list carries one, and the keyboard lights one at a time.

#include <QColor>
#include <QMetaObject>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace amberloom::ui {

class ThemeAttached;

class FocusRing : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  // The control's corner radius; the ring's follows it at its distance.
  Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)
  // How far outside the control's edge the ring lies; 0 draws it just inside, where a clipping
  // list would cut off anything beyond the control.
  Q_PROPERTY(qreal outset READ outset WRITE setOutset NOTIFY outsetChanged)
  Q_PROPERTY(bool shown READ shown WRITE setShown RESET resetShown NOTIFY shownChanged)

 public:
  explicit FocusRing(QQuickItem* parent = nullptr);

  qreal cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(qreal radius);
  qreal outset() const { return outset_; }
  void setOutset(qreal outset);
  bool shown() const;
  void setShown(bool shown);
  void resetShown();

  void paint(QPainter* painter) override;

 signals:
  void cornerRadiusChanged();
  void outsetChanged();
  void shownChanged();

 protected:
  void itemChange(ItemChange change, const ItemChangeData& value) override;

 private slots:
  // The parent's visualFocus changed.
  void updateFromParent();

 private:
  // Follows the parent's size and, unless `shown` is set, its visualFocus.
  void followParent();
  void place();
  void showOrHide();
  // Reads the palette's accent into `accent_`, finding the ring's Theme the first time. On the
  // main thread only: paint() runs on the render thread, where no object may be made.
  void takeAccent();

  qreal cornerRadius_ = 6;
  qreal outset_ = 3;
  std::optional<bool> shown_;
  bool parentHasVisualFocus_ = false;
  QMetaObject::Connection focusWatch_, widthWatch_, heightWatch_;
  QPointer<ThemeAttached> theme_;
  QColor accent_;
};

}  // namespace amberloom::ui
