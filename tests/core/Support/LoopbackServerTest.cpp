// The test server itself: a stall holds every request that meets it until the next release, and
// stalled requests never keep others from being answered.

#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "LoopbackServer.hpp"

using namespace amberloom;
using amberloom::testing::LoopbackServer;
using namespace std::chrono_literals;

TEST(LoopbackServer, StallsHoldUntilTheNextReleaseWithoutBlockingOthers) {
  LoopbackServer server;
  server.serve("/ok", "fine");
  server.serve("/slow", "late");
  server.fail("/slow", LoopbackServer::Failure::stall);
  CurlHttpSession session(20s);
  const auto get = [&](const std::string& path) {
    return std::async(std::launch::async, [&session, url = server.url(path)] {
      HttpRequest request;
      request.url = url;
      return session.perform(request).status;
    });
  };
  for (int round = 0; round < 2; ++round) {
    std::vector<std::future<long>> stalled;
    for (int i = 0; i < 12; ++i) stalled.push_back(get("/slow"));
    ASSERT_TRUE(server.waitForRequests("/slow", 12u * (round + 1), 5s)) << "round " << round;
    auto other = get("/ok");
    ASSERT_EQ(other.wait_for(3s), std::future_status::ready) << "round " << round;
    EXPECT_EQ(other.get(), 200);
    EXPECT_EQ(stalled.front().wait_for(200ms), std::future_status::timeout) << "round " << round;
    server.releaseStalls();
    for (auto& request : stalled) EXPECT_EQ(request.get(), 200);
  }
}
