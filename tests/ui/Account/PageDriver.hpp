#pragma once
// A screen driven the way a user does: items found along the window's item tree (so items made by
// repeaters and pop-ups are found too) and clicked at their centre.

#include <QQuickItem>
#include <QTest>
#include <utility>
#include <vector>

#include "ScreenWindow.hpp"

namespace amberloom::testing {

class PageDriver {
 public:
  // Shows `qml` at `size`, then sets each of `models` on the screen in the order given.
  PageDriver(const QString& qml, QSize size, const std::vector<std::pair<const char*, QObject*>>& models)
      : window_(testQml(qml), size) {
    for (const auto& [name, object] : models) window_.screen()->setProperty(name, QVariant::fromValue(object));
  }
  ScreenWindow& window() { return window_; }
  // The item named `name` (inside the item named `owner`); throws std::runtime_error when none.
  QQuickItem* item(const QString& name) const { return window_.itemInWindow(name); }
  QQuickItem* item(const QString& owner, const QString& name) const {
    if (auto* found = ScreenWindow::findBelow(item(owner), name)) return found;
    throw std::runtime_error("no item named " + name.toStdString() + " in " + owner.toStdString());
  }
  bool shows(const QString& name) {
    auto* found = ScreenWindow::findBelow(window_.window().contentItem(), name);
    return found && found->isVisible();
  }
  void click(const QString& name) { click(item(name)); }
  void click(const QQuickItem* target) {
    QTest::mouseClick(&window_.window(), Qt::LeftButton, {}, window_.centreOf(target));
  }
  QObject* popup(const char* name) { return window_.screen()->findChild<QObject*>(name); }
  // True once the pop-up named `name` is open; false when it does not open within the wait.
  bool popupOpens(const char* name) {
    return QTest::qWaitFor([&] { return popup(name)->property("opened").toBool(); }, 60000);
  }
  void clickInPopup(const char* popupName, const char* button) {
    click(popup(popupName)->findChild<QQuickItem*>(button));
  }

 private:
  ScreenWindow window_;
};

}  // namespace amberloom::testing
