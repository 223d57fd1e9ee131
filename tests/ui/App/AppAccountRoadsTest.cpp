// The real application against the local account server on the roads where a Mac meets its own
// past: signed in again after the server moved to another port, with automatic sync and sync at
// startup on; its files removed while signed in; and a Dock preference file that cannot be read.

#include <gtest/gtest.h>

#include <filesystem>

#include "Account/AccountClient.hpp"
#include "Account/AccountModel.hpp"
#include "Account/AccountStore.hpp"
#include "Account/SyncModel.hpp"
#include "AccountServerProcess.hpp"
#include "AppFixture.hpp"
#include "Browser/SettingsModel.hpp"
#include "Guided/FirstRunModel.hpp"
#include "Guided/RemovalModel.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Support/HttpSession.hpp"
#include "Sync/SyncDocument.hpp"
#include "Sync/LoginItemService.hpp"
#include "Sync/XdgAutostartAgent.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
namespace ui = amberloom::ui;
using amberloom::AccountClient;
using amberloom::AccountStore;
using amberloom::LoginItemService;
using amberloom::StoreUserDefaults;
using ui::AccountModel;
using ui::SidebarSelection;
using namespace std::chrono_literals;

namespace {

AccountStore sessionStore() { return AccountStore::standard(); }

AccountClient clientOf(const th::AccountServerProcess& server) {
  return AccountClient(server.apiBase(), std::make_shared<amberloom::CurlHttpSession>());
}

// The command line of the startup entry, as the session would start it.
std::vector<std::string> startupCommand() {
  const std::string text = th::readFile(th::home() + "/.config/autostart/tv.winterbrae.amberloom.sync.desktop");
  const auto exec = text.find("\nExec=") + 6;
  return amberloom::splitDesktopExec(text.substr(exec, text.find('\n', exec) - exec)).value_or(std::vector<std::string>{});
}

class AppAccountRoads : public th::AppFixture {
 protected:
  void SetUp() override { pointAt(*server); }
  static void pointAt(const th::AccountServerProcess& at) { ::setenv("AMBERLOOM_ACCOUNT_URL", at.apiBase().c_str(), 1); }

  // Signs in on the sign-in view through the outbox link, typing the address unless the field
  // already holds it.
  void signInThroughTheView(amberloom::app::AmberloomApp& app) {
    AccountModel& account = *app.root().account;
    if (account.email().isEmpty())
      for (const char c : std::string("ada@example.com")) QTest::keyClick(app.mainWindow(), c);
    QTest::keyClick(app.mainWindow(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return account.state() == AccountModel::Waiting; }, 60000));
    th::confirmLink(server->outboxLink("ada@example.com"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return account.state() == AccountModel::SignedIn; }, 60000));
  }

  // This Mac ("Studio") signed in to Ada's account and past its first run, as a start finds it.
  amberloom::AccountClient::Session signInThisMac(const amberloom::AccountClient& client) {
    const auto session = server->signIn(client, "ada@example.com", "HW-STUDIO", "Studio");
    sessionStore().save(session.token, "ada@example.com", session.deviceID, server->apiBase());
    StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
    return session;
  }

  static void await(ui::SyncModel& sync, void (ui::SyncModel::*operation)(std::function<void()>)) {
    bool finished = false;
    (sync.*operation)([&] { finished = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 60000));
  }

  std::unique_ptr<th::AccountServerProcess> server = std::make_unique<th::AccountServerProcess>(th::home() + "/server");
};

