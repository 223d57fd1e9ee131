#include "Support/StaleTemporaries.hpp"

#include "Backup/BackupLocator.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Platform/AtomicFile.hpp"

namespace amberloom {

void sweepStaleTemporaries(const std::string& homeDirectory, const std::string& backupFolder) noexcept {
  const auto endingIn = [](std::string_view suffix) {
    return [suffix](std::string_view name) { return name.ends_with(suffix); };
  };
  const std::string preferences = homeDirectory + "/Library/Preferences";
  platform::removeStaleTemporaries(preferences, endingIn(".plist"), kStaleTemporaryAge);
  platform::removeStaleTemporaries(preferences + "/ByHost", endingIn(".plist"), kStaleTemporaryAge);
  platform::removeStaleTemporaries(homeDirectory + "/Library/Application Support/AmberLoom", endingIn(".json"),
                                   kStaleTemporaryAge);
  platform::removeStaleTemporaries(SnapshotHistory::defaultFolder(homeDirectory),
                                   endingIn(SnapshotHistory::fileExtension), kStaleTemporaryAge);
  platform::removeStaleTemporaries(homeDirectory + "/Library/Keychains/AmberLoom",
                                   [](std::string_view) { return true; }, kStaleTemporaryAge);
  platform::removeStaleTemporaries(backupFolder, BackupLocator::isBackupFileName, kStaleTemporaryAge);
}

}  // namespace amberloom
