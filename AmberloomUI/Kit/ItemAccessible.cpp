#include "Kit/ItemAccessible.hpp"

#include <QMetaType>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqml.h>
#include <algorithm>

namespace amberloom::ui {

namespace {

// How Qt Quick makes an item's Accessible block. Its type is Qt's own; it is found by name once
// the module registered it, which it does before any item exists.
QQmlAttachedPropertiesFunc accessibleBlock(QObject* item) {
  static const QQmlAttachedPropertiesFunc make = [item]() -> QQmlAttachedPropertiesFunc {
    const QMetaObject* type = QMetaType::fromName("QQuickAccessibleAttached*").metaObject();
    return type ? qmlAttachedPropertiesFunction(item, type) : nullptr;
  }();
  return make;
}

// The state flags a view can declare, read from the block by these names.
struct DeclaredFlag {
  const char* name;
  void (*set)(QAccessible::State&);
};
constexpr DeclaredFlag declaredFlags[] = {
    {"checkable", [](QAccessible::State& s) { s.checkable = true; }},
    {"checked", [](QAccessible::State& s) { s.checked = true; }},
    {"checkStateMixed", [](QAccessible::State& s) { s.checkStateMixed = true; }},
    {"selectable", [](QAccessible::State& s) { s.selectable = true; }},
    {"selected", [](QAccessible::State& s) { s.selected = true; }},
    {"pressed", [](QAccessible::State& s) { s.pressed = true; }},
    {"defaultButton", [](QAccessible::State& s) { s.defaultButton = true; }},
    {"editable", [](QAccessible::State& s) { s.editable = true; }},
    {"readOnly", [](QAccessible::State& s) { s.readOnly = true; }},
    {"multiLine", [](QAccessible::State& s) { s.multiLine = true; }},
    {"passwordEdit", [](QAccessible::State& s) { s.passwordEdit = true; }},
    {"searchEdit", [](QAccessible::State& s) { s.searchEdit = true; }},
};

}  // namespace

ItemAccessible::ItemAccessible(QQuickItem* item) : QAccessibleObject(item) {}

QObject* ItemAccessible::declared(const QQuickItem* item) {
  if (!item) return nullptr;
  auto* object = const_cast<QQuickItem*>(item);
  const QQmlAttachedPropertiesFunc make = accessibleBlock(object);
  return make ? qmlAttachedPropertiesObject(object, make, false) : nullptr;
}

void ItemAccessible::makeAccessible(QQuickItem* item) {
  if (const QQmlAttachedPropertiesFunc make = accessibleBlock(item)) qmlAttachedPropertiesObject(item, make, true);
}

bool ItemAccessible::isShown(const QQuickItem* item) {
  const QObject* block = declared(item);
  return block && !block->property("ignored").toBool();
}

bool ItemAccessible::isOnScreen(const QQuickItem* item) {
  return item && item->window() && item->window()->isVisible() && item->isVisible();
}

QQuickItem* ItemAccessible::item() const { return static_cast<QQuickItem*>(object()); }

QWindow* ItemAccessible::window() const { return item() ? item()->window() : nullptr; }

QVariant ItemAccessible::declaredValue(const char* name) const {
  const QObject* block = declared(item());
  return block ? block->property(name) : QVariant();
}

QAccessibleInterface* ItemAccessible::parent() const {
  QQuickItem* shown = item();
  if (!shown) return nullptr;
  QQuickWindow* window = shown->window();
  QQuickItem* content = window ? window->contentItem() : nullptr;
  // The nearest ancestor in the tree; above the window's content, the window itself.
  for (QQuickItem* above = shown->parentItem(); above; above = above->parentItem()) {
    if (above == content || !above->parentItem()) return window ? QAccessible::queryAccessibleInterface(window) : nullptr;
    if (isShown(above)) return QAccessible::queryAccessibleInterface(above);
  }
  return nullptr;
}

QList<QQuickItem*> ItemAccessible::shownBelow(const QQuickItem* item) {
  QList<QQuickItem*> found;
  QList<QQuickItem*> pending = item ? item->childItems() : QList<QQuickItem*>();
  // Depth first, in the order of the item tree: a child that is not shown stands aside for its own.
  std::reverse(pending.begin(), pending.end());
  while (!pending.isEmpty()) {
    QQuickItem* next = pending.takeLast();
    // A hidden item (a pooled row, a closed menu, a note with nothing to say) is not on screen,
    // and neither is anything below it: a screen reader finds only what the screen shows.
    if (!next->isVisible()) continue;
    if (isShown(next)) {
      found.append(next);
      continue;
    }
    const QList<QQuickItem*> below = next->childItems();
    for (auto child = below.rbegin(); child != below.rend(); ++child) pending.append(*child);
  }
  return found;
}

QAccessibleInterface* ItemAccessible::shownAt(const QList<QQuickItem*>& items, int x, int y) {
  for (auto item = items.rbegin(); item != items.rend(); ++item) {
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(*item);
    if (!shown) continue;
    if (QAccessibleInterface* inner = shown->childAt(x, y)) return inner;
    if (!shown->state().invisible && shown->rect().contains(x, y)) return shown;
  }
  return nullptr;
}

QAccessibleInterface* ItemAccessible::shownChild(const QList<QQuickItem*>& items, int index) {
  return index >= 0 && index < items.size() ? QAccessible::queryAccessibleInterface(items.at(index)) : nullptr;
}

int ItemAccessible::indexOfShown(const QList<QQuickItem*>& items, const QAccessibleInterface* child) {
  return child ? static_cast<int>(items.indexOf(qobject_cast<QQuickItem*>(child->object()))) : -1;
}

int ItemAccessible::childCount() const { return static_cast<int>(shownBelow(item()).size()); }

QAccessibleInterface* ItemAccessible::child(int index) const { return shownChild(shownBelow(item()), index); }

int ItemAccessible::indexOfChild(const QAccessibleInterface* child) const {
  return indexOfShown(shownBelow(item()), child);
}

QAccessibleInterface* ItemAccessible::childAt(int x, int y) const {
  if (item() && item()->clip() && !rect().contains(x, y)) return nullptr;
  return shownAt(shownBelow(item()), x, y);
}

QRect ItemAccessible::rect() const {
  QQuickItem* shown = item();
  // A hidden item has no place on screen.
  if (!shown || !shown->window() || !shown->isVisible()) return {};
  const QPointF topLeft = shown->mapToScene(QPointF(0, 0));
  return QRect(shown->window()->mapToGlobal(topLeft.toPoint()), QSize(int(shown->width()), int(shown->height())));
}

QAccessible::Role ItemAccessible::role() const {
  if (!item()) return QAccessible::NoRole;
  const auto declaredRole = static_cast<QAccessible::Role>(declaredValue("role").toInt());
  return declaredRole != QAccessible::NoRole ? declaredRole : ownRole();
}

bool ItemAccessible::takesFocus() const {
  const QQuickItem* shown = item();
  if (!shown) return false;
  const QVariant policy = shown->property("focusPolicy");
  return policy.isValid() ? (policy.toInt() & (Qt::TabFocus | Qt::ClickFocus)) != 0 : shown->activeFocusOnTab();
}

QAccessible::State ItemAccessible::state() const {
  QAccessible::State state;
  const QQuickItem* shown = item();
  if (!shown) {
    state.invalid = true;
    return state;
  }
  state.invisible = !shown->window() || !shown->window()->isVisible() || !shown->isVisible() || qFuzzyIsNull(shown->opacity());
  state.disabled = !shown->isEnabled();
  // A hidden control cannot be reached by the keyboard, nor from assistive technology.
  state.focusable = !state.disabled && isOnScreen(shown) && takesFocus();
  state.focused = shown->hasActiveFocus();
  if (const QObject* block = declared(shown))
    for (const DeclaredFlag& flag : declaredFlags)
      if (block->property(flag.name).toBool()) flag.set(state);
  addStates(state);
  return state;
}

QString ItemAccessible::text(QAccessible::Text kind) const {
  // An item on its way out (its form goes with it) says nothing.
  if (!item()) return {};
  if (kind == QAccessible::Name || kind == QAccessible::Description) {
    const QString declaredText = declaredValue(kind == QAccessible::Name ? "name" : "description").toString();
    if (!declaredText.isEmpty()) return declaredText;
  }
  return ownText(kind);
}

void* ItemAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
  return QAccessibleObject::interface_cast(type);
}

QStringList ItemAccessible::actionNames() const {
  const QAccessible::State now = state();
  // What the screen does not show cannot be used: a hidden switch writes nothing.
  if (now.invalid || now.disabled || !isOnScreen(item())) return {};
  QStringList actions = ownActions();
  if (now.focusable) actions.append(setFocusAction());
  return actions;
}

void ItemAccessible::doAction(const QString& action) {
  if (!actionNames().contains(action)) return;
  if (action == setFocusAction())
    item()->forceActiveFocus(Qt::OtherFocusReason);
  else
    run(action);
}

}  // namespace amberloom::ui
