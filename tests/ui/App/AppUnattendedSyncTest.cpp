// Sync at login and automatic sync with the real application and the built-in catalogue: another
// Mac, a home of its own, shares a document with its protections off, its own keyboard layout,
// Go-to-Folder text and recent folders, and the Dock icon size this Mac's user put back to the
// default. After the run at login only what nobody needs to be asked about is here; My Macs
// offers the rest by tick, each card saying why; ticked, a protection comes over. The same holds
// against a server whose revisions and times are nonsense.

#include <gtest/gtest.h>

#include <QAccessible>
#include <climits>
#include <filesystem>

#include "Account/AccountClient.hpp"
#include "Account/AccountStore.hpp"
#include "Account/SyncModel.hpp"
#include "AccountServerProcess.hpp"
#include "AppFixture.hpp"
#include "Browser/SettingsModel.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/IntentLog.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "ScreenWindow.hpp"
#include "ScriptedServer.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "Sync/SyncService.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
namespace ui = amberloom::ui;
using namespace amberloom;
using namespace std::chrono_literals;
using V = PreferenceValue;

namespace {

AccountStore sessionStore() {
  return AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard());
}

// What `defaults read` prints for the key on this Mac; empty when it is not set.
std::string here(const std::string& domain, const std::string& key) {
  const auto read = th::runDefaults({"read", domain, key});
  return read.exitStatus == 0 ? read.standardOutput : std::string();
}

// The protections, the system's own values and the plain settings of the other Mac's document.
const std::vector<std::tuple<std::string, std::string, V>> officeValues = {
    {"com.apple.LaunchServices", "LSQuarantine", V::boolean(false)},
    {"com.apple.frameworks.diskimages", "skip-verify", V::boolean(true)},
    {"com.apple.Safari", "WarnAboutFraudulentWebsites", V::boolean(false)},
    {"com.apple.HIToolbox", "AppleCurrentKeyboardLayoutInputSourceID", V::string("com.apple.keylayout.Dvorak")},
    {"com.apple.finder", "GoToField", V::string("/Volumes/Office/Projects")},
    {"com.apple.finder", "FXRecentFolders", V::array({V::dictionary({{"name", V::string("Projects")}})})},
    {"com.apple.dock", "tilesize", V::real(48)},
    {"com.apple.dock", "autohide", V::boolean(true)},
};

// The sync run as the login item starts it; true when it ended by itself with status 0.
bool runAtLogin() {
  const auto run = platform::runProcess(AMBERLOOM_APP_PATH, {"--background-sync"}, 90s);
  return run && !run->timedOut && run->exitStatus == 0;
}

QQuickItem* below(QQuickItem* item, const QString& name) { return th::ScreenWindow::findBelow(item, name); }

QString heard(QQuickItem* item, QAccessible::Text which) {
  QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(item);
  return interface ? interface->text(which) : QString();
}

class AppUnattendedSync : public th::AppFixture {
 protected:
  void SetUp() override { ::setenv("AMBERLOOM_ACCOUNT_URL", server.apiBase().c_str(), 1); }

  // The other Mac: its own home and preference files, its document built from them by the same
  // service, shared under its own session.
  void officeShares() {
    const std::string officeHome = th::home() + "/office-mac";
    auto store = std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(officeHome, "HOST-OFFICE"));
    const DomainResolver resolver{officeHome, [](const std::string&) { return false; }};
    for (const auto& [domain, key, value] : officeValues) store->write(value, key, resolver.resolve(domain, false));
    const SyncService office(SettingsCatalog::bundled(), SettingsService(resolver, store), resolver, store,
                             "OFFICE-ID", "Office", std::nullopt);
    const auto document = office.currentDocument();
    EXPECT_TRUE(document.intents.contains("launchservices.quarantine"));
    EXPECT_FALSE(document.intents.contains("finder.recentFolders")) << "recent folders are not shared";
    const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
    const auto session = server.signIn(client, "ada@example.com", "HW-OFFICE", "Office");
    client.putDocument(document.encoded(), 0, session.token, "HW-OFFICE");
  }

  th::AccountServerProcess server{th::home() + "/server"};
};

