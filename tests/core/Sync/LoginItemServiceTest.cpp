#include <gtest/gtest.h>

#include <filesystem>

#include "Sync/LoginItemService.hpp"
#include "Sync/XdgAutostartAgent.hpp"
#include "TestHome.hpp"

using amberloom::joinDesktopExec;
using amberloom::LoginItemService;
using amberloom::splitDesktopExec;
using amberloom::XdgAutostartAgent;
using Status = LoginItemService::Status;
namespace test = amberloom::testing;

namespace {

// An executable path that needs every kind of quoting an entry can hold.
const std::string kExecutable = "/opt/Amber Loom/$bin/it's \"the\" app\\100%";

std::string entryPath() { return test::home() + "/.config/autostart/tv.winterbrae.amberloom.sync.desktop"; }

LoginItemService service() {
  return LoginItemService(std::make_shared<XdgAutostartAgent>(LoginItemService::agentPlist, kExecutable, test::home()));
}

std::string valueOf(const std::string& entry, const std::string& key) {
  const auto start = entry.find("\n" + key + "=");
  if (start == std::string::npos) return {};
  const auto from = start + key.size() + 2;
  return entry.substr(from, entry.find('\n', from) - from);
}

}  // namespace

TEST(LoginItem, EnableWritesAnEntryStartingTheBackgroundSyncAndDisableRemovesIt) {
  auto item = service();
  EXPECT_EQ(item.status(), Status::disabled);
  EXPECT_EQ(item.disable(), std::nullopt) << "turning off what is off succeeds";

  EXPECT_EQ(item.enable(), std::nullopt);
  ASSERT_TRUE(test::fileExists(entryPath()));
  const std::string entry = test::readFile(entryPath());
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\n"));
  EXPECT_EQ(valueOf(entry, "Type"), "Application");
  EXPECT_EQ(splitDesktopExec(valueOf(entry, "Exec")), (std::vector<std::string>{kExecutable, "--background-sync"}));
  EXPECT_EQ(item.status(), Status::enabled);
  EXPECT_EQ(LoginItemService(item).status(), Status::enabled) << "a copy sees the same registration";

  EXPECT_EQ(item.disable(), std::nullopt);
  EXPECT_FALSE(test::fileExists(entryPath()));
  EXPECT_EQ(item.status(), Status::disabled);
}

TEST(LoginItem, HandEditedEntriesReadAsTheSessionWouldTreatThem) {
  const struct {
    std::string entry;
    Status status;
  } cases[] = {
      {"[Desktop Entry]\nType=Application\nExec=/usr/bin/amberloom --background-sync\n", Status::enabled},
      {"# mine\n\n[Desktop Entry]\r\nType = Application\r\nExec = env A=1 amberloom --background-sync\r\n"
       "[Desktop Action x]\nHidden=true\n",
       Status::enabled},
      {"[Desktop Entry]\nType=Application\nExec=amberloom --background-sync\nHidden=true\n", Status::blockedByUser},
      {"[Desktop Entry]\nType=Application\nExec=amberloom --background-sync\nX-GNOME-Autostart-enabled=false\n",
       Status::blockedByUser},
      {"[Desktop Entry]\nType=Application\nExec=amberloom\n", Status::unavailable},
      {"[Desktop Entry]\nType=Application\nExec=amberloom --background-sync-now\n", Status::unavailable},
      {"[Desktop Entry]\nType=Application\nExec=\"amberloom --background-sync\n", Status::unavailable},
      {"[Desktop Entry]\nType=Application\nExec=amberloom %U --background-sync\n", Status::unavailable},
      {"[Desktop Entry]\nType=Link\nExec=amberloom --background-sync\n", Status::unavailable},
      {"Exec=amberloom --background-sync\n", Status::unavailable},
      {"", Status::unavailable},
      {std::string("\0\xff[Desktop", 10), Status::unavailable},
  };
  for (const auto& c : cases) {
    test::writeFile(entryPath(), c.entry);
    EXPECT_EQ(service().status(), c.status) << c.entry;
  }

  // Turning sync at startup on replaces whatever the user left there.
  test::writeFile(entryPath(), "[Desktop Entry]\nType=Application\nExec=amberloom --background-sync\nHidden=true\n");
  auto item = service();
  EXPECT_EQ(item.enable(), std::nullopt);
  EXPECT_EQ(item.status(), Status::enabled);
}

TEST(LoginItem, FailuresComeBackAsSentencesWithThePlatformsDescription) {
  // A folder where the entry should be is not a registration, and cannot be removed as one.
  std::filesystem::create_directories(entryPath() + "/inside");
  auto item = service();
  EXPECT_EQ(item.status(), Status::unavailable);
  const auto off = item.disable();
  ASSERT_TRUE(off.has_value());
  EXPECT_TRUE(off->starts_with("Could not turn off sync at startup: The startup entry could not be removed: ")) << *off;
  std::filesystem::remove_all(test::home() + "/.config");

  // The autostart folder cannot be made: a file is in its way.
  test::writeFile(test::home() + "/.config/autostart", "not a folder");
  const auto on = item.enable();
  ASSERT_TRUE(on.has_value());
  EXPECT_TRUE(on->starts_with("Could not turn on sync at startup: The startup entry could not be saved: ")) << *on;

  // An agent the application does not ship.
  LoginItemService unknown(std::make_shared<XdgAutostartAgent>("tv.winterbrae.other.plist", kExecutable, test::home()));
  EXPECT_EQ(unknown.status(), Status::unavailable);
  EXPECT_EQ(unknown.enable(),
            "Could not turn on sync at startup: The launch agent \"tv.winterbrae.other.plist\" could not be found.");
  EXPECT_EQ(unknown.disable(),
            "Could not turn off sync at startup: The launch agent \"tv.winterbrae.other.plist\" could not be found.");
}

TEST(LoginItem, ExecValuesReadBackAsTheCommandLineWritten) {
  const std::vector<std::vector<std::string>> commandLines = {
      {"/usr/bin/amberloom", "--background-sync"},
      {"/a b/c", "", "tab\there", "line\nbreak", "100%", "%%", "back\\slash", "\\\\", "`$(x)`", "'single'"},
      {"\"", "#hash", "~", "a;b|c&d<e>f*g?h(i)"},
  };
  for (const auto& commandLine : commandLines) {
    const std::string exec = joinDesktopExec(commandLine);
    EXPECT_EQ(exec.find('\n'), std::string::npos) << exec;
    EXPECT_EQ(splitDesktopExec(exec), commandLine) << exec;
  }
  // Written by hand: the escapes a value may carry, and plain words.
  EXPECT_EQ(splitDesktopExec(R"(  "/a\\\\b" x\sy  "q\\"q" 5%%)"),
            (std::vector<std::string>{"/a\\b", "x", "y", "q\"q", "5%"}));
  for (const std::string malformed : {"\"open", "a\"b\"", "\"a\"b", "\"\\q\"", "a\\\\b", "%f"})
    EXPECT_EQ(splitDesktopExec(malformed), std::nullopt) << malformed;
}
