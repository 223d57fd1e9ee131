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
  // says why. True also on a file system that keeps no locks at all (see `unguarded`).
  bool locked() const { return fd_ >= 0; }
  // The folder's file system keeps no locks, so nothing is held: writers there go on unguarded
  // against other processes, as on a Mac's own disk they would be guarded. Said once, on standard
  // error, by the first lock that finds it.
  bool unguarded() const { return unguarded_; }
  const std::error_code& error() const { return error_; }

 private:
  int fd_ = -1;
  bool unguarded_ = false;
  std::error_code error_;
};

// Whether a failed flock's `error` says that the file system keeps no locks at all, rather than
// that a lock could not be had.
bool keepsNoLocks(int error);
// Says on standard error, once per process, that the file system of `folder` keeps no locks.
void sayOnceUnguarded(const std::string& folder, int error);

}  // namespace amberloom::platform