TEST_F(AppUnattendedSync, ProtectionsStayOnAResetStaysResetAndMyMacsOffersThemByTick) {
  officeShares();
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  const auto studio = server.signIn(client, "ada@example.com", "HW-STUDIO", "Studio");
  sessionStore().save(studio.token, "ada@example.com", studio.deviceID, server.apiBase());
  StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
  StoreUserDefaults::standard()->setBool(true, "sync.autoSyncEnabled");
  ASSERT_EQ(th::runDefaults({"write", "com.apple.dock", "tilesize", "-float", "36"}).exitStatus, 0);
  {
    // The user puts the icon size back to the default on this Mac's card.
    auto app = start();
    auto& settings = *app->root().catalog;
    const SettingDefinition* tileSize = settings.setting("dock.tileSize");
    ASSERT_TRUE(tileSize);
    settings.reset(*tileSize);
    ASSERT_EQ(here("com.apple.dock", "tilesize"), "");
  }

  ASSERT_TRUE(runAtLogin());
  EXPECT_EQ(here("com.apple.dock", "autohide"), "1\n") << "what this Mac lacks and nobody need be asked about comes";
  for (const auto& [domain, key, value] : officeValues)
    if (key != "autohide") EXPECT_EQ(here(domain, key), "") << domain << " " << key << " came over unasked";
  const auto undoPoints = SnapshotHistory::standard().all();
  ASSERT_EQ(undoPoints.size(), 1u);
  EXPECT_EQ(undoPoints[0].reason, "Before bringing 1 settings from your other Macs");

  // In the window: "Sync now" with automatic sync copies none of them either; My Macs offers each.
  auto app = start();
  auto& sync = *app->root().sync;
  bool synced = false;
  sync.syncNow([&] { synced = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return synced; }, 30000));
  EXPECT_EQ(sync.autoAppliedCount(), 0);
  EXPECT_EQ(here("com.apple.LaunchServices", "LSQuarantine"), "");
  EXPECT_EQ(here("com.apple.dock", "tilesize"), "");

  app->root().catalog->setSelection(ui::SidebarSelection::page(ui::SidebarSelection::Page::myMacs));
  QQuickItem* root = app->mainWindow()->contentItem();
  const auto card = [&](const char* id) { return below(root, QStringLiteral("card-") + QLatin1String(id)); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return card("launchservices.quarantine") != nullptr; }, 10000));
  const struct {
    const char* id;
    const char* caution;  // how the card's reason begins
  } offered[] = {
      {"launchservices.quarantine", "Controls a macOS protection: it comes over only when you tick it. With this off,"},
      {"diskimages.skipVerify", "Controls a macOS protection"},
      {"safari.fraudWarning", "Controls a macOS protection"},
      {"keyboard.currentLayout", "macOS writes this itself"},
      {"finder.goToFolderText", "macOS writes this itself"},
      {"dock.tileSize", "You put this back to the macOS default here on "},
  };
  for (const auto& row : offered) {
    SCOPED_TRACE(row.id);
    QQuickItem* shown = card(row.id);
    ASSERT_TRUE(shown);
    QQuickItem* caution = below(shown, QStringLiteral("caution"));
    ASSERT_TRUE(caution);
    EXPECT_TRUE(caution->isVisible());
    EXPECT_TRUE(caution->property("text").toString().startsWith(QLatin1String(row.caution)))
        << caution->property("text").toString().toStdString();
    // A screen reader hears the reason with the tick box, before anything is ticked.
    QQuickItem* tick = below(shown, QStringLiteral("tick"));
    EXPECT_EQ(heard(tick, QAccessible::Description), caution->property("text").toString());
    EXPECT_EQ(heard(caution, QAccessible::Name), caution->property("text").toString());
  }
  EXPECT_EQ(card("finder.recentFolders"), nullptr) << "recent folders are not offered either";
  QTest::qWait(200);  // the page settles its layout
  const auto* explanation = below(root, QStringLiteral("autoSyncExplanation"));
  ASSERT_TRUE(explanation);
  EXPECT_TRUE(explanation->property("text").toString().contains(QLatin1String("reset or changed here")));
  saveInBothPalettes(app->mainWindow(), QStringLiteral("app-my-macs-auto-sync"));
  auto* scroller = find(app->mainWindow(), "pageScroller");
  ASSERT_TRUE(scroller);
  const auto* differences = find(app->mainWindow(), "differences");
  scroller->setProperty("contentY", differences->mapToItem(scroller->property("contentItem").value<QQuickItem*>(), QPointF()).y());
  saveInBothPalettes(app->mainWindow(), QStringLiteral("app-my-macs-differences"));
  scroller->setProperty("contentY", scroller->property("contentHeight").toDouble() - scroller->height());
  saveInBothPalettes(app->mainWindow(), QStringLiteral("app-my-macs-protections"));

  // Ticked, the protection and the reset setting come over like any other.
  sync.setTicked(QStringLiteral("launchservices.quarantine"), true);
  sync.setTicked(QStringLiteral("dock.tileSize"), true);
  sync.applySelected();
  EXPECT_EQ(here("com.apple.LaunchServices", "LSQuarantine"), "0\n");
  EXPECT_EQ(here("com.apple.dock", "tilesize"), "48\n");
}

