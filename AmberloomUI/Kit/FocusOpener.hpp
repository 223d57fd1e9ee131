#pragma once
// The control that opened a sheet or a question over the window, given the keyboard's focus back
// once that sheet or question has closed, so that a keyboard or screen-reader user goes on where
// they were rather than at the top of the window. A sheet remembers its opener as it is about to
// show and hands it back as it closes; the hand-back outlives the sheet (most are made from their
// file when opened and dropped when closed), waiting while other popups hold the focus (a next
// question) and giving up when the user has put the focus elsewhere or the opener has gone.
// Main thread only.

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class FocusOpener : public QObject {
  Q_OBJECT
  QML_ELEMENT

 public:
  explicit FocusOpener(QObject* parent = nullptr) : QObject(parent) {}

  // Remembers the item with the keyboard's focus in `window`, and how it got it. When the focus is
  // in a popup (which gives it back itself) or on no control, what was remembered stays.
  Q_INVOKABLE void remember(QQuickWindow* window);
  // Gives the focus back to the item remembered once the focus has fallen back on the window.
  Q_INVOKABLE void giveBack();

  QQuickItem* remembered() const { return item_; }

 private:
  QPointer<QQuickItem> item_;
  Qt::FocusReason reason_ = Qt::OtherFocusReason;
};

}  // namespace amberloom::ui
