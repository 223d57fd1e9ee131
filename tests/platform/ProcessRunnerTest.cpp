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

// Whether a process is still alive (a zombie waiting for its parent counts as ended).
bool isRunning(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

bool endsWithin(const std::string& pid, std::chrono::milliseconds patience) {
  const auto until = std::chrono::steady_clock::now() + patience;
  while (isRunning(pid)) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// The process ids the script wrote to ~/pids, one a line.
std::vector<std::string> recordedPids() {
  std::istringstream lines(test::readFile(test::home() + "/pids"));
  std::vector<std::string> pids;
  for (std::string pid; std::getline(lines, pid);) pids.push_back(pid);
  return pids;
}

}  // namespace

TEST(ProcessRunner, ChildPastItsTimeLimitIsEndedWithWhatItStarted) {
  struct Case {
    const char* what;
    const char* script;
  };
  const Case cases[] = {
      // The shell's own child keeps the pipes open after the shell is gone.
      {"a child of its own holds the pipes", "sleep 30 & echo $! > \"$HOME/pids\"\necho $$ >> \"$HOME/pids\"\nwait\n"},
      // Nothing left to read, but the process never exits.
      {"pipes closed, still running", "echo $$ > \"$HOME/pids\"\nexec >/dev/null 2>&1\nexec sleep 30\n"},
  };
  for (const auto& c : cases) {
    const auto script = test::writeExecutable(test::home() + "/bin/stall", std::string("#!/bin/sh\n") + c.script);
    const auto start = std::chrono::steady_clock::now();
    const auto result = runProcess(script, {}, 300ms);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(result.has_value()) << c.what;
    EXPECT_TRUE(result->timedOut) << c.what;
    EXPECT_NE(result->exitStatus, 0) << c.what;
    EXPECT_GE(took, 300ms) << c.what;
    EXPECT_LT(took, 5s) << c.what;
    const auto pids = recordedPids();
    EXPECT_FALSE(pids.empty()) << c.what;
    for (const auto& pid : pids) EXPECT_TRUE(endsWithin(pid, 2s)) << c.what << ": " << pid;
    // The shell itself is reaped, not left as a zombie.
    EXPECT_FALSE(std::ifstream("/proc/" + pids.back() + "/stat").good()) << c.what;
  }
}

TEST(ProcessRunner, ChildWithinItsTimeLimitRunsAsWithout) {
  const auto script = test::writeExecutable(test::home() + "/bin/quick",
                                            "#!/bin/sh\nprintf '%s' \"$1\"\necho oops >&2\nsleep 0.2\nexit 3\n");
  for (const auto limit : {std::optional<std::chrono::milliseconds>(), std::optional(5000ms)}) {
    const auto result = runProcess(script, {"out"}, limit);
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->timedOut);
    EXPECT_EQ(result->exitStatus, 3);
    EXPECT_EQ(result->standardOutput, "out");
    EXPECT_EQ(result->standardError, "oops\n");
  }
  EXPECT_FALSE(runProcess(test::home() + "/bin/missing", {}, 1000ms).has_value());
}
