#include "Platform/AtomicFile.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Platform/FolderLock.hpp"
#include "Platform/Steps.hpp"

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

std::filesystem::path parentOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

bool lockExclusively(int fd, bool wait) {
  int result = 0;
  while ((result = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB))) != 0 && errno == EINTR) {
  }
  return result == 0;
}

// Renames without replacing: one step where the file system can, else a hard link, which never
// replaces either. 0, or the errno of the failure (EEXIST: something stands at `target`).
int renameWithoutReplacing(const std::string& source, const std::string& target) {
  int result = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
  if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
    result = ::link(source.c_str(), target.c_str());
    if (result == 0) {
      ::unlink(source.c_str());
      return 0;
    }
  }
  return result == 0 ? 0 : errno;
}

// The target's folder, created owner-only where missing.
std::filesystem::path folderOf(const std::string& path) {
  const auto folder = parentOf(path);
  if (const auto ec = createPrivateFolders(folder.string()))
    throw FileWriteError(path, "cannot create folder (" + ec.message() + ")");
  return folder;
}

// Writes all of `bytes` at the descriptor's place; false on the first failure (errno tells why).
bool writeAll(int fd, std::string_view bytes) {
  const char* cursor = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, cursor, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    cursor += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

struct Temporary {
  std::string path;
  int fd = -1;  // open only when asked to keep it so
};

// Writes `bytes` to a new temporary file beside `path`, flushed and given `mode`; returns its path,
// and its descriptor too, locked, when `keepOpen`. Throws FileWriteError, leaving nothing behind.
Temporary writeTemporary(const std::filesystem::path& folder, const std::string& path, std::string_view bytes,
                         mode_t mode, bool keepOpen = false) {
  std::string temporary = (folder / ("." + std::filesystem::path(path).filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) throw FileWriteError(path, "cannot create temporary file (" + errnoText() + ")");
  bool ok = writeAll(fd, bytes);
  const std::string reason = ok ? "" : errnoText();
  const std::string name = std::filesystem::path(path).filename().string();
  step("written", name);
  ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  step("flushed", name);
  // Locked before it has its name: no one can see it there unheld. A file system that keeps no
  // locks holds nothing, and the file is kept open all the same.
  if (ok && keepOpen && !lockExclusively(fd, true)) {
    ok = keepsNoLocks(errno);
    if (ok) sayOnceUnguarded(folderOf(path).string(), errno);
  }
  if (!ok || !keepOpen) ::close(fd);
  if (!ok) {
    const std::string why = reason.empty() ? errnoText() : reason;
    ::unlink(temporary.c_str());
    throw FileWriteError(path, "cannot write file (" + why + ")");
  }
  return {temporary, keepOpen ? fd : -1};
}

bool isTemporarySuffix(std::string_view suffix) {
  return suffix.size() == 6 &&
         std::all_of(suffix.begin(), suffix.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

}  // namespace

void writeFileAtomically(const std::string& path, std::string_view bytes, std::optional<unsigned> wanted) {
  const auto folder = folderOf(path);
  // The replacement keeps the mode of the file it replaces, so a private file stays private; a new
  // file is readable by its owner only.
  struct stat existing {};
  const mode_t mode = wanted                                                                  ? static_cast<mode_t>(*wanted)
                      : ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) ? existing.st_mode & 07777
                                                                                          : 0600;
  const std::string temporary = writeTemporary(folder, path, bytes, mode).path;
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = errnoText();
    ::unlink(temporary.c_str());
    throw FileWriteError(path, "cannot write file (" + why + ")");
  }
  step("renamed", std::filesystem::path(path).filename().string());
  syncFolder(folder);
}

namespace {

// Puts a temporary file in place at `path` unless something stands there; false then, with the
// temporary gone. Throws FileWriteError.
bool placeNew(const std::filesystem::path& folder, const std::string& path, const std::string& temporary) {
  if (const int error = renameWithoutReplacing(temporary, path)) {
    ::unlink(temporary.c_str());
    if (error == EEXIST) return false;
    throw FileWriteError(path, "cannot write file (" + std::string(std::strerror(error)) + ")");
  }
  step("renamed", std::filesystem::path(path).filename().string());
  syncFolder(folder);
  return true;
}

}  // namespace

bool writeNewFileAtomically(const std::string& path, std::string_view bytes) {
  const auto folder = folderOf(path);
  return placeNew(folder, path, writeTemporary(folder, path, bytes, 0600).path);
}

std::optional<HeldFile> writeNewHeldFileAtomically(const std::string& path, std::string_view bytes) {
  const auto folder = folderOf(path);
  auto temporary = writeTemporary(folder, path, bytes, 0600, true);
  HeldFile held(path, temporary.fd);  // released on every way out but the last
  if (!placeNew(folder, path, temporary.path)) return std::nullopt;
  return held;
}

HeldFile::HeldFile(HeldFile&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) { other.fd_ = -1; }

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
  if (this != &other) {
    release();
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool HeldFile::moveTo(const std::string& target) {
  if (fd_ < 0 || !moveWithoutReplacing(path_, target)) return false;
  path_ = target;
  return true;
}

bool moveWithoutReplacing(const std::string& source, const std::string& target) {
  if (renameWithoutReplacing(source, target) != 0) return false;
  step("renamed", std::filesystem::path(target).filename().string());
  syncFolder(parentOf(target));
  return true;
}

void HeldFile::release() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  fd_ = -1;
}

bool isHeldElsewhere(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  const bool held = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && !lockExclusively(fd, false) &&
                    errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

void appendToFile(const std::string& path, std::string_view bytes, std::optional<std::uint64_t> keepBytes) {
  const auto folder = folderOf(path);
  const bool existed = ::access(path.c_str(), F_OK) == 0;
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw FileWriteError(path, "cannot open file to append (" + errnoText() + ")");
  bool ok = (!keepBytes || ::ftruncate(fd, static_cast<off_t>(*keepBytes)) == 0) && writeAll(fd, bytes);
  const std::string name = std::filesystem::path(path).filename().string();
  step("appended", name);
  ok = ok && ::fdatasync(fd) == 0;
  const std::string reason = ok ? "" : errnoText();
  ::close(fd);
  if (!ok) throw FileWriteError(path, "cannot append to file (" + reason + ")");
  step("flushed", name);
  if (!existed) syncFolder(folder);
}

std::error_code createPrivateFolders(const std::string& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return {};
  std::filesystem::path made;
  for (const auto& part : std::filesystem::path(folder)) {
    made /= part;
    if (::mkdir(made.c_str(), 0700) == 0) {
      // Until its parent is flushed, a power cut may lose the folder with whatever is put in it.
      syncFolder(parentOf(made));
      step("folder made", made.filename().string());
      continue;
    }
    if (errno != EEXIST) return {errno, std::generic_category()};
    if (!std::filesystem::is_directory(made, ec)) return ec ? ec : std::make_error_code(std::errc::not_a_directory);
  }
  return {};
}

void removeStaleTemporaries(const std::string& folder, const std::function<bool(std::string_view name)>& isTarget,
                            std::chrono::seconds olderThan) {
  const auto cutoff = std::chrono::system_clock::now() - olderThan;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // "." + target + "." + XXXXXX, as writeTemporary names them.
    if (name.size() < 9 || name.front() != '.' || name[name.size() - 7] != '.') continue;
    if (!isTemporarySuffix(std::string_view(name).substr(name.size() - 6))) continue;
    if (!isTarget(std::string_view(name).substr(1, name.size() - 8))) continue;
    struct stat info {};
    if (::lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (std::chrono::system_clock::from_time_t(info.st_mtime) >= cutoff) continue;
    ::unlink(it->path().c_str());
  }
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
