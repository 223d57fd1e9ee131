#include "Platform/FolderLock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/AtomicFile.hpp"

namespace amberloom::platform {

FolderLock::FolderLock(const std::string& folder) noexcept {
  const std::error_code made = createPrivateFolders(folder);
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = made ? made : std::error_code(errno, std::generic_category());
    return;
  }
  int locked = 0;
  while ((locked = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (locked != 0) {
    // Open but not locked (a file system without locks, the kernel's locks used up): nothing held.
    error_ = std::error_code(errno, std::generic_category());
    ::close(fd_);
    fd_ = -1;
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace amberloom::platform
