#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/ProcessRunner.hpp"
#include "Sync/FolderWatcher.hpp"
#include "TestHome.hpp"

using amberloom::FolderWatcher;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
namespace test = amberloom::testing;

namespace {

// The times the handler was called.
class Calls {
 public:
  std::function<void()> handler() {
    return [this] {
      std::lock_guard lock(mutex_);
      times_.push_back(Clock::now());
    };
  }
  // The calls so far, once `wait` has passed.
  std::vector<Clock::time_point> after(std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
    std::lock_guard lock(mutex_);
    return times_;
  }

 private:
  std::mutex mutex_;
  std::vector<Clock::time_point> times_;
};

std::size_t openDescriptors() { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}); }

void append(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::app) << text; }

}  // namespace

TEST(FolderWatcher, BurstOfWritesByAnotherProcessGivesOneCallAfterTheQuietPeriod) {
  const std::string folder = test::home() + "/Watched";
  fs::create_directories(folder);
  Calls calls;
  auto watcher = FolderWatcher::watch(folder, 200, calls.handler());
  ASSERT_NE(watcher, nullptr);

  // Ten new files 10 ms apart, written by a separate process.
  const auto result = amberloom::platform::runProcess(
      "/bin/sh", {"-c", "for i in 0 1 2 3 4 5 6 7 8 9; do echo $i > \"$0/file$i\"; sleep 0.01; done", folder});
  const auto lastWrite = Clock::now();
  ASSERT_TRUE(result && result->exitStatus == 0);

  const auto times = calls.after(1200ms);
  ASSERT_EQ(times.size(), 1u);
  EXPECT_GE(times[0] - lastWrite, 150ms) << "called before the quiet period after the last write";
  EXPECT_LE(times[0] - lastWrite, 900ms);
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
    EXPECT_EQ(calls.after(500ms).size(), c.reported ? 1u : 0u) << c.name;
  }
}

TEST(FolderWatcher, DeletedAndRecreatedFolderIsReportedOnce) {
  const std::string folder = test::home() + "/Watched";
  fs::create_directories(folder);
  Calls calls;
  auto watcher = FolderWatcher::watch(folder, 50, calls.handler());
  ASSERT_NE(watcher, nullptr);

  fs::remove_all(folder);
  EXPECT_EQ(calls.after(500ms).size(), 1u);
  // The new folder is another one: the watcher does not follow the path to it.
  test::writeFile(folder + "/new", "x");
  EXPECT_EQ(calls.after(300ms).size(), 1u);
}

TEST(FolderWatcher, ReleasingTheWatcherDropsAPendingCall) {
  const std::string folder = test::home() + "/Watched";
  fs::create_directories(folder);
  const auto descriptorsBefore = openDescriptors();
  Calls calls;
  auto watcher = FolderWatcher::watch(folder, 100, calls.handler());
  ASSERT_NE(watcher, nullptr);
  test::writeFile(folder + "/new", "x");
  std::this_thread::sleep_for(30ms);  // the event has arrived; the call waits for its quiet period
  watcher.reset();
  EXPECT_EQ(calls.after(300ms).size(), 0u);
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
  EXPECT_EQ(released.get_future().wait_for(2s), std::future_status::ready);
}
