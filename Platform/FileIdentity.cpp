#include "Platform/FileIdentity.hpp"

#include <sys/stat.h>
#include <time.h>

namespace amberloom::platform {
namespace {

bool earlier(long long seconds, long long nanoseconds, const timespec& than) {
  return seconds < than.tv_sec || (seconds == than.tv_sec && nanoseconds < than.tv_nsec);
}

}  // namespace

// File times are taken from the kernel's coarse clock (or finer), so a write made after this
// clock has moved past a file's times cannot give the file those same times again. The clock is
// read before the file is examined, which makes `settled` a safe judgement of what was examined.
std::optional<FileIdentity> identifyFile(const std::string& path, bool& settled) noexcept {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const FileIdentity identity{info.st_dev,           info.st_ino,          info.st_size,
                              info.st_mtim.tv_sec,   info.st_mtim.tv_nsec, info.st_ctim.tv_sec,
                              info.st_ctim.tv_nsec};
  settled = earlier(identity.modifiedSeconds, identity.modifiedNanoseconds, now) &&
            earlier(identity.changedSeconds, identity.changedNanoseconds, now);
  return identity;
}

}  // namespace amberloom::platform
