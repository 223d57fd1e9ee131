// The bounded pool that all off-main work runs on: no more workers than its bound run at once,
// work that waits for other work of the pool never stalls it, and serial queues keep their order.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "Support/SerialQueue.hpp"
#include "Support/WorkerPool.hpp"

using namespace amberloom;
using namespace std::chrono_literals;

TEST(WorkerPool, NeverRunsMoreJobsAtOnceThanItsBoundAndRunsThemAll) {
  for (const std::size_t bound : {1u, 3u}) {
    SCOPED_TRACE(bound);
    std::atomic<int> running = 0, most = 0, done = 0;
    {
      WorkerPool pool(bound);
      for (int n = 0; n < 12; ++n)
        ASSERT_TRUE(pool.post([&] {
          const int now = ++running;
          int seen = most.load();
          while (now > seen && !most.compare_exchange_weak(seen, now)) {
          }
          std::this_thread::sleep_for(5ms);
          --running;
          ++done;
        }));
    }  // the pool lets every queued job finish
    EXPECT_EQ(done, 12);
    EXPECT_LE(most, static_cast<int>(bound));
    EXPECT_GE(most, 1);
  }
}

TEST(WorkerPool, JobsThatWaitForJobsOfTheirOwnPoolFinishEvenWithOneWorker) {
  WorkerPool pool(1);
  std::promise<int> outer;
  ASSERT_TRUE(pool.post([&] {
    // Both the inner jobs queue behind this one on the only worker: waiting lends its place.
    auto first = std::make_shared<std::packaged_task<int()>>([] { return 20; });
    auto second = std::make_shared<std::packaged_task<int()>>([] { return 22; });
    pool.post([first] { (*first)(); });
    pool.post([second] { (*second)(); });
    outer.set_value(awaitResult(first->get_future()) + awaitResult(second->get_future()));
  }));
  auto answer = outer.get_future();
  ASSERT_EQ(answer.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(answer.get(), 42);
}

TEST(WorkerPool, AJobThatThrowsLeavesThePoolWorking) {
  WorkerPool pool(1);
  pool.post([] { throw std::runtime_error("a failed job"); });
  std::promise<void> after;
  pool.post([&] { after.set_value(); });
  EXPECT_EQ(after.get_future().wait_for(10s), std::future_status::ready);
}

TEST(SerialQueue, RunsOperationsOneAtATimeInOrderAndHandsBackResultsAndErrors) {
  WorkerPool pool(4);
  std::mutex mutex;
  std::vector<int> order;
  std::atomic<int> inside = 0;
  bool overlapped = false;
  std::vector<std::future<int>> results;
  {
    SerialQueue queue(pool);
    for (int n = 0; n < 20; ++n)
      results.push_back(queue.enqueue([&, n] {
        if (++inside > 1) overlapped = true;
        std::this_thread::sleep_for(1ms);
        {
          const std::lock_guard lock(mutex);
          order.push_back(n);
        }
        --inside;
        if (n == 7) throw std::runtime_error("seventh");
        return n * 2;
      }));
  }  // the queue lets what was handed in finish
  EXPECT_FALSE(overlapped);
  std::vector<int> expected(20);
  for (int n = 0; n < 20; ++n) expected[n] = n;
  EXPECT_EQ(order, expected);
  EXPECT_THROW(results[7].get(), std::runtime_error);
  EXPECT_EQ(results[19].get(), 38);
}
