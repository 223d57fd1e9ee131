// The application's own folders: made for the user alone, and swept at start of what writes
// killed between their temporary file and its rename left behind.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "Backup/BackupService.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Platform/SecretStore.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Support/StaleTemporaries.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

unsigned modeOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

}  // namespace

TEST(ApplicationFolders, EveryFolderTheApplicationMakesIsTheUsersAlone) {
  const std::string home = th::home();
  IntentLog::standard("23F79").record("dock.autohide", PreferenceValue::boolean(true));
  SnapshotHistory::standard().record(Snapshot{}, "r", 0);
  BackupService(SettingsCatalog(1, 1, {}), DomainResolver::live(), std::make_shared<CFPreferenceStore>(), "MAC", "Mac")
      .createBackup(home + "/Cloud/AmberLoom");
  platform::FileSecretStore(platform::FileSecretStore::defaultFolder()).add("service", "account", "secret");
  for (const auto* folder : {"/Library", "/Library/Application Support", "/Library/Application Support/AmberLoom",
                             "/Library/Application Support/AmberLoom/History", "/Cloud", "/Cloud/AmberLoom",
                             "/Library/Keychains", "/Library/Keychains/AmberLoom"})
    EXPECT_EQ(modeOf(home + folder), 0700u) << folder;
}

TEST(StaleTemporaries, TheSweepAtStartReachesEveryFolderTheApplicationWritesIn) {
  const std::string home = th::home(), backups = home + "/Backups";
  // A fresh temporary may be a write going on now, but not in the undo history (every write there
  // holds its lock, which the sweep takes) nor of this Mac's own backup (written by this window only).
  const struct {
    std::string folder, stem;
    bool freshGoes;
  } left[] = {
      {home + "/Library/Preferences", ".com.example.a.plist.", false},
      {home + "/Library/Preferences/ByHost", ".com.example.a.HOST-UUID.plist.", false},
      {home + "/Library/Application Support/AmberLoom", ".intents.json.", false},
      {SnapshotHistory::defaultFolder(home), ".2024-01-01-000000-000.in-progress.amberloom-undo.json.", true},
      {home + "/Library/Keychains/AmberLoom", ".tv.winterbrae.amberloom.session,device-token.", false},
      {backups, ".MAC.amberloom.json.", true},
      {backups, ".OTHER.amberloom.json.", false},
  };
  for (const auto& [folder, stem, freshGoes] : left) {
    th::writeFile(folder + "/" + stem + "Killed", "partial");
    const timespec anHourAgo[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/" + stem + "Killed").c_str(), anHourAgo, 0), 0);
    th::writeFile(folder + "/" + stem + "Moving", "a write going on now");
  }
  sweepStaleTemporaries(home, backups, "MAC.amberloom.json");
  for (const auto& [folder, stem, freshGoes] : left) {
    EXPECT_FALSE(th::fileExists(folder + "/" + stem + "Killed")) << stem;
    EXPECT_NE(th::fileExists(folder + "/" + stem + "Moving"), freshGoes) << stem;
  }
  // The next backup of this Mac takes what a backup killed a moment ago left.
  th::writeFile(backups + "/.MAC.amberloom.json.Killed", "partial");
  BackupService(SettingsCatalog(1, 1, {}), DomainResolver::live(), std::make_shared<CFPreferenceStore>(), "MAC", "Mac")
      .createBackup(backups);
  EXPECT_FALSE(th::fileExists(backups + "/.MAC.amberloom.json.Killed"));
}