// The other Mac's document as a server that lies about revisions and times lists it.
std::string lyingList(const std::string& thisMac) {
  const SyncDocument office{"OFFICE-ID", "Office",
                            {{"launchservices.quarantine", V::boolean(false)},
                             {"safari.fraudWarning", V::boolean(false)},
                             {"dock.tileSize", V::real(48)},
                             {"dock.autohide", V::boolean(true)}}};
  const SyncDocument mine{thisMac, "Studio", {}};
  return writeJson(Json{
      {"revision", -7},
      {"documents",
       Json::array({Json{{"device_id", "OFFICE-ID"}, {"device_name", "Office"}, {"revision", LLONG_MAX},
                         {"updated_at", "2999-12-31T23:59:59Z"}, {"payload", office.encoded()}},
                    Json{{"device_id", thisMac}, {"device_name", "Studio"}, {"revision", -3},
                         {"updated_at", "1970-01-01T00:00:00Z"}, {"payload", mine.encoded()}}})}});
}

TEST(AppUnattendedSyncRun, AServerThatLiesAboutRevisionsAndTimesSwitchesNoProtectionAndUndoesNoReset) {
  th::ScriptedServer server;
  ::setenv("AMBERLOOM_ACCOUNT_URL", server.url("/api/v1").c_str(), 1);
  sessionStore().save("token-1", "ada@example.com", "mac-1", server.url("/api/v1"));
  StoreUserDefaults::standard()->setBool(true, "sync.autoSyncEnabled");
  server.answer({200, lyingList("mac-1")});
  // The change history holds the reset the user made here (as the window records one).
  const std::string support = th::home() + "/Library/Application Support/AmberLoom";
  std::filesystem::create_directories(support);
  IntentLog(support + "/intents.json", "23F79").record("dock.tileSize", std::nullopt);

  ASSERT_TRUE(runAtLogin());
  ASSERT_FALSE(server.received().empty());
  EXPECT_EQ(here("com.apple.dock", "autohide"), "1\n");
  EXPECT_EQ(here("com.apple.LaunchServices", "LSQuarantine"), "");
  EXPECT_EQ(here("com.apple.Safari", "WarnAboutFraudulentWebsites"), "");
  EXPECT_EQ(here("com.apple.dock", "tilesize"), "");
}

}  // namespace
