#include "Platform/FolderLock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/AtomicFile.hpp"

namespace amberloom::platform {

FolderLock::FolderLock(const std::string& folder) {
  const std::error_code made = createPrivateFolders(folder);
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) error_ = made ? made : std::error_code(errno, std::generic_category());
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace amberloom::platform
