#pragma once
// An exclusive advisory lock (flock) on a folder, held for the life of the object. Every writer
// that replaces a file of the folder after reading it (this process, the login-time run, the
// `defaults` command) holds it across the read and the replacement, so no writer's change is lost
// to another's. Nothing that takes the same lock may be called while it is held.

#include <string>

namespace amberloom::platform {

class FolderLock {
 public:
  // Creates the folder (owner-only, with its missing parents) and waits for the lock.
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // False when the folder could not be made or opened: nothing is held then.
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace amberloom::platform
