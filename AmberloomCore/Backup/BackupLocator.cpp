#include "Backup/BackupLocator.hpp"

#include <filesystem>
#include <string_view>

namespace amberloom {

std::string BackupLocator::defaultFolder() const {
  return homeDirectory + "/Library/Mobile Documents/com~apple~CloudDocs/" + folderName;
}

bool BackupLocator::isBackupFileName(std::string_view name) {
  const std::string_view suffix = fileExtension;
  return name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

bool BackupLocator::backupExists(const std::optional<std::string>& folder) const {
  std::error_code error;
  std::filesystem::directory_iterator entries(folder.value_or(defaultFolder()), error);
  if (error) return false;
  for (auto it = entries; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) return false;
    if (isBackupFileName(it->path().filename().string())) return true;
  }
  return false;
}

}  // namespace amberloom
