#include "Backup/BackupLocator.hpp"

#include <filesystem>
#include <string_view>

namespace amberloom {

std::string BackupLocator::defaultFolder() const {
  return homeDirectory + "/Library/Mobile Documents/com~apple~CloudDocs/" + folderName;
}

bool BackupLocator::backupExists(const std::optional<std::string>& folder) const {
  std::error_code error;
  std::filesystem::directory_iterator entries(folder.value_or(defaultFolder()), error);
  if (error) return false;
  const std::string_view suffix = fileExtension;
  for (auto it = entries; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) return false;
    const auto name = it->path().filename().string();
    if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      return true;
  }
  return false;
}

}  // namespace amberloom
