#include "ServingThread.hpp"

#include <httplib.h>

#include <atomic>
#include <memory>

namespace amberloom::testing {

std::thread serveInBackground(httplib::Server& server) {
  const auto loopEnded = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([&server, loopEnded] {
    server.listen_after_bind();
    *loopEnded = true;
  });
  while (!server.is_running() && !*loopEnded) std::this_thread::yield();
  return thread;
}

}  // namespace amberloom::testing
