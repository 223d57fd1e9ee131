#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "Sync/BackgroundSync.hpp"

using amberloom::BackgroundSync;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(BackgroundSync, OnlyTheExactSwitchStartsTheHeadlessRun) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {}, {"AmberLoom"}, {"AmberLoom", "--background-sync=1"}, {"--background-syncing"}, {"background-sync"}}) {
    std::atomic<bool> ran = false;
    BackgroundSync::runIfRequested(arguments, [&] { ran = true; });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(ran) << "no work starts without the switch";
  }
}

TEST(BackgroundSync, ProcessEndsWithStatusZeroWhenTheWorkReturnsOrTheLimitPasses) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Work that outlasts the limit by far: what the child printed tells which of the two ended it,
  // whatever the machine's load.
  constexpr auto endless = std::chrono::minutes(10);
  const struct {
    std::vector<std::string> arguments;
    std::chrono::milliseconds workTakes;
    std::string printed;  // what the child wrote before it ended
  } cases[] = {
      {{"AmberLoom", "--background-sync"}, 0ms, "work started\nwork done\n"},
      {{"--background-sync", "-NSDocumentRevisionsDebugMode", "YES"}, 0ms, "work started\nwork done\n"},
      {{"AmberLoom", "--background-sync"}, endless, "work started\n"},  // cut off at the 300 ms limit
  };
  for (const auto& c : cases) {
    const auto start = Clock::now();
    EXPECT_EXIT(
        {
          BackgroundSync::runIfRequested(
              c.arguments,
              [&] {
                std::cerr << "work started\n";
                std::this_thread::sleep_for(c.workTakes);
                std::cerr << "work done\n";
                throw std::runtime_error("escaped");
              },
              300ms);
          std::cerr << "returned\n";
          std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "^" + c.printed + "$");
    EXPECT_LT(Clock::now() - start, endless / 2);
  }
}
