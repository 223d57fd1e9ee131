// What a screen reader meets beyond the controls: every text of the alerts and questions heard as
// written, their titles as headings, with no warning from the accessibility they carry; and a
// window that says it is busy while it is.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QPointer>
#include <QTest>
#include <algorithm>
#include <memory>
#include <vector>

#include "Kit/SymbolImageProvider.hpp"
#include "ScreenGeometry.hpp"
#include "ScreenWindow.hpp"

using amberloom::testing::ScreenWindow;
using amberloom::testing::testQml;

namespace {

// Keeps the warnings printed while it lives.
class Warnings {
 public:
  Warnings() : previous_(qInstallMessageHandler(&keep)) { kept().clear(); }
  ~Warnings() { qInstallMessageHandler(previous_); }
  static std::vector<std::string>& kept() {
    static std::vector<std::string> messages;
    return messages;
  }

 private:
  static void keep(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) kept().push_back(message.toStdString());
  }
  QtMessageHandler previous_;
};

// The names below `interface`, with the role each has, as a screen reader walks them.
void collect(QAccessibleInterface* interface, std::vector<std::pair<QAccessible::Role, QString>>& heard) {
  for (int i = 0; i < interface->childCount(); ++i) {
    QAccessibleInterface* child = interface->child(i);
    if (!child || child->state().invisible) continue;
    heard.emplace_back(child->role(), child->text(QAccessible::Name));
    collect(child, heard);
  }
}

TEST(Accessibility, EveryTextOfAnAlertOrAQuestionIsHeardAsWrittenWithItsTitleAsAHeading) {
  const Warnings warnings;
  ScreenWindow window(testQml("Alerts.qml"), {640, 480});
  const struct {
    const char* name;
    QString title;
    QString message;
  } cases[] = {
      {"dialogAlert", "<b>Alert</b> title", "<h1>/tmp/x</h1> could not be read"},
      {"confirmation", "Delete <i>it</i>?", "This cannot be undone"},
      {"backupAlert", "Replace <u>the</u> backup?", "The one there goes."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QPointer<QObject> popup = window.screen()->findChild<QObject*>(QString::fromLatin1(c.name));
    ASSERT_TRUE(popup);
    QMetaObject::invokeMethod(popup, "open");
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->property("opened").toBool(); }, 5000));
    std::vector<std::pair<QAccessible::Role, QString>> heard;
    collect(QAccessible::queryAccessibleInterface(&window.window()), heard);
    EXPECT_NE(std::find(heard.begin(), heard.end(), std::pair{QAccessible::Heading, c.title}), heard.end());
    EXPECT_NE(std::find(heard.begin(), heard.end(), std::pair{QAccessible::StaticText, c.message}), heard.end());
    amberloom::testing::expectTextsAsTypedAndWithinTheirBoxes(window.window().contentItem());
    amberloom::testing::renderInBothPalettes(window, QStringLiteral("alert-%1").arg(c.name));
    QTest::keyClick(&window.window(), Qt::Key_Escape);
    // The kit's alert goes once closed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popup || !popup->property("visible").toBool(); }, 5000));
  }
  EXPECT_TRUE(warnings.kept().empty()) << warnings.kept().front();
}

// A window declaring `busy` lists what Qt Quick's own form of a window lists, and says it is busy
// exactly while `busy` is true. (Its announcements reach no one here: the offscreen platform has
// no accessibility bridge.)
TEST(Accessibility, AWindowSaysItIsBusyWhileItIsAndListsItsContentAsEver) {
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
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
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
