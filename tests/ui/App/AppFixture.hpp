#pragma once
// The real application made in the test's own process on the offscreen platform, with helpers to
// see which screen its main window shows, to drive it and to save its windows as pictures.

#include <gtest/gtest.h>

#include <QDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "Account/AccountStore.hpp"
#include "AmberLoom/AmberloomApp.hpp"
#include "Kit/SystemColorScheme.hpp"
#include "Kit/Workspace.hpp"
#include "Preferences/UserDefaults.hpp"

namespace amberloom::testing {

struct RecordingWorkspace : ui::Workspace {
  bool open(const QUrl& link) override {
    opened.push_back(link);
    return answers;
  }
  void reveal(const QString& path) override { revealed.push_back(path); }
  std::vector<QUrl> opened;
  std::vector<QString> revealed;
  bool answers = true;  // a program took the link
};

class AppFixture : public ::testing::Test {
 protected:
  // Unless a test names a server, the account server is a closed port: nothing leaves the machine.
  static constexpr const char* closedServer = "http://127.0.0.1:9/api/v1";
  void SetUp() override { ::setenv("AMBERLOOM_ACCOUNT_URL", closedServer, 1); }

  static void signIn() {
    AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard())
        .save("token-1", "ada@example.com", "mac-1", closedServer);
  }

  std::unique_ptr<app::AmberloomApp> start() {
    auto app = std::make_unique<app::AmberloomApp>();
    app->showMainWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(app->mainWindow(), 60000));
    // The root view follows the window's first frame, and the menus follow the root view's.
    EXPECT_TRUE(QTest::qWaitFor([&] { return find(app->mainWindow(), "rootView") != nullptr; }, 60000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return app->mainWindow()->property("menuBar").value<QObject*>() != nullptr; }, 60000));
    return app;
  }

  static QQuickItem* find(QQuickWindow* window, const char* name) {
    return window->findChild<QQuickItem*>(QString::fromLatin1(name));
  }

  // Clicks the centre of `item`, or of the item named `name` (failing the test when there is none).
  static void click(QQuickWindow* window, QQuickItem* item) {
    QTest::mouseClick(window, Qt::LeftButton, {}, item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
  }
  static void click(QQuickWindow* window, const char* name) {
    auto* item = find(window, name);
    ASSERT_TRUE(item) << name;
    click(window, item);
  }

  // The first visible item named `name` below `item`, depth first through the drawn items (list
  // delegates have no object parent to find them by).
  static QQuickItem* firstVisible(QQuickItem* item, const char* name) {
    if (item->objectName() == QLatin1String(name) && item->isVisible() && item->width() > 0 &&
        item->window()->contentItem()->contains(item->mapToItem(item->window()->contentItem(), QPointF(1, 1))))
      return item;
    for (QQuickItem* child : item->childItems())
      if (QQuickItem* found = firstVisible(child, name)) return found;
    return nullptr;
  }

  // The part of Qt's own dialog of class `type` ("QQuickFileDialogImpl", ...) that `window` shows.
  static QObject* shownDialog(QQuickWindow* window, const char* type) {
    for (QObject* part : window->findChildren<QObject*>())
      if (part->inherits(type) && part->property("visible").toBool()) return part;
    return nullptr;
  }

  // What the root view shows: the object name of its screen.
  static QString screenOf(app::AmberloomApp& app) {
    auto* content = find(app.mainWindow(), "rootContent");
    auto* item = content ? content->property("item").value<QQuickItem*>() : nullptr;
    return item ? item->objectName() : QString();
  }

  static void saveInBothPalettes(QQuickWindow* window, const QString& name) {
    const QDir folder(QStringLiteral(AMBERLOOM_SCREENS_DIR));
    folder.mkpath(QStringLiteral("."));
    auto& scheme = ui::SystemColorScheme::instance();
    for (auto [value, suffix] : {std::pair{ui::SystemColorScheme::Light, "-light.png"}, {ui::SystemColorScheme::Dark, "-dark.png"}}) {
      scheme.setScheme(value);
      QCoreApplication::processEvents();
      const QImage image = window->grabWindow();
      ASSERT_FALSE(image.isNull());
      image.save(folder.filePath(name + QLatin1String(suffix)));
    }
    scheme.setScheme(ui::SystemColorScheme::Light);
  }

  // A save panel that answers at once: with `file` chosen, or cancelled when it is empty.
  static QQmlComponent* answeringPanel(app::AmberloomApp& app, const std::string& file) {
    auto* component = new QQmlComponent(&app.engine(), app.mainWindow());
    const QString answer = file.empty() ? QStringLiteral("cancelled()")
                                        : QStringLiteral("chosen(\"%1\")").arg(QUrl::fromLocalFile(QString::fromStdString(file)).toString());
    component->setData(QStringLiteral("import QtQuick\nQtObject { property url folder; property var themePalette;"
                                      " signal chosen(url file); signal cancelled(); function open() { %1 } }\n")
                           .arg(answer).toUtf8(), QUrl());
    return component;
  }
};

}  // namespace amberloom::testing
