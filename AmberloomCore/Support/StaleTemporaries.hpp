#pragma once
// Writes stopped between making their temporary file and renaming it over the target (a crash, a
// kill) leave the temporary behind, in folders that no one else tidies. The application removes
// those of its own folders at start.

#include <chrono>
#include <string>

namespace amberloom {

// A write in progress keeps its temporary fresher than this.
inline constexpr std::chrono::seconds kStaleTemporaryAge{10 * 60};

// Removes the stale temporaries of the files the application writes: preference files in
// ~/Library/Preferences and its ByHost folder, the files of Application Support's AmberLoom and
// its undo history, the keychain stand-in's items, and the backup files in `backupFolder`.
// Never throws.
void sweepStaleTemporaries(const std::string& homeDirectory, const std::string& backupFolder) noexcept;

}  // namespace amberloom