TEST_F(AppAccountRoads, AMacSignedInAgainAfterTheServerMovedIsNeverItsOwnOtherMac) {
  {
    auto app = start();
    signInThroughTheView(*app);
    click(app->mainWindow(), "browseButton");
    // Automatic sync with sync at startup, and the Dock magnified and shared.
    auto& sync = *app->root().sync;
    sync.setAutoSyncOn(true);
    ASSERT_EQ(LoginItemService(LoginItemService::agentPlist).enable(), std::nullopt);
    ASSERT_EQ(th::runDefaults({"write", "com.apple.dock", "magnification", "-bool", "true"}).exitStatus, 0);
    await(sync, &ui::SyncModel::publish);
    ASSERT_EQ(sync.publishedPath(), ui::SyncModel::sharedSentence) << sync.lastError().value_or("");
  }
  // The user puts the Dock back; the server comes up again on another port.
  ASSERT_EQ(th::runDefaults({"delete", "com.apple.dock", "magnification"}).exitStatus, 0);
  const std::string movedFrom = server->apiBase();
  server->stop();
  server = std::make_unique<th::AccountServerProcess>(th::home() + "/server");
  pointAt(*server);
  {
    auto app = start();
    AccountModel& account = *app->root().account;
    ASSERT_EQ(screenOf(*app), QStringLiteral("signInView"));
    EXPECT_EQ(account.email(), QStringLiteral("ada@example.com"));
    EXPECT_EQ(account.message(), AccountModel::otherServerSession.arg(QString::fromStdString(movedFrom)));
    saveInBothPalettes(app->mainWindow(), QStringLiteral("app-sign-in-again"));
    signInThroughTheView(*app);
    ASSERT_EQ(screenOf(*app), QStringLiteral("catalogView"));

    // Listed once on the account, and not among the other Macs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return account.devices().size() == 1u; }, 60000));
    auto& sync = *app->root().sync;
    await(sync, &ui::SyncModel::refresh);
    EXPECT_TRUE(sync.others().empty());
    app->root().catalog->setSelection(SidebarSelection::page(SidebarSelection::Page::myMacs));
    ASSERT_TRUE(QTest::qWaitFor([&] {
      const auto* empty = find(app->mainWindow(), "emptyState");
      return empty && empty->isVisible();
    }, 60000));
    saveInBothPalettes(app->mainWindow(), QStringLiteral("app-my-macs-signed-in-again"));
    app->root().catalog->setSelection(SidebarSelection::page(SidebarSelection::Page::account));
    const std::string row = "device-" + account.devices()[0].id;
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstVisible(app->mainWindow()->contentItem(), row.c_str()) != nullptr; },
                                60000));
    QTest::qWait(200);  // the page settles its layout
    saveInBothPalettes(app->mainWindow(), QStringLiteral("app-account-signed-in-again"));

    // Sync at startup follows the session to the server it was signed in at.
    const auto command = startupCommand();
    ASSERT_GE(command.size(), 2u);
    EXPECT_EQ(command[1], "AMBERLOOM_ACCOUNT_URL=" + server->apiBase());
  }
  // The run at login sends this Mac's values there and brings back nothing of its own.
  ::unsetenv("AMBERLOOM_ACCOUNT_URL");
  auto command = startupCommand();
  ASSERT_EQ(command.size(), 4u);
  ASSERT_EQ(command[0], "env");
  command[2] = AMBERLOOM_APP_PATH;  // registered by this test's own executable
  const auto run = amberloom::platform::runProcess("/usr/bin/env", {command.begin() + 1, command.end()}, 90s);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->exitStatus, 0) << run->standardError;
  EXPECT_NE(th::runDefaults({"read", "com.apple.dock", "magnification"}).exitStatus, 0) << "the reset was undone";
  const auto session = sessionStore().session(server->apiBase());
  ASSERT_TRUE(session);
  const auto documents = clientOf(*server).documents(session->token);
  ASSERT_EQ(documents.size(), 1u);
  EXPECT_EQ(documents[0].deviceID, session->deviceID);
}

