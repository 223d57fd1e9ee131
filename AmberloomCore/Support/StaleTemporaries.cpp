#include "Support/StaleTemporaries.hpp"

#include "Backup/BackupLocator.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Platform/AtomicFile.hpp"

namespace amberloom {

void sweepStaleTemporaries(const std::string& homeDirectory, const std::string& backupFolder,
                           std::string_view ownBackupFileName) noexcept {
  const auto endingIn = [](std::string_view suffix) {
    return [suffix](std::string_view name) { return name.ends_with(suffix); };
  };
  const std::string preferences = homeDirectory + "/Library/Preferences";
  platform::removeStaleTemporaries(preferences, endingIn(".plist"), kStaleTemporaryAge);
  platform::removeStaleTemporaries(preferences + "/ByHost", endingIn(".plist"), kStaleTemporaryAge);
  platform::removeStaleTemporaries(homeDirectory + "/Library/Application Support/AmberLoom", endingIn(".json"),
                                   kStaleTemporaryAge);
  SnapshotHistory(SnapshotHistory::defaultFolder(homeDirectory)).removeLeftTemporaries();
  platform::removeStaleTemporaries(homeDirectory + "/Library/Keychains/AmberLoom",
                                   [](std::string_view) { return true; }, kStaleTemporaryAge);
  platform::removeStaleTemporaries(backupFolder, BackupLocator::isBackupFileName, kStaleTemporaryAge);
  if (!ownBackupFileName.empty()) removeOwnBackupTemporaries(backupFolder, ownBackupFileName);
}

void removeOwnBackupTemporaries(const std::string& backupFolder, std::string_view ownBackupFileName) noexcept {
  // Only this Mac's window writes this Mac's backup, one at a time: a temporary of it that is not
  // being written now is one a kill left, however new.
  const std::string own(ownBackupFileName);
  platform::removeStaleTemporaries(
      backupFolder, [own](std::string_view name) { return name == own; }, std::chrono::seconds(-1));
}

}  // namespace amberloom
