// A window that says it is busy to assistive technology while it is: the main window and the
// settings window while a batch of writes runs and blocks their controls.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>
#include <memory>

#include "Kit/SymbolImageProvider.hpp"

namespace {

// A window declaring `busy` lists what Qt Quick's own form of a window lists, and says it is busy
// exactly while `busy` is true. (Its announcements reach no one here: the offscreen platform has
// no accessibility bridge.)
TEST(WindowAccessibility, AWindowSaysItIsBusyWhileItIsAndListsItsContentAsEver) {
  QQmlEngine engine;
  amberloom::ui::installKit(engine);
  const auto make = [&](const char* busy) {
    QQmlComponent component(&engine);
    component.setData(QByteArray("import QtQuick\nWindow { title: \"Shown\"; width: 200; height: 120; ") + busy +
                          "\n Item { Text { text: \"First\"; Accessible.role: Accessible.StaticText; Accessible.name: text }"
                          "  Item { Rectangle { Accessible.role: Accessible.Button; Accessible.name: \"Second\" } } } }",
                      QUrl());
    std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow*>(component.create()));
    EXPECT_TRUE(window) << component.errorString().toStdString();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get(), 60000));
    return window;
  };
  const auto busyWindow = make("property bool busy: false");
  const auto plainWindow = make("");
  QAccessibleInterface* busy = QAccessible::queryAccessibleInterface(busyWindow.get());
  QAccessibleInterface* plain = QAccessible::queryAccessibleInterface(plainWindow.get());
  ASSERT_TRUE(busy && plain);

  EXPECT_EQ(busy->text(QAccessible::Name), plain->text(QAccessible::Name));
  EXPECT_EQ(busy->role(), plain->role());
  ASSERT_EQ(busy->childCount(), plain->childCount());
  ASSERT_EQ(busy->childCount(), 2);
  for (int i = 0; i < busy->childCount(); ++i) {
    EXPECT_EQ(busy->child(i)->text(QAccessible::Name), plain->child(i)->text(QAccessible::Name));
    EXPECT_EQ(busy->indexOfChild(busy->child(i)), i);
    EXPECT_EQ(busy->child(i)->parent(), busy);
  }

  for (bool on : {true, false, true}) {
    busyWindow->setProperty("busy", on);
    EXPECT_EQ(busy->state().busy, on);
  }
  EXPECT_FALSE(plain->state().busy);
}

}  // namespace
