#pragma once
// Runs a piece of work on the process's worker pool (see Support/WorkerPool.hpp) and hands its
// result over as a future. Unlike std::async, the future does not wait in its destructor, so a
// caller that does not care about the result can drop it and carry on at once. The work must own
// (copy) everything it touches, since it may outlive the caller's objects. A caller that is itself
// work of the pool waits for the future through awaitResult.

#include <future>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "Support/WorkerPool.hpp"

namespace amberloom {

namespace detail {
// Queues the task on the shared pool; false when the pool has no thread and cannot start one. The
// task is shared so that a job the pool refuses does not destroy it.
template <class Result>
bool startOnPool(const std::shared_ptr<std::packaged_task<Result()>>& task) {
  return WorkerPool::shared().post([task] { (*task)(); });
}
}  // namespace detail

// The future of `work` queued on the worker pool; none, with the work not run, when the system
// cannot start a thread for it. That is reported by the return value alone, never thrown.
template <class Work>
std::optional<std::future<std::invoke_result_t<Work>>> startInBackground(Work work) {
  auto task = std::make_shared<std::packaged_task<std::invoke_result_t<Work>()>>(std::move(work));
  auto result = task->get_future();
  if (!detail::startOnPool(task)) return std::nullopt;
  return result;
}

// As startInBackground, but when no thread can be started the work runs on the caller's thread
// and the future is ready on return.
template <class Work>
std::future<std::invoke_result_t<Work>> runInBackground(Work work) {
  auto task = std::make_shared<std::packaged_task<std::invoke_result_t<Work>()>>(std::move(work));
  auto result = task->get_future();
  if (!detail::startOnPool(task)) (*task)();
  return result;
}

}  // namespace amberloom
