#include "Sync/SyncFolder.hpp"

#include "Platform/AtomicFile.hpp"

namespace amberloom {

std::string SyncFolder::current(const UserDefaults& defaults, const BackupLocator& locator) noexcept {
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

std::error_code SyncFolder::ensureExists(const std::string& path) noexcept {
  return platform::createPrivateFolders(path);
}

}  // namespace amberloom
