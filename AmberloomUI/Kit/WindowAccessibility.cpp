#include "Kit/WindowAccessibility.hpp"

#include <QAccessible>
#include <QAccessibleObject>
#include <QGuiApplication>
#include <QMetaProperty>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>

#include "Kit/ItemAccessible.hpp"

namespace amberloom::ui {

namespace {

constexpr const char* kBusy = "busy";

// What Qt Quick's form of a window gives, with the busy state added and only the items on screen
// as its content (see ItemAccessible::shownBelow).
class BusyWindowAccessible final : public QAccessibleObject {
 public:
  explicit BusyWindowAccessible(QQuickWindow* window) : QAccessibleObject(window) {}

  QWindow* window() const override { return quickWindow(); }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
  QAccessible::Role role() const override { return QAccessible::Window; }

  QAccessible::State state() const override {
    QAccessible::State state;
    QQuickWindow* window = quickWindow();
    state.invisible = !window || !window->isVisible();
    state.active = window && window == QGuiApplication::focusWindow();
    state.busy = window && window->property(kBusy).toBool();
    return state;
  }

  QRect rect() const override {
    QQuickWindow* window = quickWindow();
    return window ? QRect(window->x(), window->y(), window->width(), window->height()) : QRect();
  }

  QString text(QAccessible::Text text) const override {
    QQuickWindow* window = quickWindow();
    return window && text == QAccessible::Name ? window->title() : QString();
  }

  int childCount() const override { return static_cast<int>(children().size()); }
  QAccessibleInterface* child(int index) const override { return ItemAccessible::shownChild(children(), index); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return ItemAccessible::indexOfShown(children(), child);
  }
  QAccessibleInterface* childAt(int x, int y) const override { return ItemAccessible::shownAt(children(), x, y); }

  QAccessibleInterface* focusChild() const override {
    QQuickWindow* window = quickWindow();
    QObject* focused = window ? window->focusObject() : nullptr;
    QAccessibleInterface* focus = focused ? QAccessible::queryAccessibleInterface(focused) : nullptr;
    if (!focus || focus == this || !focus->focusChild()) return focus;
    return focus->focusChild();
  }

 private:
  QQuickWindow* quickWindow() const { return static_cast<QQuickWindow*>(object()); }
  // The items nearest the content item that assistive technology sees.
  QList<QQuickItem*> children() const {
    QQuickWindow* window = quickWindow();
    return window ? ItemAccessible::shownBelow(window->contentItem()) : QList<QQuickItem*>();
  }
};

// Announces each turn of a window's `busy` property as a change of its busy state.
class BusyAnnouncer final : public QObject {
  Q_OBJECT

 public:
  explicit BusyAnnouncer(QQuickWindow* window) : QObject(window), window_(window) {}

 public slots:
  void busyChanged() {
    if (!window_) return;
    QAccessible::State changed;
    changed.busy = true;
    QAccessibleStateChangeEvent event(window_.data(), changed);
    QAccessible::updateAccessibility(&event);
  }

 private:
  QPointer<QQuickWindow> window_;
};

}  // namespace

QAccessibleInterface* windowAccessibility(const QString&, QObject* object) {
  auto* window = qobject_cast<QQuickWindow*>(object);
  if (!window) return nullptr;
  const QMetaObject* type = window->metaObject();
  const int busy = type->indexOfProperty(kBusy);
  // Asked once per window: the interface is kept for the window's life.
  const QMetaProperty property = busy >= 0 ? type->property(busy) : QMetaProperty();
  if (property.hasNotifySignal()) {
    auto* announcer = new BusyAnnouncer(window);
    QObject::connect(window, property.notifySignal(), announcer,
                     announcer->metaObject()->method(announcer->metaObject()->indexOfSlot("busyChanged()")));
  }
  return new BusyWindowAccessible(window);
}

}  // namespace amberloom::ui

#include "WindowAccessibility.moc"
