#pragma once
// Operations run one at a time, in the order they were handed in, on a worker pool: the queue
// takes a worker only while it has operations, and a slow operation holds up only those queued
// behind it. Any thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

#include "Support/WorkerPool.hpp"

namespace amberloom {

class SerialQueue {
 public:
  explicit SerialQueue(WorkerPool& pool = WorkerPool::shared()) : pool_(pool) {}
  // Lets the operations already handed in finish, then returns.
  ~SerialQueue();
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  // Runs `operation` after every operation handed in before it; its result or error in the
  // future. When the pool can start no thread at all, the queue runs on the caller's thread.
  template <class Operation>
  std::future<std::invoke_result_t<Operation>> enqueue(Operation operation) {
    auto task = std::make_shared<std::packaged_task<std::invoke_result_t<Operation>()>>(std::move(operation));
    auto result = task->get_future();
    push([task] { (*task)(); });
    return result;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<std::function<void()>> operations;
    bool draining = false;  // a job of the pool runs the operations
  };
  void push(std::function<void()> operation);
  static void drain(const std::shared_ptr<State>& state);

  WorkerPool& pool_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace amberloom
