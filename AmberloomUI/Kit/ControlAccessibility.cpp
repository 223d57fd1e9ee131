#include "Kit/ControlAccessibility.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QQuickItem>

#include "Kit/ItemAccessible.hpp"
#include "Kit/PlainButton.hpp"
#include "Kit/PlainScrollBar.hpp"
#include "Kit/PlainSlider.hpp"
#include "Kit/TextInputAccessible.hpp"

namespace amberloom::ui {

namespace {

using Action = QAccessibleActionInterface;

class PlainButtonAccessible final : public ItemAccessible {
 public:
  explicit PlainButtonAccessible(PlainButton* button) : ItemAccessible(button) {}

 protected:
  PlainButton* button() const { return static_cast<PlainButton*>(item()); }
  QAccessible::Role ownRole() const override {
    return button()->checkable() ? QAccessible::CheckBox : QAccessible::Button;
  }
  void addStates(QAccessible::State& state) const override {
    const PlainButton* shown = button();
    state.pressed = shown->pressed();
    state.checkable = shown->checkable();
    state.checked = shown->checkable() && shown->checked() && !shown->mixed();
    state.checkStateMixed = shown->checkable() && shown->mixed();
    state.selectable = shown->selectable();
    state.selected = shown->selectable() && shown->selected();
  }
  QString ownText(QAccessible::Text kind) const override {
    return kind == QAccessible::Name ? button()->text() : QString();
  }
  QStringList ownActions() const override {
    if (button()->checkable()) return {Action::toggleAction(), Action::pressAction()};
    return {Action::pressAction()};
  }
  void run(const QString&) override { button()->click(); }
};

class PlainSliderAccessible final : public ItemAccessible, public QAccessibleValueInterface {
 public:
  explicit PlainSliderAccessible(PlainSlider* slider) : ItemAccessible(slider) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return ItemAccessible::interface_cast(type);
  }

  QVariant currentValue() const override { return slider()->shownValue(); }
  void setCurrentValue(const QVariant& value) override {
    if (slider()->isEnabled()) slider()->moveTo(value.toDouble());
  }
  QVariant maximumValue() const override { return slider()->to(); }
  QVariant minimumValue() const override { return slider()->from(); }
  QVariant minimumStepSize() const override { return slider()->stepSize(); }

 protected:
  PlainSlider* slider() const { return static_cast<PlainSlider*>(item()); }
  QAccessible::Role ownRole() const override { return QAccessible::Slider; }
  void addStates(QAccessible::State& state) const override { state.pressed = slider()->pressed(); }
  QString ownText(QAccessible::Text kind) const override {
    return kind == QAccessible::Description || kind == QAccessible::Value ? slider()->valueText() : QString();
  }
  QStringList ownActions() const override { return {Action::increaseAction(), Action::decreaseAction()}; }
  void run(const QString& action) override { slider()->step(action == Action::increaseAction() ? 1 : -1); }
};

class ScrollBarAccessible final : public ItemAccessible, public QAccessibleValueInterface {
 public:
  explicit ScrollBarAccessible(PlainScrollBar* bar) : ItemAccessible(bar) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return ItemAccessible::interface_cast(type);
  }

  QVariant currentValue() const override { return bar()->scrolled(); }
  void setCurrentValue(const QVariant& value) override {
    if (bar()->isEnabled()) bar()->setScrolled(value.toDouble());
  }
  QVariant maximumValue() const override { return bar()->scrollRange(); }
  QVariant minimumValue() const override { return 0.0; }
  QVariant minimumStepSize() const override { return 1.0; }

 protected:
  PlainScrollBar* bar() const { return static_cast<PlainScrollBar*>(item()); }
  QAccessible::Role ownRole() const override { return QAccessible::ScrollBar; }
  QStringList ownActions() const override { return {Action::increaseAction(), Action::decreaseAction()}; }
  void run(const QString& action) override { bar()->scrollPages(action == Action::increaseAction() ? 1 : -1); }
};

// The standard controls' combo box, drawn as a pop-up menu. While open, its list of entries is
// its one child, as a screen reader looks for it below the menu.
class MenuAccessible final : public ItemAccessible {
 public:
  explicit MenuAccessible(QQuickItem* menu) : ItemAccessible(menu) {}

