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
  const std::pair<std::string, std::string> left[] = {
      {home + "/Library/Preferences", ".com.example.a.plist."},
      {home + "/Library/Preferences/ByHost", ".com.example.a.HOST-UUID.plist."},
      {home + "/Library/Application Support/AmberLoom", ".intents.json."},
      {SnapshotHistory::defaultFolder(home), ".2024-01-01-000000-000.amberloom-undo.json."},
      {home + "/Library/Keychains/AmberLoom", ".tv.winterbrae.amberloom.session,device-token."},
      {backups, ".MAC.amberloom.json."},
  };
  for (const auto& [folder, stem] : left) {
    th::writeFile(folder + "/" + stem + "Killed", "partial");
    const timespec anHourAgo[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder + "/" + stem + "Killed").c_str(), anHourAgo, 0), 0);
    th::writeFile(folder + "/" + stem + "Moving", "a write going on now");
  }
  sweepStaleTemporaries(home, backups, "MAC.amberloom.json");
  for (const auto& [folder, stem] : left) {
    EXPECT_FALSE(th::fileExists(folder + "/" + stem + "Killed")) << folder;
    // A fresh one may be a write going on, but not in the undo history (written under the lock the
    // sweep takes) nor of this Mac's own backup (written by this window alone, and so at the next).
    const bool ours = folder == backups || folder == SnapshotHistory::defaultFolder(home);
    EXPECT_NE(th::fileExists(folder + "/" + stem + "Moving"), ours) << folder;
  }
  th::writeFile(backups + "/.MAC.amberloom.json.Killed", "partial");
  BackupService(SettingsCatalog(1, 1, {}), DomainResolver::live(), std::make_shared<CFPreferenceStore>(), "MAC", "Mac")
      .createBackup(backups);
  EXPECT_FALSE(th::fileExists(backups + "/.MAC.amberloom.json.Killed"));
}
