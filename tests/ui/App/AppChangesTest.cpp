// The real application against the local account server, with another Mac of the same account:
// whatever one screen writes, the others show. A quick setup needing the Dock restart offers to
// finish applying; a repair and a copy from the other Mac are listed in Recent changes; undoing the
// copy there puts the value back, says so and shows the difference on My Macs again. Recent
// changes is saved as a picture after the repair and after the undo.

#include <gtest/gtest.h>

#include "../Account/TwoMacs.hpp"
#include "Account/AccountModel.hpp"
#include "Guided/UndoPointsModel.hpp"
#include "AppFixture.hpp"
#include "Browser/SettingsModel.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Guided/RecipesModel.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "ScreenWindow.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
using namespace amberloom;
using amberloom::ui::AccountModel;

namespace {

class AppChanges : public th::AppFixture {
 protected:
  void SetUp() override { ::setenv("AMBERLOOM_ACCOUNT_URL", server.apiBase().c_str(), 1); }

  static QQuickItem* shown(QQuickItem* item, const QString& name) {
    return th::ScreenWindow::findShownBelow(item, name);
  }
  QQuickItem* shown(const char* name) const { return shown(window->contentItem(), QString::fromLatin1(name)); }
  // Presses the shown button `name`, or the button of the shown action row `name`.
  void press(const char* name) const {
    QQuickItem* target = shown(name);
    ASSERT_TRUE(target) << name;
    if (QQuickItem* button = shown(target, QStringLiteral("actionButton"))) target = button;
    ASSERT_TRUE(QMetaObject::invokeMethod(target, "clicked")) << name;
    QTest::qWait(30);
  }
  QString text(const char* name) const {
    QQuickItem* item = shown(name);
    if (!item) return {};
    if (QQuickItem* inner = shown(item, QStringLiteral("text"))) item = inner;
    return item->property("text").toString();
  }
  // Shows the sidebar's page `page` with its end in view.
  void open(const char* page) const {
    app->root().catalog->selectPage(QString::fromLatin1(page));
    QTest::qWait(100);
    if (QQuickItem* scroller = shown("pageScroller")) {
      const qreal end = scroller->property("contentHeight").toReal() - scroller->height();
      scroller->setProperty("contentY", std::max(0.0, end));
    }
    QTest::qWait(30);
  }
  static std::string seen(const std::string& domain, const std::string& key) {
    return th::runDefaults({"read", domain, key}).standardOutput;
  }

  th::AccountServerProcess server;
  std::unique_ptr<app::AmberloomApp> app;
  QQuickWindow* window = nullptr;
};

}  // namespace

TEST_F(AppChanges, WhatOneScreenWritesEveryOtherShows) {
  // The account's other Mac shares a Finder setting this Mac does not have.
  const std::string otherHome = th::home() + "/other-mac";
  th::SyncMac other{server, otherHome, "OTHER-MAC",
                    std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(otherHome, "HOST-B"))};
  other.set("com.apple.finder", "ShowStatusBar", PreferenceValue::boolean(true));
  const SyncService shared(SettingsCatalog::bundled(), SettingsService(other.resolver, other.store), other.resolver,
                           other.store, other.deviceID, "Office Mac", std::nullopt);
  ASSERT_EQ(other.transport->publish(shared.currentDocument()).get().outcomeCase(),
            ServerSync::Outcome::Case::published);
  app = start();
  window = app->mainWindow();
  for (const char c : std::string("ada@example.com")) QTest::keyClick(window, c);
  QTest::keyClick(window, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return app->root().account->state() == AccountModel::Waiting; }, 60000));
  th::confirmLink(server.outboxLink("ada@example.com"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return screenOf(*app) == QStringLiteral("firstRunView"); }, 60000));
  press("browseButton");
  ASSERT_EQ(screenOf(*app), QStringLiteral("catalogView"));
  auto& sync = *app->root().sync;
  ASSERT_TRUE(QTest::qWaitFor([&] { return sync.otherCount() == 1; }, 60000)) << "My Macs fetches at the first sign-in";

  // A quick setup that needs the Dock restarted offers to finish applying.
  open("recipes");
  app->root().recipes->setSelectedRecipeID("calm-dock");
  QTest::qWait(50);
  press("applyButton");
  EXPECT_EQ(seen("com.apple.dock", "autohide"), "1\n");
  EXPECT_EQ(text("restartList"), QStringLiteral("Needs a restart: Dock"));
  ASSERT_TRUE(shown("restartButton"));
  EXPECT_EQ(shown("restartButton")->property("text").toString(), QStringLiteral("Finish applying"));

  // A setting changed in the browser, changed back behind the application's back, then put back.
  auto& catalog = *app->root().catalog;
  catalog.apply(PreferenceValue::boolean(true), *catalog.setting("finder.showPathBar"));
  ASSERT_EQ(th::runDefaults({"write", "com.apple.finder", "ShowPathbar", "-bool", "false"}).exitStatus, 0);
  open("repairs");
  press("checkNowRow");
  press("putBackRow");
  EXPECT_EQ(seen("com.apple.finder", "ShowPathbar"), "1\n");
  auto& points = *app->root().undoPoints;
  ASSERT_EQ(points.count(), 2);
  EXPECT_EQ(points.history()[0].reason, "Before putting back 1 settings");
  EXPECT_EQ(text("restartList"), QStringLiteral("Needs a restart: Dock, Finder"));
  open("repairs");
  saveInBothPalettes(window, QStringLiteral("app-recent-changes-repair"));

  // Copied from the other Mac: listed in Recent changes, and undone from there.
  open("myMacs");
  sync.setTicked(QStringLiteral("finder.showStatusBar"), true);
  press("copyRow");
  EXPECT_EQ(seen("com.apple.finder", "ShowStatusBar"), "1\n");
  ASSERT_EQ(points.count(), 3);
  EXPECT_EQ(points.history()[0].reason, "Before bringing 1 settings from Office Mac");
  open("repairs");
  press("undoPoint");
  EXPECT_EQ(th::runDefaults({"read", "com.apple.finder", "ShowStatusBar"}).exitStatus, 1) << "the value is gone again";
  EXPECT_EQ(text("undoPointsOutcome"), QStringLiteral("1 of 1 settings put back"));
  const auto rows = sync.actionableRows();
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                          [](const SyncRow& row) { return row.settingID == "finder.showStatusBar"; }))
      << "My Macs shows the difference again";
  EXPECT_EQ(catalog.value(*catalog.setting("finder.showStatusBar")), std::nullopt) << "and the browser the value";
  open("repairs");
  saveInBothPalettes(window, QStringLiteral("app-recent-changes-undo"));
}
