#pragma once
// Whole-file writes that a reader never sees half done: a temporary file in the same folder,
// flushed to disk, then renamed over the target.

#include <stdexcept>
#include <optional>
#include <string>
#include <string_view>

namespace amberloom::platform {

class FileWriteError : public std::runtime_error {
 public:
  FileWriteError(std::string path, const std::string& reason)
      : std::runtime_error(reason + ": " + path), path_(std::move(path)) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Replaces `path` with `bytes`, creating missing parent folders. The new file keeps the mode of the
// file it replaces, or is created 0600; `mode`, when given, is used instead (never wider at any
// moment). Throws FileWriteError; on failure the old file is left as it was.
void writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::optional<unsigned> mode = std::nullopt);

// Reads the whole file into `bytes`; false when it cannot be read or is no regular file (a FIFO
// or device is never opened for blocking reads).
bool readWholeFile(const std::string& path, std::string& bytes);

}  // namespace amberloom::platform
