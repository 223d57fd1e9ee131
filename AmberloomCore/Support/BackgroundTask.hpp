#pragma once
// Runs a piece of work on a thread of its own and hands its result over as a future. Unlike
// std::async, the future does not wait in its destructor, so a caller that does not care about the
// result can drop it and carry on at once. The work must own (copy) everything it touches, since it
// may outlive the caller's objects.

#include <future>
#include <thread>
#include <type_traits>
#include <utility>

namespace amberloom {

template <class Work>
std::future<std::invoke_result_t<Work>> runInBackground(Work work) {
  std::packaged_task<std::invoke_result_t<Work>()> task(std::move(work));
  auto result = task.get_future();
  std::thread(std::move(task)).detach();
  return result;
}

}  // namespace amberloom
