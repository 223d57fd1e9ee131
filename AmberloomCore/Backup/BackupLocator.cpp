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

std::string BackupLocator::fileName(std::string_view deviceID) {
  return std::string(deviceID) + "." + fileExtension;
}

FoundBackups BackupLocator::findBackups(const std::optional<std::string>& folder, std::string_view ownFileName) const {
  FoundBackups found;
  std::error_code error;
  std::filesystem::directory_iterator entries(folder.value_or(defaultFolder()), error);
  if (error) return found;
  for (auto it = entries; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) return FoundBackups{};
    const std::string name = it->path().filename().string();
    if (!isBackupFileName(name)) continue;
    (name == ownFileName ? found.ofThisMac : found.ofOtherMacs) = true;
    if (found.ofThisMac && found.ofOtherMacs) break;
  }
  return found;
}

}  // namespace amberloom