TEST_F(AppAccountRoads, RemovingTheFilesTakesThisMacOffItsAccountAndItsSignInWithThem) {
  const auto client = clientOf(*server);
  const auto session = signInThisMac(client);
  auto app = start();
  ASSERT_EQ(screenOf(*app), QStringLiteral("catalogView"));

  const std::string signIn = th::home() + "/Library/Keychains/AmberLoom";
  auto removal = app->root().makeRemovalModel();
  const auto& listed = removal->plan().appData;
  EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [&](const auto& item) { return item.path == signIn; }));
  removal->removeAppData();
  EXPECT_EQ(removal->property("outcomeText").toString(), QStringLiteral("AmberLoom's files are gone"));
  EXPECT_FALSE(std::filesystem::exists(signIn));
  // The device left the account: its token opens nothing any more.
  const auto refused = [&] {
    try {
      client.account(session.token);
      return false;
    } catch (const AccountClient::Failure& failure) {
      return failure == AccountClient::Failure::needsSignIn();
    }
  };
  EXPECT_TRUE(QTest::qWaitFor(refused, 60000));
}

// Another Mac that shares its settings under a name that shows nothing: every text names it
// "Unnamed Mac"; after its setting is copied here and everything is put back, neither "Sync now"
// nor sync at startup copies it back.
TEST_F(AppAccountRoads, ABlankNamedMacIsNamedAndPuttingEverythingBackStopsItsCopies) {
  const auto client = clientOf(*server);
  const auto other = server->signIn(client, "ada@example.com", "HW-OFFICE", "Office");
  const auto session = signInThisMac(client);
  auto app = start();
  auto& sync = *app->root().sync;

  // The other Mac holds what this one holds, and hides its Dock.
  std::map<std::string, amberloom::PreferenceValue> intents;
  client.putDocument(amberloom::SyncDocument{other.deviceID, " ", intents}.encoded(), 0, other.token, "HW-OFFICE");
  await(sync, &ui::SyncModel::refresh);
  for (const auto& row : sync.actionableRows()) intents.emplace(row.settingID, *row.difference.here());
  intents.emplace("dock.autohide", amberloom::PreferenceValue::boolean(true));
  client.putDocument(amberloom::SyncDocument{other.deviceID, " ", intents}.encoded(), 1, other.token, "HW-OFFICE");
  await(sync, &ui::SyncModel::refresh);
  ASSERT_EQ(sync.others().size(), 1u);
  EXPECT_EQ(sync.selectedMacName(), QStringLiteral("Unnamed Mac"));

  sync.selectAll();
  sync.applySelected();
  ASSERT_EQ(th::runDefaults({"read", "com.apple.dock", "autohide"}).standardOutput, "1\n");
  ASSERT_FALSE(sync.history().empty());
  EXPECT_EQ(sync.history()[0].reason, "Before bringing 1 settings from Unnamed Mac");
  app->root().catalog->setSelection(SidebarSelection::page(SidebarSelection::Page::myMacs));
  const auto nothingToBring = [&] { return find(app->mainWindow(), "nothingToBring"); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return nothingToBring() && nothingToBring()->isVisible(); }, 60000));
  EXPECT_EQ(nothingToBring()->property("text").toString(),
            QString::fromUtf8("Nothing to bring over — this Mac already matches Unnamed Mac."));
  QTest::qWait(200);  // the page settles its layout
  auto* scroller = find(app->mainWindow(), "pageScroller");
  ASSERT_TRUE(scroller);
  scroller->setProperty("contentY", scroller->property("contentHeight").toDouble() - scroller->height());
  saveInBothPalettes(app->mainWindow(), QStringLiteral("app-my-macs-after-copy"));

  // Automatic sync and sync at startup on, then everything put back.
  sync.setAutoSyncOn(true);
  ASSERT_EQ(LoginItemService(LoginItemService::agentPlist).enable(), std::nullopt);
  auto removal = app->root().makeRemovalModel();
  removal->revertEverything();
  EXPECT_EQ(removal->lastError(), std::nullopt);
  EXPECT_FALSE(sync.isAutoSyncOn());
  EXPECT_EQ(th::runDefaults({"read", "tv.winterbrae.amberloom", "sync.autoSyncEnabled"}).standardOutput, "0\n");
  EXPECT_EQ(LoginItemService(LoginItemService::agentPlist).status(), LoginItemService::Status::disabled);
  ASSERT_NE(th::runDefaults({"read", "com.apple.dock", "autohide"}).exitStatus, 0);

  await(sync, &ui::SyncModel::syncNow);
  EXPECT_NE(th::runDefaults({"read", "com.apple.dock", "autohide"}).exitStatus, 0) << "copied back by Sync now";
  EXPECT_EQ(sync.actionableCount(), 1) << "still offered, for the user to copy by hand";
}

