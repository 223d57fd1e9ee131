#pragma once
// An exclusive advisory lock (flock) on a folder for the life of the object. Every process that
// read-modify-writes a file in the folder takes it first: the application, the login-time run and
// the `defaults` command. Two locks on one folder exclude each other in one process too.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace amberloom::platform {

class FolderLock {
 public:
  // Creates the folder when missing. Without a folder to open, nothing is locked (`locked()` false).
  explicit FolderLock(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace amberloom::platform
