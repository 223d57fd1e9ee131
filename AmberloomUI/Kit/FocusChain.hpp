#pragma once
// What the views need of the item tree to move the keyboard's focus that Qt Quick keeps to C++:
// whether an item lies within another (a row of a list, a menu bar, a scrolling page), and whether
// it is part of a popup (a menu, a panel or a question drawn over the window), and which of a
// screen's items shows something now.

#include <QObject>
#include <QQuickItem>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class FocusChain : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

 public:
  explicit FocusChain(QObject* parent = nullptr) : QObject(parent) {}

  // Whether `item` is `ancestor` or lies below it; false when either is null.
  Q_INVOKABLE static bool isWithin(const QQuickItem* item, const QQuickItem* ancestor);
  // Whether `item` lies in the layer over the window where popups are drawn; false for null.
  Q_INVOKABLE static bool isInPopup(const QQuickItem* item);
  // The first item below `root` (or `root` itself) that is shown on screen (it and all above it
  // visible) and named by `names`, trying the names in their order; null when none is.
  Q_INVOKABLE static QQuickItem* firstShown(QQuickItem* root, const QStringList& names);
};

}  // namespace amberloom::ui
