#pragma once
// Whole-file writes that a reader never sees half done: a temporary file in the same folder
// ("." + the target's name + "." + six letters or digits), flushed to disk, then renamed over the
// target. Folders made on the way are owner-only, as a Mac keeps the user's Library.

#include <chrono>
#include <functional>
#include <stdexcept>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace amberloom::platform {

class FileWriteError : public std::runtime_error {
 public:
  FileWriteError(std::string path, const std::string& reason)
      : std::runtime_error(reason + ": " + path), path_(std::move(path)), reason_(reason) {}
  const std::string& path() const { return path_; }
  // Why, without the path (for a message that names the file already).
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// Replaces `path` with `bytes`, creating missing parent folders. The new file keeps the mode of the
// file it replaces, or is created 0600; `mode`, when given, is used instead (never wider at any
// moment). Throws FileWriteError; on failure the old file is left as it was.
void writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::optional<unsigned> mode = std::nullopt);

// As writeFileAtomically for a file that must not exist yet: never replaces anything. False, with
// nothing written, when something already stands at `path` (another process may have put it
// there a moment ago). Throws FileWriteError for any other failure.
bool writeNewFileAtomically(const std::string& path, std::string_view bytes);

// Creates `folder` and every missing folder above it, each owner-only (0700); folders that exist
// are left as they are. The error of the first folder that could not be made, not_a_directory
// when something else stands in the way; none when the folder exists.
std::error_code createPrivateFolders(const std::string& folder);

// Removes the temporaries that writes stopped between creating and renaming them left in `folder`
// (not below it): regular files named "." + a name `isTarget` accepts + "." + six letters or
// digits, last changed more than `olderThan` ago (a write in progress keeps its file fresh).
// Failures are ignored.
void removeStaleTemporaries(const std::string& folder, const std::function<bool(std::string_view name)>& isTarget,
                            std::chrono::seconds olderThan);

// Reads the whole file into `bytes`; false when it cannot be read or is no regular file (a FIFO
// or device is never opened for blocking reads).
bool readWholeFile(const std::string& path, std::string& bytes);

}  // namespace amberloom::platform
