#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "Sync/LoginItemService.hpp"
#include "Sync/XdgAutostartAgent.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using Status = LoginItemService::Status;
namespace test = amberloom::testing;

namespace {

// An executable that exists, at a path that needs every kind of quoting an entry can hold.
std::string executable() {
  const std::string path = test::home() + "/Amber Loom/$bin/it's \"the\" app\\100%";
  if (!test::fileExists(path)) {
    test::writeFile(path, "#!/bin/sh\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  return path;
}

// "amberloom" on the PATH, as a session would find it.
std::string installedOnPath() {
  const std::string folder = test::home() + "/bin";
  test::writeFile(folder + "/amberloom", "#!/bin/sh\n");
  std::filesystem::permissions(folder + "/amberloom", std::filesystem::perms::owner_all);
  ::setenv("PATH", (folder + ":/usr/bin:/bin").c_str(), 1);
  return folder + "/amberloom";
}

std::string entryPath() { return test::home() + "/.config/autostart/tv.winterbrae.amberloom.sync.desktop"; }

LoginItemService service(const std::string& plist = LoginItemService::agentPlist,
                         XdgAutostartAgent::Environment environment = {}) {
  return LoginItemService(
      std::make_shared<XdgAutostartAgent>(plist, executable(), test::home(), std::move(environment)));
}

std::vector<std::string> entryCommand() {
  const std::string entry = test::readFile(entryPath());
  const auto exec = entry.find("\nExec=") + 6;
  return splitDesktopExec(entry.substr(exec, entry.find('\n', exec) - exec)).value_or(std::vector<std::string>{});
}

}  // namespace

TEST(LoginItem, EnableWritesAnEntryStartingTheBackgroundSyncAndDisableRemovesIt) {
  auto item = service();
  EXPECT_EQ(item.status(), Status::disabled);
  EXPECT_EQ(item.disable(), std::nullopt) << "turning off what is off succeeds";

  EXPECT_EQ(item.enable(), std::nullopt);
  const std::string entry = test::readFile(entryPath());
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\nType=Application\n")) << entry;
  EXPECT_EQ(entryCommand(), (std::vector<std::string>{executable(), "--background-sync"}));
  EXPECT_EQ(item.status(), Status::enabled);

  // The account server the application was pointed at goes with the entry.
  auto pointed = service(LoginItemService::agentPlist, {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:8080/api/v1"}});
  EXPECT_EQ(pointed.enable(), std::nullopt);
  EXPECT_EQ(entryCommand(), (std::vector<std::string>{"env", "AMBERLOOM_ACCOUNT_URL=http://127.0.0.1:8080/api/v1",
                                                      executable(), "--background-sync"}));
  EXPECT_EQ(pointed.status(), Status::enabled);

  EXPECT_EQ(item.disable(), std::nullopt);
  EXPECT_FALSE(test::fileExists(entryPath()));
  EXPECT_EQ(item.status(), Status::disabled);
}

TEST(LoginItem, HandEditedEntriesReadAsTheSessionWouldTreatThem) {
  const std::string installed = installedOnPath();
  const std::string start = "[Desktop Entry]\nType=Application\n";
  const struct {
    std::string entry;
    Status status;
  } cases[] = {
      {start + "Exec=" + installed + " --background-sync\n", Status::enabled},
      // A program that is gone starts nothing: not registered, so turning it on writes it anew.
      {start + "Exec=/usr/bin/amberloom-moved --background-sync\n", Status::disabled},
      {start + "Exec=env A=1 amberloom-moved --background-sync\n", Status::disabled},
      {start + "Exec=env A=1 --background-sync\n", Status::disabled},
      {"# mine\n\n[Desktop Entry]\r\nType = Application\r\nExec = env A=1 amberloom --background-sync\r\n"
       "[Desktop Action x]\nHidden=true\n",
       Status::enabled},
      {start + "Exec=amberloom --background-sync\nHidden=true\n", Status::blockedByUser},
      {start + "Exec=amberloom --background-sync\nX-GNOME-Autostart-enabled=false\n", Status::blockedByUser},
      {start + "Exec=amberloom\n", Status::unavailable},
      {start + "Exec=amberloom --background-sync-now\n", Status::unavailable},
      {start + "Exec=\"amberloom --background-sync\n", Status::unavailable},
      {start + "Exec=amberloom %U --background-sync\n", Status::unavailable},
      {"[Desktop Entry]\nType=Link\nExec=amberloom --background-sync\n", Status::unavailable},
      {"Exec=amberloom --background-sync\n", Status::unavailable},
      {std::string("\0\xff[Desktop", 10), Status::unavailable},
  };
  for (const auto& c : cases) {
    test::writeFile(entryPath(), c.entry);
    EXPECT_EQ(service().status(), c.status) << c.entry;
  }
  // Turning sync at startup on replaces whatever the user left there.
  auto item = service();
  EXPECT_EQ(item.enable(), std::nullopt);
  EXPECT_EQ(item.status(), Status::enabled);
}

// Turned on while the application used one account server, the entry would send the run at login
// there after the server moved (or the application went back to the default one): it reads as off,
// so that turning sync at startup on asks again, and renewing writes it for the server in use.
TEST(LoginItem, AnEntryForAnotherAccountServerReadsAsOffAndIsRenewedForThisOne) {
  const std::string moved = "http://127.0.0.1:8081/api/v1";
  const XdgAutostartAgent::Environment here = {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:8080/api/v1"}};
  const std::vector<std::string> command = {"env", "AMBERLOOM_ACCOUNT_URL=http://127.0.0.1:8080/api/v1", executable(),
                                            "--background-sync"};
  const struct {
    const char* what;
    XdgAutostartAgent::Environment registeredWith;
    XdgAutostartAgent::Environment now;
    bool hiddenByUser;
    Status status;
    bool renewed;
  } cases[] = {
      {"the same server", here, here, false, Status::enabled, false},
      {"the server moved", {{"AMBERLOOM_ACCOUNT_URL", moved}}, here, false, Status::disabled, true},
      {"back to the default server", here, {}, false, Status::disabled, true},
      {"from the default server to a local one", {}, here, false, Status::disabled, true},
      {"other variables are the user's", {{"LANG", "C"}}, {}, false, Status::enabled, false},
      {"turned off by the user", {{"AMBERLOOM_ACCOUNT_URL", moved}}, here, true, Status::blockedByUser, false},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(service(LoginItemService::agentPlist, c.registeredWith).enable(), std::nullopt) << c.what;
    if (c.hiddenByUser) test::writeFile(entryPath(), test::readFile(entryPath()) + "Hidden=true\n");
    const std::string before = test::readFile(entryPath());
    auto item = service(LoginItemService::agentPlist, c.now);
    EXPECT_EQ(item.status(), c.status) << c.what;
    EXPECT_EQ(item.renew(), std::nullopt) << c.what;
    if (c.renewed) {
      EXPECT_EQ(item.status(), Status::enabled) << c.what;
      const std::vector<std::string> bare = {executable(), "--background-sync"};
      EXPECT_EQ(entryCommand(), c.now.empty() ? bare : command) << c.what;
    } else {
      EXPECT_EQ(test::readFile(entryPath()), before) << c.what;
    }
  }
  EXPECT_EQ(service().disable(), std::nullopt);
  EXPECT_EQ(service().renew(), std::nullopt) << "nothing registered, nothing renewed";
  EXPECT_FALSE(test::fileExists(entryPath()));
}

TEST(LoginItem, FailuresComeBackAsSentencesWithThePlatformsDescription) {
  // A folder where the entry should be is not a registration, and cannot be removed as one.
  std::filesystem::create_directories(entryPath() + "/inside");
  EXPECT_EQ(service().status(), Status::unavailable);
  const auto off = service().disable();
  EXPECT_TRUE(off && off->starts_with("Could not turn off sync at startup: The startup entry could not be removed: "));
  std::filesystem::remove_all(test::home() + "/.config");

  test::writeFile(test::home() + "/.config/autostart", "a file in the folder's place");
  const auto on = service().enable();
  EXPECT_TRUE(on && on->starts_with("Could not turn on sync at startup: The startup entry could not be saved: "));

  auto unknown = service("tv.winterbrae.other.plist");  // an agent the application does not ship
  EXPECT_EQ(unknown.status(), Status::unavailable);
  EXPECT_EQ(unknown.enable(),
            "Could not turn on sync at startup: The launch agent \"tv.winterbrae.other.plist\" could not be found.");
}

TEST(LoginItem, ExecValuesReadBackAsTheCommandLineWritten) {
  const std::vector<std::string> awkward = {"", "tab\there", "line\nbreak", "%%", "`$(x)`", "'q'", "#~;|&<>*?()"};
  EXPECT_EQ(splitDesktopExec(joinDesktopExec(awkward)), awkward) << joinDesktopExec(awkward);
  // Written by hand: the escapes a value may carry, and plain words.
  EXPECT_EQ(splitDesktopExec(R"(  "/a\\\\b" x\sy  "q\\"q" 5%%)"),
            (std::vector<std::string>{"/a\\b", "x", "y", "q\"q", "5%"}));
  for (const std::string malformed : {"\"open", "a\"b\"", "\"a\"b", "\"\\q\"", "a\\\\b", "%f"})
    EXPECT_EQ(splitDesktopExec(malformed), std::nullopt) << malformed;
}
