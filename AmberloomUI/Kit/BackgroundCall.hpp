#pragma once
// Blocking work (network requests) run off the main thread, its outcome handed back to a model on
// the main thread with a queued call. The model owns one BackgroundInbox and closes it in its
// destructor: an outcome that arrives after that is dropped, so a worker may outlive its model.

#include <QMetaObject>
#include <QObject>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "Support/BackgroundTask.hpp"

namespace amberloom::ui {

// The result of a piece of work: its value, or the exception it threw.
template <class T>
struct BackgroundOutcome {
  std::optional<T> value;
  std::exception_ptr error;
};

class BackgroundInbox {
 public:
  explicit BackgroundInbox(QObject* receiver) : receiver_(receiver) {}

  // Queues `call` on the receiver's thread; does nothing once closed. Any thread.
  template <class Call>
  void post(Call call) {
    std::lock_guard lock(mutex_);
    // Posted under the lock: a call queued before close() is removed with the receiver's events.
    if (receiver_) QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
  }
  // Called by the receiver's destructor; nothing is delivered afterwards.
  void close() {
    std::lock_guard lock(mutex_);
    receiver_ = nullptr;
  }

 private:
  std::mutex mutex_;
  QObject* receiver_;
};

// Runs `work` (which must own everything it touches) on the worker pool and calls `done` with
// its BackgroundOutcome on the inbox's thread. Work returning void gives an outcome of
// std::monostate.
template <class Work, class Done>
void runOffMainThread(const std::shared_ptr<BackgroundInbox>& inbox, Work work, Done done) {
  using Result = std::invoke_result_t<Work>;
  using Value = std::conditional_t<std::is_void_v<Result>, std::monostate, Result>;
  runInBackground([inbox, work = std::move(work), done = std::move(done)]() mutable {
    BackgroundOutcome<Value> outcome;
    try {
      if constexpr (std::is_void_v<Result>) {
        work();
        outcome.value = std::monostate{};
      } else {
        outcome.value = work();
      }
    } catch (...) {
      outcome.error = std::current_exception();
    }
    inbox->post([done = std::move(done), outcome = std::move(outcome)]() mutable { done(std::move(outcome)); });
  });
}

}  // namespace amberloom::ui
