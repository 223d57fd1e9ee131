#pragma once
// Runs a piece of work on a thread of its own and hands its result over as a future. Unlike
// std::async, the future does not wait in its destructor, so a caller that does not care about the
// result can drop it and carry on at once. The work must own (copy) everything it touches, since it
// may outlive the caller's objects.

#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

namespace amberloom {

namespace detail {
// Starts the task on a detached thread; false when the system cannot start another thread. The
// task is shared so that a thread that fails to start does not destroy it.
template <class Result>
bool startThread(const std::shared_ptr<std::packaged_task<Result()>>& task) {
  try {
    std::thread([task] { (*task)(); }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}
}  // namespace detail

// The future of `work` started on a new thread; none, with the work not run, when the system
// cannot start another thread. Never throws for that.
template <class Work>
std::optional<std::future<std::invoke_result_t<Work>>> startInBackground(Work work) {
  auto task = std::make_shared<std::packaged_task<std::invoke_result_t<Work>()>>(std::move(work));
  auto result = task->get_future();
  if (!detail::startThread(task)) return std::nullopt;
  return result;
}

// As startInBackground, but when no thread can be started the work runs on the caller's thread
// and the future is ready on return.
template <class Work>
std::future<std::invoke_result_t<Work>> runInBackground(Work work) {
  auto task = std::make_shared<std::packaged_task<std::invoke_result_t<Work>()>>(std::move(work));
  auto result = task->get_future();
  if (!detail::startThread(task)) (*task)();
  return result;
}

}  // namespace amberloom
