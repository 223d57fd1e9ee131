// scripts/run as the user starts it, over a stand-in for the application: it starts the local
// account server and prints the outbox's whole address, which opens the outbox.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "AccountServerProcess.hpp"
#include "ChildProcess.hpp"
#include "TestHome.hpp"

using namespace amberloom::testing;
using namespace std::chrono_literals;

TEST(RunScript, PrintsTheAddressThatOpensTheOutbox) {
  const std::string build = home() + "/build", done = home() + "/looked";
  std::filesystem::create_directories(build + "/bin");
  std::filesystem::create_symlink(AMBERLOOM_ACCOUNT_SERVER_PATH, build + "/bin/amberloom-account-server");
  // The application's stand-in runs until the test has looked; the server stops with it.
  writeFile(build + "/bin/AmberLoom", "#!/bin/sh\nwhile [ ! -e '" + done + "' ]; do sleep 0.05; done\n");
  ::chmod((build + "/bin/AmberLoom").c_str(), 0755);
  ChildProcess run({std::string(AMBERLOOM_SOURCE_DIR) + "/scripts/run"},
                   {{"AMBERLOOM_BUILD_DIR", build}, {"AMBERLOOM_NO_BUILD", "1"}, {"AMBERLOOM_ACCOUNT_URL", ""},
                    {"DISPLAY", ":0"}});
  std::string address;
  ASSERT_TRUE(run.waitUntil([&] {
    const std::string out = run.standardOutput();
    const auto at = out.find("open http://");
    if (at != std::string::npos) address = out.substr(at + 5, out.find(' ', at + 5) - at - 5);
    return !address.empty();
  })) << run.standardOutput() << run.standardError();
  const std::string key =
      readFile(home() + "/Library/Application Support/AmberLoom Account Server/outbox-key").substr(0, 32);
  EXPECT_TRUE(address.ends_with("/outbox?key=" + key)) << address;
  EXPECT_NE(httpGet(address).find("<title>Outbox</title>"), std::string::npos);
  writeFile(done, "");
  EXPECT_EQ(run.waitForExit(), 0);
}
