#include "Sync/SyncFolder.hpp"

#include <filesystem>

namespace amberloom {

std::string SyncFolder::current(const UserDefaults& defaults, const BackupLocator& locator) {
  if (const auto stored = defaults.stringValue(defaultsKey)) {
    const auto first = stored->find_first_not_of(" \t");
    if (first != std::string::npos) return stored->substr(first, stored->find_last_not_of(" \t") - first + 1);
  }
  return locator.defaultFolder();
}

void SyncFolder::choose(const std::optional<std::string>& path, UserDefaults& defaults) {
  if (path && !path->empty())
    defaults.setString(*path, defaultsKey);
  else
    defaults.remove(defaultsKey);
}

bool SyncFolder::isDefault(const std::string& path, const BackupLocator& locator) {
  return path == locator.defaultFolder();
}

std::error_code SyncFolder::ensureExists(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (!error && !std::filesystem::is_directory(path, error) && !error)
    error = std::make_error_code(std::errc::not_a_directory);
  return error;
}

}  // namespace amberloom
