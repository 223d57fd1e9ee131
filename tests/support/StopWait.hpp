#pragma once

// A stand-in for a request that never answers: it returns only once its caller breaks it off.

#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace amberloom::testing {

inline void waitUntilBrokenOff(std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any never;
  std::unique_lock lock(mutex);
  never.wait(lock, stop, [] { return false; });
}

}  // namespace amberloom::testing
