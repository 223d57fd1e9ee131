#include "Platform/FolderLock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "Platform/AtomicFile.hpp"

namespace amberloom::platform {
bool keepsNoLocks(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL; }

void sayOnceUnguarded(const std::string& folder, int error) {
  static std::atomic_flag said = ATOMIC_FLAG_INIT;
  if (said.test_and_set()) return;
  const std::string line = "AmberLoom: the file system of " + folder + " keeps no locks (" +
                           std::error_code(error, std::generic_category()).message() +
                           "); its files are written without the guard against other programs writing at once\n";
  [[maybe_unused]] const auto written = ::write(STDERR_FILENO, line.data(), line.size());
}

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
  if (locked != 0 && keepsNoLocks(errno)) {
    // A file system that keeps no locks at all: refusing would stop every write there for good.
    // The writes go on as a single writer's would, and the user's log says so once.
    sayOnceUnguarded(folder, errno);
    unguarded_ = true;
  } else if (locked != 0) {
    // Open but not locked (the kernel's locks used up): nothing held.
    error_ = std::error_code(errno, std::generic_category());
    ::close(fd_);
    fd_ = -1;
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace amberloom::platform
