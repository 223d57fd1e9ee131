#include <gtest/gtest.h>

#include <filesystem>

#include "Sync/LoginItemService.hpp"
#include "Sync/XdgAutostartAgent.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using Status = LoginItemService::Status;
namespace test = amberloom::testing;

namespace {

// An executable path that needs every kind of quoting an entry can hold.
const std::string kExecutable = "/opt/Amber Loom/$bin/it's \"the\" app\\100%";

std::string entryPath() { return test::home() + "/.config/autostart/tv.winterbrae.amberloom.sync.desktop"; }

LoginItemService service(const std::string& plist = LoginItemService::agentPlist) {
  return LoginItemService(std::make_shared<XdgAutostartAgent>(plist, kExecutable, test::home()));
}

}  // namespace

TEST(LoginItem, EnableWritesAnEntryStartingTheBackgroundSyncAndDisableRemovesIt) {
  auto item = service();
  EXPECT_EQ(item.status(), Status::disabled);
  EXPECT_EQ(item.disable(), std::nullopt) << "turning off what is off succeeds";

  EXPECT_EQ(item.enable(), std::nullopt);
  const std::string entry = test::readFile(entryPath());
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\nType=Application\n")) << entry;
  const auto exec = entry.find("\nExec=") + 6;
  EXPECT_EQ(splitDesktopExec(entry.substr(exec, entry.find('\n', exec) - exec)),
            (std::vector<std::string>{kExecutable, "--background-sync"}));
  EXPECT_EQ(item.status(), Status::enabled);

  EXPECT_EQ(item.disable(), std::nullopt);
  EXPECT_FALSE(test::fileExists(entryPath()));
  EXPECT_EQ(item.status(), Status::disabled);
}

TEST(LoginItem, HandEditedEntriesReadAsTheSessionWouldTreatThem) {
  const std::string start = "[Desktop Entry]\nType=Application\n";
  const struct {
    std::string entry;
    Status status;
  } cases[] = {
      {start + "Exec=/usr/bin/amberloom --background-sync\n", Status::enabled},
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
