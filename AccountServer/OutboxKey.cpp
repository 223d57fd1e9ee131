#include "OutboxKey.hpp"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace amberloom::server {
namespace {

constexpr std::size_t kKeyBytes = 16;

std::string freshKey() {
  unsigned char raw[kKeyBytes];
  randombytes_buf(raw, sizeof raw);
  char hex[2 * kKeyBytes + 1];
  sodium_bin2hex(hex, sizeof hex, raw, sizeof raw);
  return hex;
}

// The file's whole text; none when it does not exist.
std::optional<std::string> readKeyFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw OutboxKeyError(file, std::strerror(errno));
  }
  struct stat status {};
  std::string text;
  char buffer[256];
  ssize_t n = 0;
  const bool narrowed = ::fstat(fd, &status) == 0 && ((status.st_mode & 077) == 0 || ::fchmod(fd, 0600) == 0);
  while (narrowed && text.size() < 4096 && (n = ::read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  if (!narrowed) throw OutboxKeyError(file, "cannot make it private");
  if (n < 0) throw OutboxKeyError(file, "cannot read it");
  return text;
}

}  // namespace

bool isOutboxKeyShape(const std::string& key) {
  if (key.size() != 2 * kKeyBytes) return false;
  for (char c : key)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

std::string loadOrMakeOutboxKey(const std::filesystem::path& folder) {
  if (sodium_init() < 0) throw OutboxKeyError(folder, "no random source");
  const auto file = folder / "outbox-key";
  if (auto text = readKeyFile(file)) {
    while (!text->empty() && (text->back() == '\n' || text->back() == '\r' || text->back() == ' ')) text->pop_back();
    if (isOutboxKeyShape(*text)) return *text;
  }
  // Written aside and moved into place, so that a crash never leaves half a key behind.
  const std::string key = freshKey();
  const auto aside = folder / "outbox-key.new";
  const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw OutboxKeyError(aside, std::strerror(errno));
  const std::string line = key + "\n";
  const bool written = ::fchmod(fd, 0600) == 0 &&
                       ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) && ::fsync(fd) == 0;
  ::close(fd);
  if (!written || ::rename(aside.c_str(), file.c_str()) != 0) {
    ::unlink(aside.c_str());
    throw OutboxKeyError(file, "cannot write it");
  }
  return key;
}

}  // namespace amberloom::server
