#pragma once
// What identifies one version of a file on disk, for keeping what was read from it until it
// changes: device, inode, size, and modification and status-change times to the nanosecond. An
// atomic replace (every writer of the system) makes a new inode, an in-place write moves the
// times, a change of permissions moves the status-change time. A file whose times are not yet
// older than the clock's current tick is not settled: another write within that same tick could
// leave every field as it was, so what was read from it must not be kept on its identity alone.

#include <optional>
#include <string>

namespace amberloom::platform {

struct FileIdentity {
  unsigned long long device = 0, inode = 0;
  long long size = 0, modifiedSeconds = 0, modifiedNanoseconds = 0, changedSeconds = 0, changedNanoseconds = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at `path`; none when there is none (absent, a folder, a FIFO).
// `settled` says whether its times are older than the clock's tick. Never throws.
std::optional<FileIdentity> identifyFile(const std::string& path, bool& settled) noexcept;

}  // namespace amberloom::platform
