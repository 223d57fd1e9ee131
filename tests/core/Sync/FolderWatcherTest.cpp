#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Platform/ProcessRunner.hpp"
#include "Sync/FolderWatcher.hpp"
#include "TestHome.hpp"

using amberloom::FolderWatcher;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
namespace test = amberloom::testing;

namespace {

using WallClock = std::chrono::system_clock;

// The times the handler was called, by the wall clock that the file system stamps files with.
class Calls {
 public:
  std::function<void()> handler() {
    return [this] {
      {
        std::lock_guard lock(mutex_);
        times_.push_back(WallClock::now());
      }
      called_.notify_all();
    };
  }
  // The calls so far, once there are `count` of them or a minute has passed.
  std::vector<WallClock::time_point> atLeast(std::size_t count) {
    std::unique_lock lock(mutex_);
    called_.wait_for(lock, 60s, [&] { return times_.size() >= count; });
    return times_;
  }
  // The calls so far, once `wait` has passed: for calls that must not come.
  std::vector<WallClock::time_point> after(std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
    std::lock_guard lock(mutex_);
    return times_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable called_;
  std::vector<WallClock::time_point> times_;
};

// When the file at `path` was last written, as the file system stamped it: from a clock that lags
// the wall clock by up to one tick, so never later than the write itself.
WallClock::time_point modified(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw std::runtime_error("cannot examine " + path);
  return WallClock::time_point(std::chrono::duration_cast<WallClock::duration>(
      std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
}

std::size_t openDescriptors() { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}); }

void append(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::app) << text; }

}  // namespace

TEST(FolderWatcher, BurstOfWritesByAnotherProcessGivesOneCallAfterTheQuietPeriod) {
  const std::string folder = test::home() + "/Watched";
  fs::create_directories(folder);
  constexpr auto quiet = 500ms;
  Calls calls;
  auto watcher = FolderWatcher::watch(folder, quiet.count(), calls.handler());
  ASSERT_NE(watcher, nullptr);

  // Ten new files 10 ms apart, written by a separate process: at least 90 ms from the first to
  // the last, so a period counted from the first write would end too early.
  const auto result = amberloom::platform::runProcess(
      "/bin/sh", {"-c", "for i in 0 1 2 3 4 5 6 7 8 9; do echo $i > \"$0/file$i\"; sleep 0.01; done", folder});
  ASSERT_TRUE(result && result->exitStatus == 0);

  ASSERT_EQ(calls.atLeast(1).size(), 1u);
  const auto times = calls.after(2 * quiet);
  ASSERT_EQ(times.size(), 1u) << "one call for the burst";
  // The stamp is never later than the write, and the call never earlier than the quiet period
  // after the change arrived; a loaded machine only widens the gap.
  EXPECT_GE(times[0] - modified(folder + "/file9"), quiet - 20ms) << "called before the quiet period after the last write";
}

TEST(FolderWatcher, WhatCountsAsAChange) {
  EXPECT_EQ(FolderWatcher::watch(test::home() + "/absent", 50, [] {}), nullptr);
  const struct {
    std::string name;
    bool watchFile;  // the watched item is a file rather than a folder
    std::function<void(const std::string& watched)> act;
    bool reported;
  } cases[] = {
      {"entry added", false, [](const std::string& w) { test::writeFile(w + "/new", "x"); }, true},
      {"entry renamed", false, [](const std::string& w) { fs::rename(w + "/old", w + "/renamed"); }, true},
      {"entry removed", false, [](const std::string& w) { fs::remove(w + "/old"); }, true},
      {"folder renamed", false, [](const std::string& w) { fs::rename(w, w + "-moved"); }, true},
      {"contents of an entry", false, [](const std::string& w) { append(w + "/old", "more"); }, false},
      {"file written", true, [](const std::string& w) { append(w, "more"); }, true},
      {"file deleted", true, [](const std::string& w) { fs::remove(w); }, true},
      {"file only read", true, [](const std::string& w) { test::readFile(w); }, false},
  };
  for (const auto& c : cases) {
    const std::string folder = test::home() + "/" + std::to_string(&c - cases);
    test::writeFile(folder + "/old", "old");
    const std::string watched = c.watchFile ? folder + "/old" : folder;
    Calls calls;
    auto watcher = FolderWatcher::watch(watched, 50, calls.handler());
    ASSERT_NE(watcher, nullptr) << c.name;
    c.act(watched);
    if (c.reported) calls.atLeast(1);
    EXPECT_EQ(calls.after(300ms).size(), c.reported ? 1u : 0u) << c.name;
  }
}

TEST(FolderWatcher, DeletedAndRecreatedFolderIsReportedOnce) {
  const std::string folder = test::home() + "/Watched";
  fs::create_directories(folder);
  Calls calls;
  auto watcher = FolderWatcher::watch(folder, 50, calls.handler());
  ASSERT_NE(watcher, nullptr);

  fs::remove_all(folder);
  calls.atLeast(1);
  EXPECT_EQ(calls.after(300ms).size(), 1u);
  // The new folder is another one: the watcher does not follow the path to it.
  test::writeFile(folder + "/new", "x");
  EXPECT_EQ(calls.after(300ms).size(), 1u);
}

TEST(FolderWatcher, ReleasingTheWatcherDropsAPendingCall) {
  const std::string folder = test::home() + "/Watched";
  fs::create_directories(folder);
  const auto descriptorsBefore = openDescriptors();
  Calls calls;
  // A quiet period no loaded machine outlasts: the change is still waiting when the watcher goes,
  // and once the release returns the watcher's thread is gone.
  auto watcher = FolderWatcher::watch(folder, 30'000, calls.handler());
  ASSERT_NE(watcher, nullptr);
  // A second watcher of the folder with no quiet period to speak of tells when the change has
  // arrived: the first one's call then waits for its quiet period.
  Calls arrived;
  auto witness = FolderWatcher::watch(folder, 1, arrived.handler());
  ASSERT_NE(witness, nullptr);
  test::writeFile(folder + "/new", "x");
  ASSERT_EQ(arrived.atLeast(1).size(), 1u);
  witness.reset();
  watcher.reset();
  EXPECT_EQ(calls.after(0ms).size(), 0u);
  EXPECT_EQ(openDescriptors(), descriptorsBefore);

  // A handler may release its own watcher.
  std::unique_ptr<FolderWatcher> selfReleasing;
  std::promise<void> released;
  selfReleasing = FolderWatcher::watch(folder, 20, [&] {
    selfReleasing.reset();
    released.set_value();
  });
  ASSERT_NE(selfReleasing, nullptr);
  test::writeFile(folder + "/again", "x");
  EXPECT_EQ(released.get_future().wait_for(60s), std::future_status::ready);
}
