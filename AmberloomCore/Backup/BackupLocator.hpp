#pragma once
// Where backups live: the default backup folder at the top of the user's cloud drive, and whether
// a folder holds any backup file at all, this Mac's own told apart from other Macs'.

#include <optional>
#include <string>
#include <string_view>

namespace amberloom {

// Which backup files a folder holds, by whose they are.
struct FoundBackups {
  bool ofThisMac = false;   // this Mac's own file
  bool ofOtherMacs = false;  // any other file
  bool any() const { return ofThisMac || ofOtherMacs; }
  bool operator==(const FoundBackups&) const = default;
};

struct BackupLocator {
  static constexpr const char* folderName = "AmberLoom";
  static constexpr const char* fileExtension = "amberloom.json";  // no leading dot

  std::string homeDirectory;  // no trailing "/"

  // Whether a folder entry's name marks a backup file: it ends in "amberloom.json" (no dot
  // required before it).
  static bool isBackupFileName(std::string_view name);
  // "<deviceID>.amberloom.json": the name of a Mac's backup file.
  static std::string fileName(std::string_view deviceID);

  // <home>/Library/Mobile Documents/com~apple~CloudDocs/AmberLoom. No file-system access.
  std::string defaultFolder() const;

  // Which backup files the folder (the default one when none is given) holds: names ending in
  // "amberloom.json", the one named `ownFileName` being this Mac's; the files are not read. A
  // folder that cannot be listed holds no backup. Never throws.
  FoundBackups findBackups(const std::optional<std::string>& folder, std::string_view ownFileName) const;
};

}  // namespace amberloom
