#pragma once
// The headless launch mode that sync at login starts: when the process was started with
// "--background-sync", the unattended sync runs on the worker pool while the starting thread
// waits at most a minute, and then the process ends with status 0 whether or not the work
// finished. Nothing of the user interface is built in this mode.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace amberloom {

struct BackgroundSync {
  static constexpr const char* argument = "--background-sync";
  static constexpr std::chrono::seconds timeLimit{60};
  // timeLimit, or what the environment sets (Support/WaitLimit.hpp).
  static std::chrono::milliseconds currentTimeLimit();

  // Returns at once when no element of `arguments` is exactly "--background-sync". Otherwise runs
  // `work` on the worker pool, waits until it returns or `limit` has passed, and ends the process
  // with status 0 without returning. `work` must handle its own failures, must not need the
  // thread that called this (it stays blocked), and must own everything it touches; whatever it
  // is still doing when the limit passes is cut off by the exit.
  static void runIfRequested(const std::vector<std::string>& arguments, std::function<void()> work,
                             std::chrono::milliseconds limit = currentTimeLimit());
};

}  // namespace amberloom
