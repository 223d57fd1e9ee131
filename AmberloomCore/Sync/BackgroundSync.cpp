#include "Sync/BackgroundSync.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "Support/BackgroundTask.hpp"
#include "Support/Log.hpp"
#include "Support/WaitLimit.hpp"

namespace amberloom {

std::chrono::milliseconds BackgroundSync::currentTimeLimit() { return waitLimit(kSyncAtLoginLimitVariable, timeLimit); }

void BackgroundSync::runIfRequested(const std::vector<std::string>& arguments, std::function<void()> work,
                                    std::chrono::milliseconds limit) {
  if (std::find(arguments.begin(), arguments.end(), argument) == arguments.end()) return;
  auto finished = runInBackground([work = std::move(work)] {
    try {
      work();
    } catch (...) {
      // The work owns its failures and says them itself; one that escapes still ends the run
      // quietly, noted for a closer look.
      log::dropped(log::Area::sync, "Sync at login failed", log::Level::info);
    }
  });
  finished.wait_for(limit);
  // The work may still be running: leave without destroying the objects it may be using.
  std::fflush(nullptr);
  std::_Exit(0);
}

}  // namespace amberloom
