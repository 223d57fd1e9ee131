#include "Platform/AtomicFile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace amberloom::platform {
namespace {

std::string errnoText() { return std::strerror(errno); }

void syncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes, std::optional<unsigned> wanted) {
  const std::filesystem::path target(path);
  const auto folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw FileWriteError(path, "cannot create folder (" + ec.message() + ")");

  // The replacement keeps the mode of the file it replaces, so a private file stays private; a new
  // file is readable by its owner only.
  struct stat existing {};
  const mode_t mode = wanted                                                                  ? static_cast<mode_t>(*wanted)
                      : ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) ? existing.st_mode & 07777
                                                                                          : 0600;

  std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) throw FileWriteError(path, "cannot create temporary file (" + errnoText() + ")");
  const char* cursor = bytes.data();
  std::size_t left = bytes.size();
  bool ok = true;
  while (left > 0) {
    const ssize_t written = ::write(fd, cursor, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ok = false;
      break;
    }
    cursor += written;
    left -= static_cast<std::size_t>(written);
  }
  const std::string reason = ok ? "" : errnoText();
  ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = reason.empty() ? errnoText() : reason;
    ::unlink(temporary.c_str());
    throw FileWriteError(path, "cannot write file (" + why + ")");
  }
  syncFolder(folder);
}

bool readWholeFile(const std::string& path, std::string& bytes) {
  // Opened without blocking, so a FIFO or device standing at the path cannot stall the caller;
  // only a regular file is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  std::string content;
  char buffer[65536];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;  // a read error is not the end of the file
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (n < 0) return false;
  bytes = std::move(content);
  return true;
}

}  // namespace amberloom::platform
