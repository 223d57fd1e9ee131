#pragma once
// The scroll bar of a scrolling pane (`flickable`, a Flickable) with no look of its own: its
// children draw the handle and take the pointer. It scrolls the pane within its content and its
// margins, and is the pane's scroll bar for assistive technology: its value is how far the pane is
// scrolled, from 0 to as far as it goes, and Increase and Decrease turn a page down or up, as Page
// Down and Page Up do in the browser's lists.

#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class PlainScrollBar : public QQuickItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QQuickItem* flickable READ flickable WRITE setFlickable NOTIFY flickableChanged REQUIRED)

 public:
  explicit PlainScrollBar(QQuickItem* parent = nullptr);

  QQuickItem* flickable() const { return flickable_; }
  void setFlickable(QQuickItem* flickable);

  // How far the pane is scrolled from its top (margin included), and how far it can go.
  double scrolled() const;
  double scrollRange() const;
  void setScrolled(double distance) { scrollTo(top() + distance); }
  // Scrolls the pane to `contentY`, kept between its top and its bottom.
  Q_INVOKABLE void scrollTo(double contentY);
  // A page down (up when negative): the pane's height less a line that stays in view.
  Q_INVOKABLE void scrollPages(int pages);

 signals:
  void flickableChanged();

 protected:
  void componentComplete() override;

 private slots:
  // Tells assistive technology that the pane scrolled.
  void announceScroll();

 private:
  double number(const char* property) const;
  double top() const;

  QPointer<QQuickItem> flickable_;
};

}  // namespace amberloom::ui
