#pragma once
// An exclusive advisory lock (flock) on a folder, held for the life of the object. Every writer
// that replaces a file of the folder after reading it (this process, the login-time run, the
// `defaults` command) holds it across the read and the replacement, so no writer's change is lost
// to another's. Nothing that takes the same lock may be called while it is held.

#include <string>
#include <system_error>

namespace amberloom::platform {

class FolderLock {
 public:
  // Creates the folder (owner-only, with its missing parents) and waits for the lock. Never throws:
  // every user checks `locked()` and refuses to replace a file it does not hold the lock for.
  explicit FolderLock(const std::string& folder) noexcept;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // False when the folder could not be made, opened or locked: nothing is held then, and `error`
  // says why.
  bool locked() const { return fd_ >= 0; }
  const std::error_code& error() const { return error_; }

 private:
  int fd_ = -1;
  std::error_code error_;
};

}  // namespace amberloom::platform