// This Mac loses what it knew of its account while its old entry, with a document of its own
// values, stays listed: its files removed while the server cannot be reached (the removal says
// so), or its application preferences damaged. Signed in again afterwards, it is listed once on
// the account and is never its own "other Mac", while the real other Mac still is.
TEST_F(AppAccountRoads, AMacThatForgotItsAccountIsNeverItsOwnOtherMacOnceSignedInAgain) {
  enum class Road { removedOffline, damagedPreferences };
  for (const Road road : {Road::removedOffline, Road::damagedPreferences}) {
    SCOPED_TRACE(road == Road::removedOffline ? "removed while the server was gone" : "damaged preferences");
    std::filesystem::remove_all(th::home() + "/Library");
    const auto client = clientOf(*server);
    const auto office = server->signIn(client, "ada@example.com", "HW-OFFICE", "Office");
    client.putDocument(amberloom::SyncDocument{"OFFICE", "Office", {}}.encoded(), 0, office.token, "HW-OFFICE");
    const auto old = signInThisMac(client);
    {
      auto app = start();
      ASSERT_EQ(screenOf(*app), QStringLiteral("catalogView"));
      await(*app->root().sync, &ui::SyncModel::publish);
      ASSERT_EQ(app->root().sync->publishedPath(), ui::SyncModel::sharedSentence);
      if (road == Road::removedOffline) {
        server->stop();
        auto removal = app->root().makeRemovalModel();
        removal->removeAppData();
        EXPECT_EQ(removal->property("outcomeText").toString(),
                  QStringLiteral("AmberLoom's files are gone. ") + ui::RemovalModel::stillListedSentence);
        EXPECT_TRUE(removal->property("outcomeIsWarning").toBool());
        EXPECT_FALSE(std::filesystem::exists(th::home() + "/Library/Keychains/AmberLoom"));
      }
    }
    if (road == Road::removedOffline) {
      // Installed afresh, and past its first run; the server is back, at another port.
      StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
      server = std::make_unique<th::AccountServerProcess>(th::home() + "/server");
      pointAt(*server);
    } else {
      th::writeFile(th::preferencesFile("tv.winterbrae.amberloom"), "bplist00 damaged");
    }

    auto app = start();
    ASSERT_EQ(screenOf(*app), QStringLiteral("signInView"));
    ASSERT_NO_FATAL_FAILURE(signInThroughTheView(*app));
    AccountModel& account = *app->root().account;
    const auto listedOnce = [&] {
      const auto& devices = account.devices();
      return devices.size() == 2u && std::none_of(devices.begin(), devices.end(),
                                                  [&](const auto& device) { return device.id == old.deviceID; });
    };
    EXPECT_TRUE(QTest::qWaitFor(listedOnce, 10000)) << "the old entry is still listed";
    auto& sync = *app->root().sync;
    await(sync, &ui::SyncModel::refresh);
    ASSERT_EQ(sync.others().size(), 1u);
    EXPECT_EQ(sync.others()[0].deviceID, "OFFICE");
    if (road == Road::removedOffline) {
      app->root().catalog->setSelection(SidebarSelection::page(SidebarSelection::Page::account));
      const std::string row = "device-" + office.deviceID;
      ASSERT_TRUE(QTest::qWaitFor(
          [&] { return firstVisible(app->mainWindow()->contentItem(), row.c_str()) != nullptr; }, 10000));
      QTest::qWait(200);  // the page settles its layout
      saveInBothPalettes(app->mainWindow(), QStringLiteral("app-account-after-offline-removal"));
    }
    clientOf(*server).deleteAccount(office.token);
  }
}

