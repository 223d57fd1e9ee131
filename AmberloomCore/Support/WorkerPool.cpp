#include "Support/WorkerPool.hpp"

#include <pthread.h>

#include <algorithm>
#include <system_error>
#include <thread>

#include "Support/Log.hpp"

namespace amberloom {

struct WorkerPool::State : std::enable_shared_from_this<State> {
  explicit State(std::size_t size) : size(size) {}

  // Workers running a job and not waiting in whileWaiting.
  std::size_t running() const { return workers - idle - waiting; }
  // Whether a queued job finds no idle worker and the bound leaves room for another.
  bool wantsWorker() const { return jobs.size() > idle && workers - waiting < size; }

  std::mutex mutex;
  std::condition_variable jobsCame;
  std::condition_variable allGone;
  std::deque<Job> jobs;
  const std::size_t size;
  std::size_t workers = 0;  // started and not yet ended
  std::size_t idle = 0;     // waiting for a job
  std::size_t waiting = 0;  // in whileWaiting
  bool closing = false;
};

thread_local WorkerPool::State* WorkerPool::current_ = nullptr;

std::size_t WorkerPool::standardSize() { return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 4, 8); }

WorkerPool::WorkerPool(std::size_t size)
    : size_(std::max<std::size_t>(size, 1)), state_(std::make_shared<State>(size_)) {}

WorkerPool::~WorkerPool() {
  std::unique_lock lock(state_->mutex);
  state_->closing = true;
  state_->jobsCame.notify_all();
  state_->allGone.wait(lock, [this] { return state_->workers == 0; });
}

WorkerPool& WorkerPool::shared() {
  static WorkerPool* const pool = [] {
    auto* made = new WorkerPool(standardSize());
    // A child forked by a test inherits the pool but none of its threads: the child starts afresh,
    // without the parent's queued jobs, which are the parent's to run.
    static State* const forking = made->state_.get();
    ::pthread_atfork([] { forking->mutex.lock(); }, [] { forking->mutex.unlock(); },
                     [] {
                       forking->jobs.clear();
                       forking->workers = forking->idle = forking->waiting = 0;
                       forking->mutex.unlock();
                     });
    return made;
  }();
  return *pool;
}

bool WorkerPool::post(Job job) {
  const std::lock_guard lock(state_->mutex);
  state_->jobs.push_back(std::move(job));
  if (state_->wantsWorker() && startWorker(state_)) return true;
  if (state_->idle > 0) {
    state_->jobsCame.notify_one();
    return true;
  }
  if (state_->workers > 0) return true;  // a worker comes to it once its job ends
  state_->jobs.pop_back();
  return false;
}

bool WorkerPool::startWorker(const std::shared_ptr<State>& state) {
  ++state->workers;
  try {
    std::thread(&WorkerPool::work, state).detach();
    return true;
  } catch (const std::system_error&) {
    --state->workers;
    return false;
  }
}

void WorkerPool::work(std::shared_ptr<State> state) {
  current_ = state.get();
  std::unique_lock lock(state->mutex);
  // A worker leaves when more than the bound run (a waiting worker came back) or the pool closes.
  while (state->running() <= state->size) {
    if (state->jobs.empty()) {
      if (state->closing) break;
      ++state->idle;
      state->jobsCame.wait(lock);
      --state->idle;
      continue;
    }
    Job job = std::move(state->jobs.front());
    state->jobs.pop_front();
    lock.unlock();
    try {
      job();
    } catch (...) {
      log::dropped(log::Area::support, "a background job failed");
    }
    job = nullptr;  // what it holds goes before the next job, outside the lock
    lock.lock();
  }
  --state->workers;
  if (state->workers == 0) state->allGone.notify_all();
}

void WorkerPool::whileWaiting(const std::function<void()>& wait) {
  State* const state = current_;
  if (!state) return wait();
  {
    const std::lock_guard lock(state->mutex);
    ++state->waiting;
    if (state->wantsWorker()) startWorker(state->shared_from_this());
  }
  struct Back {
    State& state;
    ~Back() {
      const std::lock_guard lock(state.mutex);
      --state.waiting;
    }
  } back{*state};
  wait();
}

}  // namespace amberloom
