// Removing the application's data from a prepared home: what the plan lists and counts, what is
// deleted and what is kept on disk (backups, link targets), putting every changed setting back,
// and an unreadable change history kept aside rather than lost.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "LivePreferences.hpp"
#include "Platform/SecretStore.hpp"
#include "Upkeep/UninstallService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
namespace fs = std::filesystem;

namespace {

SettingDefinition setting(std::string id, std::string key) {
  return th::makeSetting(std::move(id), SettingRef{"com.example.removal", {std::move(key)}, false});
}

std::string support() { return th::home() + "/Library/Application Support/AmberLoom"; }
std::string signInFolder() { return th::home() + "/Library/Keychains/AmberLoom"; }
const std::string kToken = "token-1";
const auto supportPath = th::supportFile;

const std::string kHistory =
    R"([{"settingID":"dock.autohide","value":{"bool":true},"at":1,"osBuild":"23F79"},)"
    R"({"settingID":"finder.hidden","at":2,"osBuild":"23F79"},)"
    R"({"settingID":"gone.setting","value":{"bool":true},"at":3,"osBuild":"23F79"}])";

class UninstallServiceTest : public ::testing::Test, protected th::LivePreferences {
 protected:
  IntentLog log{supportPath("intents.json"), "23F79", [] { return 0.0; }};  // 2001-01-01 00:00:00 UTC
  std::vector<SettingDefinition> catalog{setting("dock.autohide", "autohide"), setting("dock.autohide", "other"),
                                         setting("finder.hidden", "hidden")};
  std::string outsideFile = th::home() + "/outside/keep.txt";

  UninstallService service(std::optional<std::string> backupFolder,
                           UninstallService::LeaveAccount leaveAccount = {}) const {
    return UninstallService(catalog, log, SettingsService(resolver, store), std::move(backupFolder), resolver, store,
                            "tv.winterbrae.amberloom", th::home(), std::move(leaveAccount));
  }

  // Every kind of app data, a link from inside the support folder to a file outside it, and a
  // file the plan does not know.
  void prepare() {
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"intents.json", kHistory}, {"catalog.cache.json", "0123456789"}, {"History/.hidden", "abc"},
             {"History/a.amberloom-undo.json", "12345"}, {"History/sub/deep", "xy"}, {"pending-sync.json", "{\"v\":1}"},
             {"intents.corrupt-2025-01-01-000000.json", "bad"}, {"intents.corrupt-2024-12-31-235959.json", "worse"},
             {"intents.corrupt-x.txt", "not a history"}})
      th::writeFile(supportPath(name), bytes);
    th::writeFile(outsideFile, std::string(1000, 'x'));
    fs::create_symlink(outsideFile, supportPath("History/outside-link"));
    th::writeFile(th::preferencesFile("tv.winterbrae.amberloom"), "plist");
    platform::FileSecretStore(signInFolder()).add("tv.winterbrae.amberloom.session", "device-token", kToken);
  }
};

}  // namespace

TEST_F(UninstallServiceTest, PlanListsTheAppDataInOrderWithSizesAndTheBackupsApart) {
  const std::string backups = th::home() + "/to-backups/";  // a link, kept exactly as configured
  EXPECT_EQ(service(backups).plan(), RemovalPlan{});  // nothing on disk yet

  prepare();
  th::writeFile(th::home() + "/Backups/mac.amberloom.json", "1234");
  fs::create_directory_symlink(th::home() + "/Backups", th::home() + "/to-backups");
  const auto linkBytes = static_cast<std::int64_t>(outsideFile.size());  // the link itself, not its target
  const RemovalPlan expected{
      {
          {"Your change history", supportPath("intents.json"), static_cast<std::int64_t>(kHistory.size())},
          {"Cached settings catalogue", supportPath("catalog.cache.json"), 10},
          {"Undo history", supportPath("History"), 5 + 3 + 2 + linkBytes},
          {"An unsent sync upload", supportPath("pending-sync.json"), 7},
          {UninstallService::kQuarantinedLabel, supportPath("intents.corrupt-2024-12-31-235959.json"), 5},
          {UninstallService::kQuarantinedLabel, supportPath("intents.corrupt-2025-01-01-000000.json"), 3},
          {"AmberLoom's own preferences", th::preferencesFile("tv.winterbrae.amberloom"), 5},
          {"This Mac's sign-in to your account", signInFolder(), static_cast<std::int64_t>(kToken.size())},
      },
      RemovalPlan::Item{"Your backups (kept)", backups, 4},
      1,  // neither the no-value record nor the one no longer catalogued, which no revert can put back
  };
  const auto plan = service(backups).plan();
  EXPECT_EQ(plan, expected);
  EXPECT_EQ(plan.appDataBytes(), kHistory.size() + 10 + 10 + linkBytes + 7 + 5 + 3 + 5 + kToken.size());
}

