#pragma once
// Whole-file writes that a reader never sees half done: a temporary file in the same folder
// ("." + the target's name + "." + six letters or digits), flushed to disk, then renamed over the
// target, and the folder flushed. Folders made on the way are owner-only, as a Mac keeps the
// user's Library, and each is flushed into its parent as it is made, so that a power cut cannot
// keep the file and lose the folder that holds it.

#include <chrono>
#include <cstdint>
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

// A file that writeNewHeldFileAtomically put in place and that this process holds: open, with an
// exclusive advisory lock (flock) taken before the file appeared under its name, until release()
// or destruction (or the process's end, however it ends). Another process asks isHeldElsewhere.
// On a file system that keeps no locks the file is open but not held (said once, see FolderLock).
class HeldFile {
 public:
  HeldFile() = default;
  HeldFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  HeldFile(HeldFile&& other) noexcept;
  HeldFile& operator=(HeldFile&& other) noexcept;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  ~HeldFile() { release(); }

  bool held() const { return fd_ >= 0; }
  // The file's path: where it was put, or where moveTo moved it.
  const std::string& path() const { return path_; }
  // Renames the file to `target` without replacing anything there, still held, and flushes the
  // folder; false (the file left where it is) when something stands at `target` or the rename
  // fails.
  bool moveTo(const std::string& target);
  void release();

 private:
  std::string path_;
  int fd_ = -1;
};

// As writeNewFileAtomically, and the file stays held by the caller; none when something already
// stands at `path`. Throws FileWriteError.
std::optional<HeldFile> writeNewHeldFileAtomically(const std::string& path, std::string_view bytes);

// Renames `source` to `target` unless something stands there, then flushes the target's folder;
// false, with nothing moved, when something does or the rename fails. Never throws.
bool moveWithoutReplacing(const std::string& source, const std::string& target);

// Whether a live process other than the caller's open file holds the lock of the regular file
// at `path` (see HeldFile). False when there is no such file or it cannot be opened. Never throws.
bool isHeldElsewhere(const std::string& path);

// Appends `bytes` to the file at `path` (created owner-only with its folders when missing), after
// cutting it to `keepBytes` when given (what a killed writer left half written), then flushes the
// file, and the folder when the file was made. A reader sees the file only grow while it is
// written; a crash may leave a first part of `bytes` at the end. Throws FileWriteError.
void appendToFile(const std::string& path, std::string_view bytes, std::optional<std::uint64_t> keepBytes = std::nullopt);

// Creates `folder` and every missing folder above it, each owner-only (0700), each flushed into its
// parent once made; folders that exist are left as they are. The error of the first folder that
// could not be made, not_a_directory when something else stands in the way; none when the folder
// exists.
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
