// The real executable, nothing swapped, on a desktop of its own: Qt's own save and open panels,
// the menu commands and their keys, sign-in through the outbox link over an unreadable
// preferences file, two Macs of one account copying and undoing a setting, a restore killed
// half-way then offered and taken back at the next start, and the keyboard's and a screen reader's way through
// the windows, each step taken through what is on screen.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "Account/AccountStore.hpp"
#include "Backup/BackupEnvelope.hpp"
#include "AccountServerProcess.hpp"
#include "DesktopSession.hpp"
#include "Platform/MachineIdentity.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/UserDefaults.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
namespace fs = std::filesystem;
using amberloom::testing::DesktopSession;
using namespace std::chrono_literals;

namespace {

// The `defaults` command run over the home `home`.
amberloom::platform::ProcessResult defaultsIn(const std::string& home, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"HOME=" + home, th::defaultsPath()});
  return *amberloom::platform::runProcess("/usr/bin/env", arguments, 30s);
}

std::string read(const std::string& home, const std::string& domain, const std::string& key) {
  return defaultsIn(home, {"read", domain, key}).standardOutput;
}

// What `defaults read` gives once it gives anything, within a minute (a click's write has its
// read-back to wait for); empty when it never does.
std::string readWhenSet(const std::string& home, const std::string& domain, const std::string& key) {
  std::string value;
  for (int tries = 0; tries < 600 && value.empty(); ++tries) {
    std::this_thread::sleep_for(100ms);
    value = read(home, domain, key);
  }
  return value;
}

class AppDesktop : public ::testing::Test {
 protected:
  // Finds what `name` names on screen and clicks it; fails the test with the screen's contents
  // when it is not there.
  static DesktopSession::Element clickOn(DesktopSession& mac, const QString& name, const QString& role = {}) {
    const auto element = mac.reveal(name, role);
    if (!element) throw std::runtime_error("not on screen: " + name.toStdString() + "\n" + mac.describeScreen() +
                                           "\nlog:\n" + mac.appLog());
    mac.click(*element);
    return *element;
  }

  // Polls `holds` every 100 ms for up to `seconds`; says whether it came to hold.
  static bool eventually(const std::function<bool()>& holds, int seconds = 60) {
    for (int tries = 0; tries < seconds * 10 && !holds(); ++tries) std::this_thread::sleep_for(100ms);
    return holds();
  }

  static void waitFor(DesktopSession& mac, const QString& name, const QString& role = {}) {
    if (!mac.find(name, role))
      throw std::runtime_error("never shown: " + name.toStdString() + "\n" + mac.describeScreen() + "\nlog:\n" +
                               mac.appLog());
  }

  // Signs in on the sign-in page through the outbox link, then leaves the first-run wizard.
  static void signInAndBrowse(DesktopSession& mac, const th::AccountServerProcess& server, const std::string& email) {
    const std::string before = server.outboxLink(email);
    clickOn(mac, "your email address", "text");
    mac.type(email);
    mac.key("Return");
    std::string link;
    for (int tries = 0; tries < 300 && (link.empty() || link == before); ++tries) {
      std::this_thread::sleep_for(200ms);
      link = server.outboxLink(email);
    }
    ASSERT_FALSE(link.empty() || link == before) << mac.appLog();
    th::confirmLink(link);
    // The wizard's way out: "Browse settings", or "Skip" where it first offers a backup of what
    // this Mac has set.
    for (int tries = 0; tries < 240; ++tries) {
      for (const auto& element : mac.elements())
        if (element.role == "push button" && (element.name == "Browse settings" || element.name == "Skip")) {
          mac.click(element);
          waitFor(mac, "Search settings", "text");
          return;
        }
      std::this_thread::sleep_for(250ms);
    }
    FAIL() << "no way out of the wizard\n" << mac.describeScreen() << mac.appLog();
  }

