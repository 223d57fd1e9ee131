// The home every test gets, also when one process runs a whole binary: the first test leaves its
// home full of files it cannot even open, a variable of its own and another working folder; the
// second finds none of it. CTest runs each in a process of its own, where they hold all the same.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TestHome.hpp"

namespace th = amberloom::testing;
namespace fs = std::filesystem;

namespace {

// The state each test is to start from, as the first test finds it.
struct Start {
  std::string home;
  fs::path workingFolder;
};
Start& start() {
  static Start first{th::home(), fs::current_path()};
  return first;
}

TEST(TestHome, ATestLeavesItsHomeAndEnvironmentAsItLikes) {
  start();
  th::writeFile(th::home() + "/Library/Preferences/left.plist", "left behind");
  fs::create_directories(th::home() + "/locked/inside");
  th::writeFile(th::home() + "/locked/inside/file", "x");
  ::chmod((th::home() + "/locked/inside").c_str(), 0);
  ::chmod((th::home() + "/locked").c_str(), 0);
  ::setenv("AMBERLOOM_LEFT_BY_A_TEST", "1", 1);
  ::setenv("HOME", "/nowhere", 1);
  fs::current_path("/");
  SUCCEED();
}

TEST(TestHome, TheNextTestFindsItEmptyAndTheEnvironmentAsTheProcessBegan) {
  EXPECT_EQ(th::home(), start().home);
  EXPECT_EQ(fs::current_path(), start().workingFolder);
  EXPECT_EQ(std::getenv("AMBERLOOM_LEFT_BY_A_TEST"), nullptr);
  EXPECT_TRUE(fs::is_directory(th::home()));
  EXPECT_TRUE(fs::is_empty(th::home())) << th::filesBelow(th::home()).size() << " files left";
}

}  // namespace