// Another Mac took this one off the account: the next sync meets the refusal, and this Mac is
// signed out to the sign-in page, its address kept and the reason said; what it tried to share
// waits for the sign-in, not for the network.
TEST_F(AppAccountRoads, ASessionTheServerRefusesEndsOnTheSignInPageWithItsReason) {
  const auto client = clientOf(*server);
  const auto office = server->signIn(client, "ada@example.com", "HW-OFFICE", "Office");
  const auto session = signInThisMac(client);
  auto app = start();
  ASSERT_EQ(screenOf(*app), QStringLiteral("catalogView"));
  client.removeDevice(session.deviceID, office.token);

  auto& sync = *app->root().sync;
  await(sync, &ui::SyncModel::publish);
  AccountModel& account = *app->root().account;
  ASSERT_TRUE(QTest::qWaitFor([&] { return screenOf(*app) == QStringLiteral("signInView"); }, 10000));
  EXPECT_EQ(account.message(), AccountModel::sessionRefusedMessage);
  EXPECT_EQ(account.email(), QStringLiteral("ada@example.com"));
  EXPECT_EQ(sync.lastError(), std::string("Session invalid — please sign in again.") + ui::SyncModel::signInSuffix);
  EXPECT_FALSE(sessionStore().isSignedIn());
  const auto* message = firstVisible(app->mainWindow()->contentItem(), "message");
  ASSERT_TRUE(message);
  EXPECT_EQ(message->property("text").toString(), AccountModel::sessionRefusedMessage);
  saveInBothPalettes(app->mainWindow(), QStringLiteral("app-sign-in-refused"));

  // Signed in again with the address already there, what waited goes out.
  ASSERT_NO_FATAL_FAILURE(signInThroughTheView(*app));
  await(sync, &ui::SyncModel::refresh);
  EXPECT_FALSE(sync.isWaitingToSend());
}

// The Dock's preference file is damaged: its values are unknown, not Apple's defaults.
using AppDamagedPreferences = th::AppFixture;

TEST_F(AppDamagedPreferences, ADamagedDockFileReadsAsCannotBeReadAndIsNeverWritten) {
  const std::string dock = th::preferencesFile("com.apple.dock");
  th::writeFile(dock, "bplist00 damaged");
  signIn();
  auto app = start();
  QQuickWindow* window = app->mainWindow();
  ASSERT_EQ(screenOf(*app), QStringLiteral("firstRunView"));
  const auto& firstRun = *app->root().firstRun;
  EXPECT_EQ(firstRun.title(), QStringLiteral("Some of this Mac's settings cannot be read"));
  EXPECT_TRUE(firstRun.unreadableNote().contains(QStringLiteral("the preferences of com.apple.dock are damaged")))
      << firstRun.unreadableNote().toStdString();
  EXPECT_TRUE(firstVisible(window->contentItem(), "unreadableSettings"));
  saveInBothPalettes(window, QStringLiteral("app-first-run-damaged-dock"));

  click(window, "browseButton");
  app->root().catalog->selectGroup(QStringLiteral("dock"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return firstVisible(window->contentItem(), "unreadableValue") != nullptr; }, 60000));
  QTest::qWait(200);  // the list settles
  EXPECT_FALSE(firstVisible(window->contentItem(), "toggle")) << "no switch offers a value nobody can read";
  const auto* list = find(window, "settingsList");
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->property("subtitle").toString().endsWith(QStringLiteral(" cannot be read")))
      << list->property("subtitle").toString().toStdString();
  saveInBothPalettes(window, QStringLiteral("app-dock-damaged"));
  EXPECT_EQ(th::readFile(dock), "bplist00 damaged");
}

}  // namespace
