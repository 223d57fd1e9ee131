#pragma once

// A stand-in for a request that never answers: it returns only once its caller breaks it off, or
// once the limit the request itself names is up.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>

namespace amberloom::testing {

inline void waitUntilBrokenOff(std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any never;
  std::unique_lock lock(mutex);
  never.wait(lock, stop, [] { return false; });
}

// False once `limit` (none: no limit) is up, true when broken off before.
inline bool waitUntilBrokenOff(std::stop_token stop, std::optional<std::chrono::milliseconds> limit) {
  if (!limit) {
    waitUntilBrokenOff(stop);
    return true;
  }
  std::mutex mutex;
  std::condition_variable_any never;
  std::unique_lock lock(mutex);
  never.wait_for(lock, stop, *limit, [] { return false; });
  return stop.stop_requested();
}

}  // namespace amberloom::testing
