#pragma once
// The one place where work leaves the thread that asks for it: a fixed number of worker threads
// taking jobs in the order they come. The application's off-main work (a screen's batch, the
// account and sync requests, the start's resources and search index, the server-sync queues, the
// login-time run) all runs on the process's shared pool, so however much is asked for at once,
// no more than `standardSize` threads run it.
//
// A job that must wait for other work of the pool (a request handed to a server-sync queue, a
// download) waits through `awaitResult` or `whileWaiting`: the pool then runs another job in its
// place meanwhile, so jobs that wait for queued jobs never hold the pool up, and only threads that
// wait are ever added beyond the bound.
//
// Any thread. A job that throws has its error logged and dropped; jobs that hand back a result
// are wrapped in a std::packaged_task (see Support/BackgroundTask.hpp).

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

namespace amberloom {

class WorkerPool {
 public:
  using Job = std::function<void()>;

  // As many workers as the machine has cores, at least 4 (the jobs mostly wait for children and
  // the network) and at most 8.
  static std::size_t standardSize();

  // A pool of at most `size` running workers (at least 1), started as jobs come.
  explicit WorkerPool(std::size_t size);
  // Lets the jobs already queued finish, then returns.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // The process's pool, made at first use with standardSize() workers. It is never destroyed:
  // a job may still be running when the process ends (the login-time run stops at its time limit).
  static WorkerPool& shared();

  // Queues `job`. False, with the job dropped, only when the pool has no worker and the system
  // cannot start one.
  bool post(Job job);

  // Runs `wait`, a call that blocks until work of a pool is done. On a worker of a pool, another
  // worker may take that one's place meanwhile.
  static void whileWaiting(const std::function<void()>& wait);

  std::size_t size() const { return size_; }

 private:
  struct State;
  static void work(std::shared_ptr<State> state);
  // Under the lock: starts one more worker; false when the system refuses.
  static bool startWorker(const std::shared_ptr<State>& state);

  // The pool whose worker this thread is; none on any other thread.
  static thread_local State* current_;

  std::size_t size_;
  std::shared_ptr<State> state_;
};

// The result of `future` (or the error it holds), waited for as WorkerPool::whileWaiting waits.
template <class T>
T awaitResult(std::future<T> future) {
  WorkerPool::whileWaiting([&future] { future.wait(); });
  return future.get();
}

}  // namespace amberloom