  int childCount() const override { return openList() ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    QQuickItem* list = openList();
    return list && index == 0 ? QAccessible::queryAccessibleInterface(list) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    QQuickItem* list = openList();
    return list && child && child->object() == list ? 0 : -1;
  }

 protected:
  QObject* popup() const { return item()->property("popup").value<QObject*>(); }
  bool isOpen() const {
    const QObject* shown = popup();
    return shown && shown->property("visible").toBool();
  }
  // The open pop-up's list of entries; null while closed.
  QQuickItem* openList() const {
    QObject* shown = popup();
    if (!shown || !isOpen()) return nullptr;
    auto* list = shown->property("contentItem").value<QQuickItem*>();
    return list && ItemAccessible::isShown(list) ? list : nullptr;
  }
  QAccessible::Role ownRole() const override { return QAccessible::ComboBox; }
  void addStates(QAccessible::State& state) const override {
    state.expandable = true;
    state.expanded = isOpen();
    state.collapsed = !state.expanded;
  }
  QString ownText(QAccessible::Text kind) const override {
    return kind == QAccessible::Description || kind == QAccessible::Value ? item()->property("displayText").toString()
                                                                          : QString();
  }
  QStringList ownActions() const override { return {Action::pressAction(), Action::showMenuAction()}; }
  void run(const QString&) override {
    if (QObject* shown = popup(); shown && !isOpen()) QMetaObject::invokeMethod(shown, "open");
  }
};

// Every other standard button: what its view and Qt Quick declared of it, and the keyboard's press.
class StandardButtonAccessible final : public ItemAccessible {
 public:
  explicit StandardButtonAccessible(QQuickItem* button) : ItemAccessible(button) {}

  // Qt Quick declares a menu bar's title a menu bar of its own; it is the menu it opens.
  QAccessible::Role role() const override {
    if (item() && item()->inherits("QQuickMenuBarItem")) return QAccessible::PopupMenu;
    return ItemAccessible::role();
  }

 protected:
  bool checkable() const { return item()->property("checkable").toBool(); }
  QAccessible::Role ownRole() const override { return checkable() ? QAccessible::CheckBox : QAccessible::Button; }
  // An entry of a list (a menu's, while it is open) is selectable; the one the keyboard stands
  // on is selected and focused, as the focus stays with the control that opened the list.
  bool isEntry() const { return item()->inherits("QQuickItemDelegate"); }
  void addStates(QAccessible::State& state) const override {
    state.checkable = checkable();
    state.checked = state.checkable && item()->property("checked").toBool();
    state.pressed = item()->property("down").toBool();
    if (isEntry()) {
      state.selectable = true;
      state.selected = state.focused = item()->property("highlighted").toBool();
    }
  }
  QString ownText(QAccessible::Text kind) const override {
    return kind == QAccessible::Name ? item()->property("text").toString() : QString();
  }
  QStringList ownActions() const override {
    if (checkable()) return {Action::toggleAction(), Action::pressAction()};
    return {Action::pressAction()};
  }
  // Space, pressed and let go: what the keyboard does, checking and triggering as it does.
  void run(const QString&) override {
    QPointer<QQuickItem> button = item();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(button, &press);
    if (!button) return;
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(button, &release);
  }
};

}  // namespace

QAccessibleInterface* controlAccessibility(const QString&, QObject* object) {
  auto* item = qobject_cast<QQuickItem*>(object);
  if (!item) return nullptr;
  // Chosen by the control's type alone: Qt Quick asks for the form of an item as its Accessible
  // block is made, before the block is the item's, and keeps the answer. Only a view's word to
  // leave the item out counts.
  if (const QObject* block = ItemAccessible::declared(item); block && block->property("ignored").toBool()) return nullptr;
  if (auto* button = qobject_cast<PlainButton*>(item)) return new PlainButtonAccessible(button);
  if (auto* slider = qobject_cast<PlainSlider*>(item)) return new PlainSliderAccessible(slider);
  if (auto* bar = qobject_cast<PlainScrollBar*>(item); bar && bar->flickable()) return new ScrollBarAccessible(bar);
  if (item->inherits("QQuickComboBox")) return new MenuAccessible(item);
  if (item->inherits("QQuickTextInput")) return new TextInputAccessible(item);
  if (item->inherits("QQuickAbstractButton")) return new StandardButtonAccessible(item);
  return nullptr;
}

}  // namespace amberloom::ui
