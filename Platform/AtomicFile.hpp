#pragma once
// Whole-file writes that a reader never sees half done: a temporary file in the same folder,
// flushed to disk, then renamed over the target.

#include <stdexcept>
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

// Replaces `path` with `bytes`, creating missing parent folders; the file gets the permission bits
// `mode` (never wider at any moment). Throws FileWriteError; on failure the old file is left as it
// was.
void writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0644);

// The whole file, or none when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes);

}  // namespace amberloom::platform
