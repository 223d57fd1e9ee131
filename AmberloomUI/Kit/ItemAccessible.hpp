#pragma once
// An item of a window as assistive technology sees it: its place in the tree and on screen as Qt
// Quick's own form gives them, what its view declared (Accessible.name, .description, .role and
// the state flags), and what the item itself knows and Qt Quick's form leaves out: whether it is
// enabled, whether it takes the focus, and the actions it offers, each listed once and each doing
// what the item's own input does. A kind of control (see ControlAccessibility) says its role, its
// states and its actions; the rest is here.

#include <QAccessibleObject>
#include <QStringList>
#include <QVariant>

class QQuickItem;

namespace amberloom::ui {

class ItemAccessible : public QAccessibleObject, public QAccessibleActionInterface {
 public:
  explicit ItemAccessible(QQuickItem* item);

  // The Accessible block its view declared for `item` (an object with the properties name,
  // description, role, checked, ...), or null when none did.
  static QObject* declared(const QQuickItem* item);
  // Makes `item` part of the tree Qt Quick shows assistive technology, as a view that declares
  // any of its Accessible properties does.
  static void makeAccessible(QQuickItem* item);
  // Whether `item` is in that tree: declared, and not declared ignored.
  static bool isShown(const QQuickItem* item);
  // Whether `item` is drawn: its window shown, and it and every item above it visible. Only then
  // does it take the focus or offer an action.
  static bool isOnScreen(const QQuickItem* item);
  // The items below `item` nearest to it that are in the tree, in the order of the item tree;
  // a hidden item, with all below it, is left out.
  static QList<QQuickItem*> shownBelow(const QQuickItem* item);
  // The form of `items`' entry `index` (null beyond them), and the entry of `child` (-1 for none).
  static QAccessibleInterface* shownChild(const QList<QQuickItem*>& items, int index);
  static int indexOfShown(const QList<QQuickItem*>& items, const QAccessibleInterface* child);
  // The deepest of `items` (and of their own, in the tree) shown at the point, the last drawn
  // first; null for none.
  static QAccessibleInterface* shownAt(const QList<QQuickItem*>& items, int x, int y);

  QQuickItem* item() const;

  QWindow* window() const override;
  QAccessibleInterface* parent() const override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QRect rect() const override;
  QAccessible::Role role() const override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text kind) const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  // What the control offers while it is enabled and on screen, and SetFocus while it takes the
  // focus; nothing while it is disabled, whose input it refuses too, or hidden.
  QStringList actionNames() const override;
  void doAction(const QString& action) override;
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 protected:
  // The role when the view declares none.
  virtual QAccessible::Role ownRole() const = 0;
  // The states the control knows of itself, set over the declared ones.
  virtual void addStates(QAccessible::State&) const {}
  // A text the view does not declare (the name, the description, the value).
  virtual QString ownText(QAccessible::Text) const { return {}; }
  virtual QStringList ownActions() const { return {}; }
  // One of ownActions(), on an enabled control.
  virtual void run(const QString&) {}
  // Whether the control can take the keyboard's focus at all, by Tab or by a click.
  virtual bool takesFocus() const;
  // A property of the declared block; invalid when there is none.
  QVariant declaredValue(const char* name) const;
};

}  // namespace amberloom::ui
