#include "Support/SerialQueue.hpp"

namespace amberloom {

SerialQueue::~SerialQueue() {
  WorkerPool::whileWaiting([this] {
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [this] { return !state_->draining; });
  });
}

void SerialQueue::push(std::function<void()> operation) {
  {
    const std::lock_guard lock(state_->mutex);
    state_->operations.push_back(std::move(operation));
    if (state_->draining) return;  // the job under way comes to it
    state_->draining = true;
  }
  if (!pool_.post([state = state_] { drain(state); })) drain(state_);
}

void SerialQueue::drain(const std::shared_ptr<State>& state) {
  while (true) {
    std::function<void()> operation;
    {
      const std::lock_guard lock(state->mutex);
      if (state->operations.empty()) {
        state->draining = false;
        state->idle.notify_all();
        return;
      }
      operation = std::move(state->operations.front());
      state->operations.pop_front();
    }
    operation();
  }
}

}  // namespace amberloom