TEST_F(UninstallServiceTest, RemovalDeletesTheAppDataButNeverBackupsOrWhatLinksPointAt) {
  const struct {
    const char* name;
    std::string backupFolder;
    bool withBackupFile;
    std::vector<std::string> notDeleted;
    bool supportFolderStays;
  } cases[] = {
      {"outside", th::home() + "/Backups", true, {}, false},
      {"in the support folder", supportPath("Backups"), true, {}, true},
      {"in the undo history", supportPath("History/Backups"), true, {}, true},
      {"in the undo history through a link", th::home() + "/to-history/Backups", true, {}, true},
      {"the support folder itself, still without backups", support() + "/", false, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto* left : {"/Library", "/outside", "/Backups", "/to-history"}) fs::remove_all(th::home() + left);
    prepare();
    fs::remove(supportPath("intents.corrupt-x.txt"));  // so the support folder can empty
    fs::create_directory_symlink(supportPath("History"), th::home() + "/to-history");
    fs::create_directories(c.backupFolder);
    const std::string backupFile = c.backupFolder + "/mac.amberloom.json";
    if (c.withBackupFile) th::writeFile(backupFile, "1234");

    // This Mac leaves its account while its sign-in is still there to do it with.
    int leftWithTheSignIn = 0;
    const auto uninstall = service(c.backupFolder, [&] {
      leftWithTheSignIn += th::fileExists(signInFolder());
      return false;
    });
    // The backups count once, as backups, wherever they lie.
    const auto plan = uninstall.plan();
    const auto linkBytes = static_cast<std::int64_t>(outsideFile.size());
    EXPECT_EQ(plan.appDataBytes(), static_cast<std::int64_t>(kHistory.size() + kToken.size()) + 10 + 5 + 3 + 2 +
                                       linkBytes + 7 + 3 + 5 + 5);
    if (c.withBackupFile) {
      EXPECT_EQ(plan.backups->bytes, 4);
    }
    EXPECT_EQ(uninstall.removeAppData().failures, c.notDeleted);
    // Of a folder holding the backups, everything beside them went.
    if (fs::exists(supportPath("History"))) {
      EXPECT_EQ(th::filesBelow(supportPath("History")), std::vector<std::string>{"Backups/mac.amberloom.json"});
    }

    for (const auto& name : {"intents.json", "catalog.cache.json", "pending-sync.json",
                             "intents.corrupt-2025-01-01-000000.json", "intents.corrupt-2024-12-31-235959.json"})
      EXPECT_FALSE(fs::exists(fs::symlink_status(supportPath(name)))) << name;
    EXPECT_FALSE(th::fileExists(th::preferencesFile("tv.winterbrae.amberloom")));
    EXPECT_FALSE(fs::exists(signInFolder()));
    EXPECT_EQ(leftWithTheSignIn, 1);
    EXPECT_EQ(th::readFile(outsideFile), std::string(1000, 'x'));
    if (c.withBackupFile) {
      EXPECT_EQ(th::readFile(backupFile), "1234");
    }
    EXPECT_TRUE(fs::is_directory(c.backupFolder));
    EXPECT_EQ(fs::exists(support()), c.supportFolderStays);
    // What was kept is kept again, and nothing new fails.
    EXPECT_EQ(uninstall.removeAppData().failures, c.notDeleted);
  }
}

TEST_F(UninstallServiceTest, RevertEverythingResetsTheWrittenSettingsAndRecordsTheResets) {
  th::writeFile(supportPath("intents.json"), kHistory);
  for (const auto* key : {"autohide", "other", "hidden"})
    ASSERT_EQ(th::runDefaults({"write", "com.example.removal", key, "-bool", "true"}).exitStatus, 0);
  const auto uninstall = service(std::nullopt);

  const auto report = uninstall.revertEverything(outside).report;
  EXPECT_EQ(report.outcomes, (std::vector<WriteOutcome>{{"dock.autohide", true, std::nullopt}}));
  ASSERT_EQ(report.undo.entries.size(), 1u);
  EXPECT_EQ(report.undo.entries[0].rootValue, PreferenceValue::boolean(true));
  EXPECT_EQ(seen("com.example.removal", "autohide"), std::nullopt);
  // The second definition of the same id and the setting the user had reset are left alone.
  EXPECT_EQ(seen("com.example.removal", "other"), PreferenceValue::boolean(true));
  EXPECT_EQ(seen("com.example.removal", "hidden"), PreferenceValue::boolean(true));
  // The record of the setting the catalogue no longer knows is not counted: nothing can revert it.
  EXPECT_EQ(uninstall.plan().settingsLeftChanged, 0);
  EXPECT_EQ(uninstall.revertEverything(outside).report.total(), 0u);
}

TEST_F(UninstallServiceTest, AnUnreadableHistoryIsMovedAsideAndListedNeverLost) {
  const std::string older = supportPath("intents.corrupt-2001-01-01-000000.json");
  const std::string moved = supportPath("intents.corrupt-2001-01-01-000000-2.json");
  th::writeFile(older, "an older one");
  th::writeFile(supportPath("intents.json"), "{not json");
  const auto uninstall = service(std::nullopt);

  const auto first = uninstall.plan();  // drawn before the move
  EXPECT_EQ(first.appData.at(0).path, supportPath("intents.json"));
  EXPECT_EQ(first.settingsLeftChanged, 0);
  EXPECT_EQ(th::readFile(moved), "{not json");
  EXPECT_EQ(th::readFile(older), "an older one");
  const auto second = uninstall.plan();
  EXPECT_EQ(second.appData, (std::vector<RemovalPlan::Item>{{UninstallService::kQuarantinedLabel, moved, 9},
                                                             {UninstallService::kQuarantinedLabel, older, 12}}));
}
