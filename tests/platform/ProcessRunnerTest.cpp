#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "Platform/ProcessRunner.hpp"
#include "TestHome.hpp"

using namespace amberloom::platform;
namespace test = amberloom::testing;
using namespace std::chrono_literals;

namespace {

// Whether the process ends (or is only a zombie left for its parent) within two seconds.
bool ends(const std::string& pid) {
  for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(10ms)) {
    std::string stat;
    std::getline(std::ifstream("/proc/" + pid + "/stat"), stat);
    if (stat.empty() || stat.substr(stat.rfind(')') + 2, 1) == "Z") return true;
  }
  return false;
}

}  // namespace

TEST(ProcessRunner, ChildPastItsTimeLimitIsEndedWithWhatItStarted) {
  const char* scripts[] = {
      // The shell's own child keeps the pipes open after the shell is gone.
      "sleep 30 & echo $! > \"$HOME/pids\"\necho $$ >> \"$HOME/pids\"\nwait\n",
      // Nothing left to read, but the process never exits.
      "echo $$ > \"$HOME/pids\"\nexec >/dev/null 2>&1\nexec sleep 30\n",
  };
  for (const char* script : scripts) {
    const auto path = test::writeExecutable(test::home() + "/bin/stall", std::string("#!/bin/sh\n") + script);
    const auto start = std::chrono::steady_clock::now();
    const auto result = runProcess(path, {}, 300ms);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(result.has_value()) << script;
    EXPECT_TRUE(result->timedOut) << script;
    EXPECT_NE(result->exitStatus, 0) << script;
    EXPECT_TRUE(took >= 300ms && took < 5s) << script;
    std::istringstream pids(test::readFile(test::home() + "/pids"));
    std::string pid, shell;
    while (std::getline(pids, pid)) EXPECT_TRUE(ends(shell = pid)) << script << pid;
    // The shell itself, the last one listed, is reaped rather than left a zombie.
    ASSERT_FALSE(shell.empty());
    EXPECT_FALSE(std::ifstream("/proc/" + shell + "/stat").good()) << script;
  }
}