  // Starts the application on the catalogue window: an account signed in (at a server that is not
  // there) and the first-run wizard done.
  static void startSignedIn(DesktopSession& mac, const std::string& home) {
    amberloom::AccountStore("tv.winterbrae.amberloom.session", "device-token", amberloom::StoreUserDefaults::standard())
        .save("token-1", "ada@example.com", "mac-1", "http://127.0.0.1:9/api/v1");
    amberloom::StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
    mac.startApp(home, {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1"}});
  }

  // The application's menu, opened from its title.
  static void openApplicationMenu(DesktopSession& mac) { clickOn(mac, "AmberLoom", "popup menu"); }
};

TEST_F(AppDesktop, ExportThroughTheRealSavePanelRunsOnAnotherHome) {
  const std::string home = th::home();
  ASSERT_EQ(defaultsIn(home, {"write", "com.apple.dock", "autohide", "-bool", "true"}).exitStatus, 0);
  // A text that tries to break out of its quotes, and one too long for any command line, which
  // must not stop the settings after it.
  const std::string hostile = "it's $(touch ~/pwned) `touch ~/pwned`\n\"$HOME\" $&";
  ASSERT_EQ(defaultsIn(home, {"write", "com.apple.screencapture", "name", "-string", hostile}).exitStatus, 0);
  amberloom::platform::PreferenceFiles(home, amberloom::platform::hostUUID())
      .setValue("NewWindowTargetPath", amberloom::platform::PlistObject(std::string(128 * 1024, 'x')), "com.apple.finder", false);
  DesktopSession mac(home + "/desktop");
  mac.startApp(home, {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1"}});

  // File ▸ Export as Terminal Commands…: the panel opens in the home folder with the proposed name;
  // Return saves.
  const auto saveWithTheProposedName = [&mac] {
    openApplicationMenu(mac);
    mac.key("Right");
    clickOn(mac, "Export as Terminal Commands…");
    waitFor(mac, "Save", "push button");
    mac.key("Return");
  };
  saveWithTheProposedName();
  const std::string script = home + "/amberloom-settings.sh";
  ASSERT_TRUE(eventually([&] { return th::fileExists(script); })) << mac.describeScreen() << mac.appLog();
  EXPECT_EQ(fs::status(script).permissions() & fs::perms::all, fs::perms(0755));
  const auto written = fs::last_write_time(script);

  // Again: the same name is replaced only once the user agreed.
  saveWithTheProposedName();
  clickOn(mac, "Cancel", "push button");
  EXPECT_EQ(fs::last_write_time(script), written);
  saveWithTheProposedName();
  clickOn(mac, "Replace", "push button");
  EXPECT_TRUE(eventually([&] { return fs::last_write_time(script) != written; }));

  // Another Mac runs it with its own `defaults`.
  const std::string other = home + "/other-mac";
  fs::create_directories(other);
  const auto ran = amberloom::platform::runProcess(
      "/usr/bin/env", {"HOME=" + other, "PATH=" + fs::path(th::defaultsPath()).parent_path().string() + ":/usr/bin:/bin",
                       "/bin/sh", script}, 30s);
  ASSERT_TRUE(ran);
  EXPECT_EQ(ran->exitStatus, 0) << ran->standardError;
  EXPECT_EQ(read(other, "com.apple.dock", "autohide"), "1\n");
  EXPECT_EQ(read(other, "com.apple.screencapture", "name"), hostile + "\n");
  EXPECT_EQ(read(other, "com.apple.finder", "NewWindowTargetPath"), "");
  EXPECT_FALSE(th::fileExists(other + "/pwned") || th::fileExists(home + "/pwned"));
}

TEST_F(AppDesktop, FolderControlWritesTheFolderChosenInTheRealOpenPanel) {
  const std::string home = th::home();
  fs::create_directories(home + "/Shots");
  DesktopSession mac(home + "/desktop");
  startSignedIn(mac, home);

  clickOn(mac, "Search settings", "text");
  mac.type("Save screenshots to");
  mac.settledElements();  // the list settles on what was typed
  // The control is one accessible button, the folder's name and "Choose…"; the button is at its end.
  const auto control = mac.find("Save screenshots to", "push button");
  ASSERT_TRUE(control) << mac.describeScreen();
  mac.click(control->place.right() - 12, control->place.center().y());
  clickOn(mac, "Shots");
  clickOn(mac, "Choose", "push button");
  EXPECT_EQ(readWhenSet(home, "com.apple.screencapture", "location"), home + "/Shots\n")
      << mac.describeScreen() << mac.appLog();
}

TEST_F(AppDesktop, QuitAndTheKeysOfTheWindowsDoWhatTheySay) {
  const std::string home = th::home();
  DesktopSession mac(home + "/desktop");
  const std::map<std::string, std::string> environment = {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1"}};

  mac.startApp(home, environment);
  openApplicationMenu(mac);
  clickOn(mac, "Quit AmberLoom");
  EXPECT_EQ(mac.waitForExit(20s), 0) << mac.appLog();

  // Ctrl+, opens the settings window, Escape and Ctrl+W close it; Ctrl+Q from the main window
  // ends the application.
  mac.startApp(home, environment);
  for (const char* closing : {"Escape", "ctrl+w"}) {
    mac.click(490, 600);
    mac.key("ctrl+comma");
    const auto help = mac.find("Email support", "push button");
    ASSERT_TRUE(help) << mac.describeScreen();
    mac.click(help->place.x() + help->place.width() + 40, help->place.center().y());  // beside it, in that window
    mac.key(closing);
    EXPECT_TRUE(eventually([&] { return !mac.showsWindow("AmberLoom Settings"); })) << closing;
  }
  mac.click(490, 600);
  mac.key("ctrl+q");
  EXPECT_EQ(mac.waitForExit(20s), 0) << mac.appLog();
}

// What a screen reader meets on each page, in the settings window and in the support alert: every
// control, heading, page title and alert says what it is.
TEST_F(AppDesktop, EveryControlHeadingAndAlertHasANameForAScreenReader) {
  const std::string home = th::home();
  DesktopSession mac(home + "/desktop");
  startSignedIn(mac, home);
  waitFor(mac, "Search settings", "text");

  const std::set<QString> named = {"push button", "check box", "heading", "title bar", "dialog",
                                   "slider",      "combo box", "menu item", "text",    "list item"};
  const auto expectAllNamed = [&](const std::string& where) {
    for (const auto& element : mac.settledElements())
      EXPECT_FALSE(named.contains(element.role) && element.name.isEmpty())
          << where << ": a " << element.role.toStdString() << " with no name at " << element.place.x() << ","
          << element.place.y() << "\n" << mac.describeScreen();
  };
  expectAllNamed("the first page");
  for (const char* page : {"Quick setups", "Recent changes", "Backed up for you*", "Set up by hand", "My Macs",
                           "Account", "Dock*"}) {
    clickOn(mac, page, "list item");
    expectAllNamed(page);
  }

  mac.click(600, 650);
  mac.key("ctrl+comma");
  clickOn(mac, "Email support", "push button");
  EXPECT_TRUE(mac.find("No mail program opened the message", "dialog")) << mac.describeScreen();
  expectAllNamed("the support alert");
}

// From the sidebar, Tab goes to the search field and then into the list of cards, and Down goes
// through every card of a long group, cards never drawn before included, the list scrolling each
// into the window.
TEST_F(AppDesktop, TabAndTheArrowsReachTheLastCardOfALongGroupAndTheListScrollsToIt) {
  const std::string home = th::home();
  DesktopSession mac(home + "/desktop");
  startSignedIn(mac, home);
  // The sidebar starts at its top; its later rows are made as it scrolls to them.
  const auto firstGroup = mac.find("General, *", "list item");
  ASSERT_TRUE(firstGroup) << mac.describeScreen();
  for (int turn = 0; turn < 10 && !mac.find("Trackpad, *", "list item", 500ms); ++turn) mac.wheel(*firstGroup, 2);
  const auto group = clickOn(mac, "Trackpad, *", "list item");
  const int count = group.name.section(u' ', 1, 1).toInt();
  ASSERT_GT(count, 20) << group.name.toStdString();
  const auto window = mac.find("AmberLoom", "frame");
  ASSERT_TRUE(window);

  mac.key("Tab");
  EXPECT_EQ(mac.focused()->name, "Search settings");
  mac.key("Tab");  // into the list: the tip above the cards, or the first card
  mac.key("Home");
  std::vector<QString> reached;
  for (int press = 0; press < count + 2; ++press) {
    const auto focused = mac.focused();
    ASSERT_TRUE(focused) << mac.describeScreen();
    EXPECT_TRUE(window->place.contains(focused->place)) << focused->name.toStdString() << " is out of the window";
    if (reached.empty() || reached.back() != focused->name) reached.push_back(focused->name);
    mac.key("Down");
  }
  // One stop on each card, the last one included.
  EXPECT_EQ(static_cast<int>(reached.size()), count) << mac.describeScreen();
  mac.key("Home");
  EXPECT_EQ(mac.focused()->name, reached.front());
  mac.key("End");
  EXPECT_EQ(mac.focused()->name, reached.back());
}

// F10 opens the first menu, the arrows go on to the File menu and Return on its command opens
// the save panel; Alt+F opens the File menu at once; Escape gives the focus back; and Ctrl+, still
// opens the settings window after all that.
TEST_F(AppDesktop, TheMenusOpenFromTheKeyboardAndGiveTheFocusBack) {
  const std::string home = th::home();
  DesktopSession mac(home + "/desktop");
  startSignedIn(mac, home);
  clickOn(mac, "Search settings", "text");

  mac.key("F10");
  waitFor(mac, "Check for Updates…", "menu item");
  mac.key("Right");
  waitFor(mac, "Export as Terminal Commands…", "menu item");
  mac.key("Down");
  mac.key("Return");
  waitFor(mac, "Save", "push button");
  mac.key("Escape");
  eventually([&] { return !mac.find("Save", "push button", 0ms); });

  clickOn(mac, "Search settings", "text");
  mac.key("alt+f");
  waitFor(mac, "Export as Terminal Commands…", "menu item");
  mac.key("Left");
  waitFor(mac, "Quit AmberLoom", "menu item");
  mac.key("Escape");
  const auto back = mac.focused();
  ASSERT_TRUE(back) << mac.describeScreen();
  EXPECT_EQ(back->name, "Search settings");

  mac.key("ctrl+comma");
  EXPECT_TRUE(eventually([&] { return mac.showsWindow("AmberLoom Settings"); })) << mac.appLog();
}

// Everything the settings window and its question show is in the accessibility tree, as text or
// as a heading, and none of its alerts and sheets is named in a way Qt warns about.
TEST_F(AppDesktop, TheSettingsWindowsTextsAreHeard) {
  const std::string home = th::home();
  DesktopSession mac(home + "/desktop");
  startSignedIn(mac, home);
  waitFor(mac, "Search settings", "text");
  mac.key("ctrl+comma");
  const std::pair<const char*, const char*> texts[] = {
      {"Account", "heading"},
      {"ada@example.com", "label"},
      {"There seems to be no internet connection.*", "label"},
      {"Signing out affects this Mac only.*", "label"},
      {"This version sends no usage or crash reports.", "label"},
      {"A few settings turn off protections*", "label"},
      {"Help", "heading"},
  };
  for (const auto& [text, role] : texts) EXPECT_TRUE(mac.find(text, role)) << text << "\n" << mac.describeScreen();
  clickOn(mac, "Delete account…", "push button");
  waitFor(mac, "Delete your account and everything on the server?", "dialog");
  EXPECT_TRUE(mac.find("This cannot be undone*", "label")) << mac.describeScreen();
  EXPECT_EQ(mac.appLog().find("Accessible must be attached"), std::string::npos) << mac.appLog();
}

TEST_F(AppDesktop, AnUnreadablePreferencesFileIsKeptAsideAndSignInReachesTheCatalogue) {
  const std::string home = th::home();
  const std::string own = th::preferencesFile("tv.winterbrae.amberloom");
  th::writeFile(own, "bplist00 not really");
  th::AccountServerProcess server;
  DesktopSession mac(home + "/desktop");
  mac.startApp(home, {{"AMBERLOOM_ACCOUNT_URL", server.apiBase()}});

  signInAndBrowse(mac, server, "ada@example.com");
  EXPECT_EQ(read(home, "tv.winterbrae.amberloom", "account.email"), "ada@example.com\n");
  EXPECT_EQ(read(home, "tv.winterbrae.amberloom", "hasCompletedFirstRun"), "1\n");
  int kept = 0;
  for (const auto& name : th::filesBelow(home + "/Library/Preferences"))
    if (name.starts_with("tv.winterbrae.amberloom.corrupt-")) {
      ++kept;
      EXPECT_EQ(th::readFile(home + "/Library/Preferences/" + name), "bplist00 not really");
    }
  EXPECT_EQ(kept, 1);
}

// Two homes on one machine, each its own Mac by its machine id and name, signed into one account.
TEST_F(AppDesktop, TwoMacsCopyASettingAndUndoItFromRecentChanges) {
  th::AccountServerProcess server;
  struct Mac {
    std::string home;
    std::map<std::string, std::string> environment;
    std::unique_ptr<DesktopSession> desktop;
  };
  std::vector<Mac> macs;
  for (const auto& [name, id] : {std::pair{"Studio", "a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0"},
                                 std::pair{"Laptop", "b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1b1"}}) {
    const std::string home = th::home() + "/" + name;
    th::writeFile(home + "/machine-id", std::string(id) + "\n");
    Mac mac{home,
            {{"AMBERLOOM_ACCOUNT_URL", server.apiBase()},
             {"AMBERLOOM_MACHINE_ID_FILE", home + "/machine-id"},
             {"AMBERLOOM_HOST_NAME", name}},
            std::make_unique<DesktopSession>(home + "/desktop")};
    mac.desktop->startApp(mac.home, mac.environment);
    macs.push_back(std::move(mac));
  }
  auto& studio = *macs[0].desktop;
  auto& laptop = *macs[1].desktop;
  signInAndBrowse(studio, server, "ada@example.com");
  signInAndBrowse(laptop, server, "ada@example.com");

  // The studio hides its Dock and shares its settings.
  clickOn(studio, "Search settings", "text");
  studio.type("Hide the Dock automatically");
  studio.settledElements();  // the list settles on what was typed
  clickOn(studio, "Hide the Dock automatically", "check box");
  ASSERT_EQ(readWhenSet(macs[0].home, "com.apple.dock", "autohide"), "1\n") << studio.describeScreen() << studio.appLog();
  clickOn(studio, "My Macs", "list item");
  clickOn(studio, "Sync now", "push button");

  // The laptop sees the studio, brings the setting over, and takes it back.
  clickOn(laptop, "My Macs", "list item");
  clickOn(laptop, "Sync now", "push button");
  clickOn(laptop, "Bring Hide the Dock automatically over from the other Mac", "check box");
  clickOn(laptop, "Copy over", "push button");
  EXPECT_EQ(readWhenSet(macs[1].home, "com.apple.dock", "autohide"), "1\n") << laptop.describeScreen() << laptop.appLog();

  // The running window lists the copy's undo point at once.
  clickOn(laptop, "Recent changes", "list item");
  clickOn(laptop, "Undo: Before bringing 1 settings from*", "push button");
  amberloom::platform::ProcessResult undone;
  for (int tries = 0; tries < 600; ++tries) {
    undone = defaultsIn(macs[1].home, {"read", "com.apple.dock", "autohide"});
    if (undone.exitStatus != 0) break;
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_NE(undone.exitStatus, 0) << "still set: " << undone.standardOutput << laptop.describeScreen();
  EXPECT_TRUE(laptop.find("1 of 1 settings put back")) << laptop.describeScreen();
  // The studio kept its own.
  EXPECT_EQ(read(macs[0].home, "com.apple.dock", "autohide"), "1\n");
}

// The wizard's restore dies (kill -9) once the first preference file is replaced; after a restart
// its undo point, listed in Recent changes, returns every key the restore touched.
TEST_F(AppDesktop, ARestoreKilledHalfWayIsTakenBackAfterARestart) {
  const std::string home = th::home();
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"com.apple.dock", "autohide"}, {"com.apple.finder", "ShowPathbar"}, {"com.apple.finder", "AppleShowAllFiles"}};
  amberloom::Snapshot backup;
  for (const auto& [domain, key] : keys) {
    ASSERT_EQ(defaultsIn(home, {"write", domain, key, "-bool", "false"}).exitStatus, 0);
    backup.entries.push_back({{domain, {key}, false}, amberloom::PreferenceValue::boolean(true),
                              amberloom::SettingChannel::defaults, false});
  }
  th::writeFile(home + "/Library/Mobile Documents/com~apple~CloudDocs/AmberLoom/OTHER-MAC.amberloom.json",
                amberloom::BackupEnvelope{"OTHER-MAC", "Office", std::nullopt, std::nullopt, backup}.encoded());
  amberloom::AccountStore("tv.winterbrae.amberloom.session", "device-token", amberloom::StoreUserDefaults::standard())
      .save("token-1", "ada@example.com", "mac-1", "http://127.0.0.1:9/api/v1");
  DesktopSession mac(home + "/desktop");
  const std::map<std::string, std::string> offline = {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1"}};
  auto killing = offline;
  killing["AMBERLOOM_KILL_AT_STEP"] = "1:renamed com.apple.";
  mac.startApp(home, killing);

  clickOn(mac, "Bring my settings over from Office", "push button");
  clickOn(mac, "Restore", "push button");
  EXPECT_EQ(mac.waitForExit(60s), 128 + SIGKILL) << mac.appLog();
  int taken = 0;
  for (const auto& [domain, key] : keys) taken += read(home, domain, key) == "1\n";
  EXPECT_TRUE(taken > 0 && taken < 3) << "killed between two files: " << taken;

  // The next start offers it at once, over the wizard, as the user knows it; Return takes it back.
  mac.startApp(home, offline);
  waitFor(mac, "A change was not finished", "dialog");
  waitFor(mac, QString("AmberLoom stopped while restoring from Office; %1 %2 may have changed.")
                   .arg(taken)
                   .arg(taken == 1 ? "setting" : "settings"));
  waitFor(mac, "Keep", "push button");
  mac.key("Return");
  for (const auto& [domain, key] : keys) {
    std::string value;
    for (int tries = 0; tries < 600 && value != "0\n"; ++tries) {
      std::this_thread::sleep_for(100ms);
      value = read(home, domain, key);
    }
    EXPECT_EQ(value, "0\n") << domain << " " << key << "\n" << mac.describeScreen();
  }
}

// The wizard on a Mac with settings of its own says what each step did and offers a way on after
// it; quit after its backup, the next start does not take that backup for a second set of
// settings; another Mac's backup is counted by the values it holds, and the restore's question and
// outcome count the same ones.
TEST_F(AppDesktop, TheWizardsTitlesAndCountsFollowWhatEachStepDid) {
  const std::string home = th::home();
  for (const auto& [domain, key] : {std::pair{"com.apple.dock", "autohide"}, std::pair{"com.apple.finder", "ShowPathbar"}})
    ASSERT_EQ(defaultsIn(home, {"write", domain, key, "-bool", "true"}).exitStatus, 0);
  amberloom::AccountStore("tv.winterbrae.amberloom.session", "device-token", amberloom::StoreUserDefaults::standard())
      .save("token-1", "ada@example.com", "mac-1", "http://127.0.0.1:9/api/v1");
  const std::map<std::string, std::string> offline = {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1"}};
  DesktopSession mac(home + "/desktop");
  const auto quit = [&] {
    openApplicationMenu(mac);
    clickOn(mac, "Quit AmberLoom");
    ASSERT_EQ(mac.waitForExit(20s), 0) << mac.appLog();
  };

  mac.startApp(home, offline);
  waitFor(mac, "You have already made this Mac yours");
  clickOn(mac, "Back up this Mac", "push button");
  waitFor(mac, "This Mac is backed up");
  waitFor(mac, "Browse settings", "push button");
  quit();

  mac.startApp(home, offline);
  waitFor(mac, "You have already made this Mac yours");
  EXPECT_FALSE(mac.find("Two sets of settings", {}, 1s)) << mac.describeScreen();
  quit();

  // Another Mac's backup: one value already the same here, two new ones, one key it had unset.
  const auto entry = [](const char* domain, const char* key, std::optional<amberloom::PreferenceValue> value) {
    return amberloom::SnapshotEntry{{domain, {key}, false}, std::move(value), amberloom::SettingChannel::defaults, false};
  };
  amberloom::Snapshot backup;
  backup.entries = {entry("com.apple.dock", "autohide", amberloom::PreferenceValue::boolean(true)),
                    entry("com.apple.finder", "AppleShowAllFiles", amberloom::PreferenceValue::boolean(true)),
                    entry("com.apple.dock", "magnification", amberloom::PreferenceValue::boolean(true)),
                    entry("com.apple.finder", "ShowStatusBar", std::nullopt)};
  th::writeFile(home + "/Library/Mobile Documents/com~apple~CloudDocs/AmberLoom/OTHER-MAC.amberloom.json",
                amberloom::BackupEnvelope{"OTHER-MAC", "Office", std::nullopt, std::nullopt, backup}.encoded());
  mac.startApp(home, offline);
  waitFor(mac, "Two sets of settings");
  clickOn(mac, "Bring my settings over from Office", "push button");
  waitFor(mac, "2 settings will be brought over from Office.*");
  clickOn(mac, "Restore", "push button");
  waitFor(mac, "2 of 2 settings restored from Office");
  waitFor(mac, "Your settings are here");
  EXPECT_EQ(read(home, "com.apple.finder", "AppleShowAllFiles"), "1\n");
  EXPECT_EQ(read(home, "com.apple.dock", "magnification"), "1\n");
  clickOn(mac, "Browse settings", "push button");
  waitFor(mac, "Search settings", "text");
}

}  // namespace

// One application per home: a second start brings the running window forward and ends; sync at
// login still runs beside the window; a killed application's lock is taken over by the next start.
TEST_F(AppDesktop, ASecondStartOfOneHomeBringsItsWindowForwardAndEnds) {
  const std::string home = th::home();
  const std::map<std::string, std::string> environment = {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1"}};
  DesktopSession mac(home + "/desktop");
  startSignedIn(mac, home);
  waitFor(mac, "Search settings", "text");
  // The settings window in front, as the user left it.
  mac.click(490, 600);
  mac.key("ctrl+comma");
  const auto help = mac.find("Email support", "push button");
  ASSERT_TRUE(help) << mac.describeScreen();
  mac.click(help->place.x() + help->place.width() + 40, help->place.center().y());  // beside it, in that window
  eventually([&] { return mac.focusedWindowTitle() == "AmberLoom Settings"; });
  ASSERT_EQ(mac.focusedWindowTitle(), "AmberLoom Settings");

  const auto second = mac.runApp(home, {}, environment, 60s);
  ASSERT_TRUE(second) << "the second start never ended";
  EXPECT_EQ(second->status, 0) << second->output;
  EXPECT_TRUE(mac.appRunning());
  eventually([&] { return mac.focusedWindowTitle() == "AmberLoom"; });
  EXPECT_EQ(mac.focusedWindowTitle(), "AmberLoom");
  EXPECT_TRUE(mac.showsWindow("AmberLoom"));

  // Sync at login is no second window: with automatic sync on and no server to take this Mac's
  // values, it leaves them waiting in the pending file.
  const std::string pending = home + "/Library/Application Support/AmberLoom/pending-sync.json";
  ASSERT_FALSE(th::fileExists(pending));
  ASSERT_EQ(defaultsIn(home, {"write", "tv.winterbrae.amberloom", "sync.autoSyncEnabled", "-bool", "true"}).exitStatus, 0);
  const auto sync = mac.runApp(home, {"--background-sync"}, environment, 90s);
  ASSERT_TRUE(sync);
  EXPECT_EQ(sync->status, 0) << sync->output;
  EXPECT_TRUE(th::fileExists(pending)) << sync->output;
  EXPECT_TRUE(mac.appRunning());

  // Killed, it leaves its lock file and socket behind: the next start takes them over.
  mac.killApp();
  mac.startApp(home, environment);
  waitFor(mac, "Search settings", "text");
  EXPECT_TRUE(mac.appRunning());
}
