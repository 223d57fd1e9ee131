// One walk through the real application against the local account server: sign in through the
// outbox link, leave the first-run wizard, change a setting and see it from outside, export the
// script through the menu command, and start again straight onto the catalogue window.

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "Account/AccountModel.hpp"
#include "AccountServerProcess.hpp"
#include "AppFixture.hpp"
#include "Browser/SettingsModel.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Platform/ProcessRunner.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
using amberloom::ui::AccountModel;

namespace {

class AppEndToEnd : public th::AppFixture {
 protected:
  void SetUp() override { ::setenv("AMBERLOOM_ACCOUNT_URL", server.apiBase().c_str(), 1); }

  th::AccountServerProcess server;
};

TEST_F(AppEndToEnd, SignInWizardChangeExportAndRestart) {
  // A Mac's home has a Desktop folder; the export saves into folders that exist.
  std::filesystem::create_directories(th::home() + "/Desktop");
  const std::string script = th::home() + "/Desktop/amberloom-settings.sh";
  {
    auto app = start();
    QQuickWindow* window = app->mainWindow();
    ASSERT_EQ(screenOf(*app), QStringLiteral("signInView"));
    for (const char c : std::string("ada@example.com")) QTest::keyClick(window, c);
    QTest::keyClick(window, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->root().account->state() == AccountModel::Waiting; }, 60000));
    th::confirmLink(server.outboxLink("ada@example.com"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return screenOf(*app) == QStringLiteral("firstRunView"); }, 60000));

    click(window, "browseButton");
    ASSERT_EQ(screenOf(*app), QStringLiteral("catalogView"));

    // The setting's card, found by searching; its switch writes through the preference files and
    // another process sees the value.
    auto& catalog = *app->root().catalog;
    catalog.setSearchText(QStringLiteral("Hide the Dock automatically"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstVisible(window->contentItem(), "toggle") != nullptr; }, 60000));
    // The list settles after the search: the switch stays where it is between two looks.
    QPointF last(-1, -1);
    ASSERT_TRUE(QTest::qWaitFor([&] {
      const QPointF now = firstVisible(window->contentItem(), "toggle")->mapToScene(QPointF(0, 0));
      return std::exchange(last, now) == now;
    }, 60000));
    click(window, firstVisible(window->contentItem(), "toggle"));
    EXPECT_FALSE(catalog.hasLastError()) << catalog.lastErrorText().toStdString();
    saveInBothPalettes(window, QStringLiteral("app-catalogue-changed"));
    const auto read = th::runDefaults({"read", "com.apple.dock", "autohide"});
    EXPECT_EQ(read.exitStatus, 0);
    EXPECT_EQ(read.standardOutput, "1\n");

    window->setProperty("savePanel", QVariant::fromValue(answeringPanel(*app, script)));
    QMetaObject::invokeMethod(window, "exportScript");
    EXPECT_NE(th::readFile(script).find("defaults write com.apple.dock autohide -bool true"), std::string::npos)
        << th::readFile(script);
  }
  // The exported script sets the value again on a Mac where it was taken away.
  ASSERT_EQ(th::runDefaults({"delete", "com.apple.dock", "autohide"}).exitStatus, 0);
  const auto ran = amberloom::platform::runProcess("/bin/sh", {"-c", "PATH=\"$(dirname \"$0\"):$PATH\" \"$1\"", th::defaultsPath(), script});
  ASSERT_TRUE(ran);
  EXPECT_EQ(ran->exitStatus, 0) << ran->standardError;
  EXPECT_EQ(th::runDefaults({"read", "com.apple.dock", "autohide"}).standardOutput, "1\n");

  auto app = start();
  EXPECT_EQ(screenOf(*app), QStringLiteral("catalogView"));
  EXPECT_EQ(app->root().account->stateEmail(), QStringLiteral("ada@example.com"));
}

}  // namespace
