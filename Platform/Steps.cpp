#include "Platform/Steps.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <string>

namespace amberloom::platform {

void step(std::string_view what, std::string_view detail) {
  const char* log = std::getenv("AMBERLOOM_STEP_LOG");
  const char* killAt = std::getenv("AMBERLOOM_KILL_AT_STEP");
  if (!log && !killAt) return;
  std::string name(what);
  if (!detail.empty()) name.append(" ").append(detail);
  if (log) {
    const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
      const std::string line = name + "\n";
      [[maybe_unused]] const auto written = ::write(fd, line.data(), line.size());
      ::close(fd);
    }
  }
  if (!killAt) return;
  const std::string_view wanted(killAt);
  const auto colon = wanted.find(':');
  const std::string_view prefix = colon == std::string_view::npos ? std::string_view() : wanted.substr(colon + 1);
  if (!name.starts_with(prefix)) return;
  // The one counter: the steps of this process so far, as the variable counts them.
  static std::atomic<long> counted{0};
  if (++counted == std::atol(std::string(wanted.substr(0, colon)).c_str())) ::raise(SIGKILL);
}

}  // namespace amberloom::platform
