#pragma once
// A guided screen shown offscreen over a model a test made, at the main window's width, the way
// a user meets it: find its items by name, read their texts, click them.

#include <QQuickItem>
#include <QTest>
#include <memory>
#include <stdexcept>

#include "ScreenWindow.hpp"

namespace amberloom::testing {

class GuidedScreen {
 public:
  // `screenName` is "recipes", "repair" or "removal".
  GuidedScreen(const char* screenName, QObject* model, QObject* undoPoints = nullptr, QSize size = {980, 720})
      : window_(std::make_unique<ScreenWindow>(testQml("GuidedHost.qml"), size)) {
    QQuickItem* host = window_->screen();
    host->setProperty("screenName", QString::fromLatin1(screenName));
    host->setProperty("undoPoints", QVariant::fromValue(undoPoints));
    host->setProperty("model", QVariant::fromValue(model));
    if (!shown()) throw std::runtime_error("the screen did not load");
    settle();
  }

  ScreenWindow& window() { return *window_; }
  QQuickItem* shown() const { return window_->screen()->property("shown").value<QQuickItem*>(); }
  // The first visible item named `name` in the window, dialogs included, by the order of the item
  // tree (list delegates too); throws when there is none.
  QQuickItem* item(const QString& name) const {
    if (QQuickItem* found = ScreenWindow::findShownBelow(window_->window().contentItem(), name)) return found;
    throw std::runtime_error("no visible item named " + name.toStdString());
  }
  bool shows(const QString& name) const {
    return ScreenWindow::findShownBelow(window_->window().contentItem(), name) != nullptr;
  }
  // The text of the item, or of its child named "text" (a label with a symbol).
  QString text(const QString& name) const {
    QQuickItem* found = item(name);
    if (QQuickItem* inner = ScreenWindow::findShownBelow(found, QStringLiteral("text")))
      return inner->property("text").toString();
    return found->property("text").toString();
  }
  // The descendant named `child` of the visible item `name`, or null.
  QQuickItem* child(const QString& name, const char* child) const { return item(name)->findChild<QQuickItem*>(child); }
  // Scrolls the item (or its descendant named `inner`) into view and clicks its centre.
  void click(const QString& name, const char* inner = nullptr) {
    QQuickItem* target = inner ? child(name, inner) : item(name);
    bringIntoView(target);
    QTest::mouseClick(&window_->window(), Qt::LeftButton, {}, window_->centreOf(target));
    settle();
  }
  void bringIntoView(QQuickItem* target) {
    auto* flick = shown()->findChild<QQuickItem*>(QStringLiteral("pageScroller"));
    if (!flick) return;
    const qreal y = target->mapToItem(flick->property("contentItem").value<QQuickItem*>(), QPointF(0, 0)).y();
    const qreal most = std::max(0.0, flick->property("contentHeight").toReal() - flick->height());
    flick->setProperty("contentY", std::clamp(y - 40, 0.0, most));
    settle();
  }
  void settle() { QTest::qWait(30); }

 private:
  std::unique_ptr<ScreenWindow> window_;
};

}  // namespace amberloom::testing
