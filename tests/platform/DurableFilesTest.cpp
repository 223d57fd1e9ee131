// Files that outlive a crash: folders made on the way flushed into their parents, files held by
// the process writing them while it lives, appends that a torn end does not spoil.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "Platform/AtomicFile.hpp"
#include "TestHome.hpp"

using namespace amberloom::platform;
namespace th = amberloom::testing;

namespace {

std::vector<std::string> stepsOf(const std::function<void()>& work) {
  const std::string log = th::home() + "/steps.log";
  ::setenv("AMBERLOOM_STEP_LOG", log.c_str(), 1);
  work();
  ::unsetenv("AMBERLOOM_STEP_LOG");
  std::vector<std::string> steps;
  std::istringstream lines(th::fileExists(log) ? th::readFile(log) : "");
  for (std::string line; std::getline(lines, line);) steps.push_back(line);
  std::remove(log.c_str());
  return steps;
}

}  // namespace

TEST(DurableFiles, EachFolderMadeOnTheWayIsFlushedIntoItsParentBeforeTheFileGoesIn) {
  th::writeFile(th::home() + "/Library/kept", "");
  const auto steps = stepsOf([] { writeFileAtomically(th::home() + "/Library/Support/AmberLoom/History/p.json", "{}"); });
  EXPECT_EQ(steps, (std::vector<std::string>{"folder made Support", "folder made AmberLoom", "folder made History",
                                             "written p.json", "flushed p.json", "renamed p.json"}));
  EXPECT_EQ(stepsOf([] { EXPECT_FALSE(createPrivateFolders(th::home() + "/Library/Support")); }),
            std::vector<std::string>{}) << "a folder that is there is left as it is";
}

TEST(DurableFiles, AHeldFileIsHeldWhileItsProcessLivesWhereverItIsMoved) {
  const std::string path = th::home() + "/held.json", moved = th::home() + "/moved.json";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    auto held = writeNewHeldFileAtomically(path, "{}");
    const bool ok = held && !writeNewHeldFileAtomically(path, "[]") && held->moveTo(moved) && !held->moveTo(moved);
    [[maybe_unused]] const auto sent = ::write(ready[1], ok ? "y" : "n", 1);
    ::pause();
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y') << "made and moved only where nothing stands";
  EXPECT_EQ(th::readFile(moved), "{}");
  EXPECT_TRUE(isHeldElsewhere(moved));
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  EXPECT_FALSE(isHeldElsewhere(moved)) << "let go as its process ends, however it ends";
  EXPECT_FALSE(isHeldElsewhere(th::home() + "/nothing.json"));
}

TEST(DurableFiles, AnAppendCutsAwayWhatAKilledWriterLeftAfterTheLastWholePart) {
  const std::string path = th::home() + "/journal";
  appendToFile(path, "one\n");
  th::writeFile(path, "one\ntw");  // a writer killed part-way
  appendToFile(path, "three\n", 4);
  EXPECT_EQ(th::readFile(path), "one\nthree\n");
  th::writeFile(th::home() + "/blocked", "");
  EXPECT_THROW(appendToFile(th::home() + "/blocked/journal", "x"), FileWriteError);
}
