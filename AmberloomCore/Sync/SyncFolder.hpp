#pragma once
// The folder that keeps this Mac's backup files: the application's folder in the user's cloud
// drive unless the user chose another one, kept in the application's preferences.

#include <optional>
#include <string>
#include <system_error>

#include "Backup/BackupLocator.hpp"
#include "Preferences/UserDefaults.hpp"

namespace amberloom {

struct SyncFolder {
  SyncFolder() = delete;

  static constexpr const char* defaultsKey = "syncFolderPath";

  // The chosen folder with spaces and tabs trimmed at both ends (line breaks are kept); the
  // locator's default folder when none is stored or the trimmed text is empty. Never throws.
  static std::string current(const UserDefaults& defaults, const BackupLocator& locator) noexcept;
  // Stores a non-empty path as given; none or the empty text forgets the choice. Throws as
  // UserDefaults::set does.
  static void choose(const std::optional<std::string>& path, UserDefaults& defaults);
  // Exact text equality with the default folder (no normalisation of any kind).
  static bool isDefault(const std::string& path, const BackupLocator& locator);
  // Creates the folder with its missing parents, owner-only; no error also when it exists already.
  // Never throws.
  static std::error_code ensureExists(const std::string& path) noexcept;
};

}  // namespace amberloom
