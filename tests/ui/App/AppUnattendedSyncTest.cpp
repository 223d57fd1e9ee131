// Sync at login and "Sync now" with the real application, the built-in catalogue and the local
// account server: another Mac, a home of its own, shares its protections off, its keyboard layout,
// Go-to-Folder text and recent folders, and the Dock icon size this Mac's user put back to the
// default. Only what nobody need be asked about comes; My Macs offers the rest by tick, each card
// saying why, also to a screen reader.

#include <gtest/gtest.h>

#include <QAccessible>

#include "Account/AccountClient.hpp"
#include "Account/SyncModel.hpp"
#include "AccountServerProcess.hpp"
#include "AppFixture.hpp"
#include "Browser/SettingsModel.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "ScreenWindow.hpp"
#include "Support/HttpSession.hpp"
#include "Sync/SyncService.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
using namespace amberloom;
using V = PreferenceValue;

namespace {

// What `defaults read` prints for the key on this Mac; empty when it is not set.
std::string here(const std::string& domain, const std::string& key) {
  const auto read = th::runDefaults({"read", domain, key});
  return read.exitStatus == 0 ? read.standardOutput : std::string();
}

using AppUnattendedSync = th::AppFixture;

TEST_F(AppUnattendedSync, ProtectionsStayOnAResetStaysResetAndMyMacsOffersThemByTick) {
  th::AccountServerProcess server(th::home() + "/server");
  ::setenv("AMBERLOOM_ACCOUNT_URL", server.apiBase().c_str(), 1);
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  // The other Mac's own preference files, and its document built from them as it would build it.
  const std::vector<std::tuple<std::string, std::string, V>> office = {
      {"com.apple.LaunchServices", "LSQuarantine", V::boolean(false)},
      {"com.apple.frameworks.diskimages", "skip-verify", V::boolean(true)},
      {"com.apple.Safari", "WarnAboutFraudulentWebsites", V::boolean(false)},
      {"com.apple.HIToolbox", "AppleCurrentKeyboardLayoutInputSourceID", V::string("com.apple.keylayout.Dvorak")},
      {"com.apple.finder", "GoToField", V::string("/Volumes/Office/Projects")},
      {"com.apple.finder", "FXRecentFolders", V::array({V::dictionary({{"name", V::string("Projects")}})})},
      {"com.apple.dock", "tilesize", V::real(48)},
      {"com.apple.dock", "autohide", V::boolean(true)}};
  const auto store = std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(th::home() + "/office", "HOST-B"));
  const DomainResolver resolver{th::home() + "/office", [](const std::string&) { return false; }};
  for (const auto& [domain, key, value] : office) store->write(value, key, resolver.resolve(domain, false));
  const auto document = SyncService(SettingsCatalog::bundled(), SettingsService(resolver, store), resolver, store,
                                    "OFFICE-ID", "Office", std::nullopt)
                            .currentDocument();
  EXPECT_FALSE(document.intents.contains("finder.recentFolders")) << "recent folders are not shared";
  const auto other = server.signIn(client, "ada@example.com", "HW-OFFICE", "Office");
  client.putDocument(document.encoded(), 0, other.token, "HW-OFFICE");

  const auto studio = server.signIn(client, "ada@example.com", "HW-STUDIO", "Studio");
  AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard())
      .save(studio.token, "ada@example.com", studio.deviceID, server.apiBase());
  StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
  StoreUserDefaults::standard()->setBool(true, "sync.autoSyncEnabled");
  ASSERT_EQ(th::runDefaults({"write", "com.apple.dock", "tilesize", "-float", "36"}).exitStatus, 0);
  {
    auto app = start();  // the user puts the icon size back to the default on its card
    app->root().catalog->reset(*app->root().catalog->setting("dock.tileSize"));
    ASSERT_EQ(here("com.apple.dock", "tilesize"), "");
  }

  const auto run = platform::runProcess(AMBERLOOM_APP_PATH, {"--background-sync"}, std::chrono::seconds(90));
  ASSERT_TRUE(run && !run->timedOut && run->exitStatus == 0);
  EXPECT_EQ(here("com.apple.dock", "autohide"), "1\n") << "what nobody need be asked about comes";
  for (const auto& [domain, key, value] : office) {
    if (key != "autohide") {
      EXPECT_EQ(here(domain, key), "") << domain << " " << key << " came over unasked";
    }
  }

  // "Sync now" with automatic sync on copies none of them either; My Macs offers each by tick.
  auto app = start();
  auto& sync = *app->root().sync;
  bool synced = false;
  sync.syncNow([&] { synced = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return synced; }, 30000));
  EXPECT_EQ(here("com.apple.LaunchServices", "LSQuarantine"), "");
  app->root().catalog->setSelection(ui::SidebarSelection::page(ui::SidebarSelection::Page::myMacs));
  QQuickItem* root = app->mainWindow()->contentItem();
  const auto card = [&](const char* id) { return th::ScreenWindow::findBelow(root, QStringLiteral("card-%1").arg(id)); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return card("dock.tileSize") != nullptr; }, 30000));
  for (const auto& [id, reason] : std::vector<std::pair<const char*, const char*>>{
           {"launchservices.quarantine", "Controls a macOS protection: it comes over only when you tick it. With this off,"},
           {"keyboard.currentLayout", "macOS writes this itself"},
           {"dock.tileSize", "You put this back to the macOS default here on "}}) {
    const QString caution = th::ScreenWindow::findBelow(card(id), "caution")->property("text").toString();
    EXPECT_TRUE(caution.startsWith(QLatin1String(reason))) << caution.toStdString();
    // A screen reader hears the reason with the tick box, before anything is ticked.
    auto* tick = QAccessible::queryAccessibleInterface(th::ScreenWindow::findBelow(card(id), "tick"));
    EXPECT_EQ(tick->text(QAccessible::Description), caution);
  }
  EXPECT_EQ(card("finder.recentFolders"), nullptr);
  QTest::qWait(200);  // the page settles its layout
  auto* scroller = find(app->mainWindow(), "pageScroller");
  scroller->setProperty("contentY", scroller->property("contentY").toDouble() +
                                        card("dock.tileSize")->mapToItem(root, QPointF()).y() - 120);
  saveInBothPalettes(app->mainWindow(), QStringLiteral("app-my-macs-differences"));

  sync.setTicked(QStringLiteral("launchservices.quarantine"), true);
  sync.setTicked(QStringLiteral("dock.tileSize"), true);
  sync.applySelected();
  EXPECT_EQ(here("com.apple.LaunchServices", "LSQuarantine"), "0\n") << "ticked, a protection comes over";
  EXPECT_EQ(here("com.apple.dock", "tilesize"), "48\n");
}

}  // namespace
