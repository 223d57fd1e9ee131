#pragma once
// Where backups live: the default backup folder at the top of the user's cloud drive, and whether
// a folder holds any backup file at all.

#include <optional>
#include <string>
#include <string_view>

namespace amberloom {

struct BackupLocator {
  static constexpr const char* folderName = "AmberLoom";
  static constexpr const char* fileExtension = "amberloom.json";  // no leading dot

  std::string homeDirectory;  // no trailing "/"

  // Whether a folder entry's name marks a backup file: it ends in "amberloom.json" (no dot
  // required before it).
  static bool isBackupFileName(std::string_view name);

  // <home>/Library/Mobile Documents/com~apple~CloudDocs/AmberLoom. No file-system access.
  std::string defaultFolder() const;

  // True as soon as one entry of the folder (the default one when none is given) has a name
  // ending in "amberloom.json"; the files are not read. A folder that cannot be listed holds no
  // backup. Never throws.
  bool backupExists(const std::optional<std::string>& folder = std::nullopt) const;
};

}  // namespace amberloom
