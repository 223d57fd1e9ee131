#pragma once
// Writes stopped between making their temporary file and renaming it over the target (a crash, a
// kill) leave the temporary behind, in folders that no one else tidies. The application removes
// those of its own folders at start.

#include <chrono>
#include <string>
#include <string_view>

namespace amberloom {

// A write in progress keeps its temporary fresher than this.
inline constexpr std::chrono::seconds kStaleTemporaryAge{10 * 60};

// Removes the stale temporaries of the files the application writes: preference files in
// ~/Library/Preferences and its ByHost folder, the files of Application Support's AmberLoom and
// its undo history, the keychain stand-in's items, and the backup files in `backupFolder`. Those of
// the undo history (written under its lock) and of this Mac's own backup file
// `ownBackupFileName` (none when empty) go whatever their age. Never throws.
void sweepStaleTemporaries(const std::string& homeDirectory, const std::string& backupFolder,
                           std::string_view ownBackupFileName = {}) noexcept;
// Removes every temporary of this Mac's own backup file in `backupFolder`: called where no write
// of it can be under way (at start, before the next backup). Never throws.
void removeOwnBackupTemporaries(const std::string& backupFolder, std::string_view ownBackupFileName) noexcept;

}  // namespace amberloom
