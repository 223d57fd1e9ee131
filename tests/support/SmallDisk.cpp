#include "SmallDisk.hpp"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

namespace amberloom::testing {
namespace {

constexpr const char* kFiller = "/.small-disk-filler";

}  // namespace

SmallDisk::SmallDisk(std::string folder, std::size_t bytes) : folder_(std::move(folder)) {
  std::error_code ignored;
  std::filesystem::create_directories(folder_, ignored);
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

void SmallDisk::fill() {
  const int fd = ::open((folder_ + kFiller).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const std::string block(4096, 'x');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  ::close(fd);
}

void SmallDisk::free() { ::unlink((folder_ + kFiller).c_str()); }

void SmallDisk::setReadOnly(bool readOnly) {
  ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0), nullptr);
}

}  // namespace amberloom::testing
