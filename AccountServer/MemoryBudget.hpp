#pragma once
// The bytes of request bodies and answers that all connections of a server hold at once, kept under
// a ceiling: whoever is about to hold such bytes sizes its share first, and the share goes back
// when it is dropped. Safe from any thread.

#include <atomic>
#include <cstddef>
#include <utility>

namespace amberloom::server {

class MemoryBudget {
 public:
  class Share {
   public:
    Share() = default;
    explicit Share(MemoryBudget& budget) : budget_(&budget) {}
    Share(Share&& other) noexcept
        : budget_(std::exchange(other.budget_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}
    Share& operator=(Share&& other) noexcept {
      if (this != &other) {
        resizeAnyway(0);
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
      }
      return *this;
    }
    ~Share() { resizeAnyway(0); }

    std::size_t bytes() const { return bytes_; }

    // Holds `bytes` from now on; false, and nothing changed, when more would pass the ceiling.
    bool resize(std::size_t bytes) {
      if (!budget_) return bytes == 0;
      if (bytes <= bytes_) {
        resizeAnyway(bytes);
      } else if (budget_->take(bytes - bytes_)) {
        bytes_ = bytes;
      } else {
        return false;
      }
      return true;
    }
    // Whatever the ceiling: for the short answer of a change already made, which must reach its
    // client.
    void resizeAnyway(std::size_t bytes) {
      if (!budget_) return;
      if (bytes > bytes_) {
        budget_->inUse_ += bytes - bytes_;
      } else if (bytes < bytes_) {
        budget_->inUse_ -= bytes_ - bytes;
      }
      bytes_ = bytes;
    }

   private:
    MemoryBudget* budget_ = nullptr;
    std::size_t bytes_ = 0;
  };

  explicit MemoryBudget(std::size_t ceiling) : ceiling_(ceiling) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  std::size_t inUse() const { return inUse_; }

 private:
  // Adds `bytes` to what is in use unless that would pass the ceiling.
  bool take(std::size_t bytes) {
    std::size_t used = inUse_;
    do {
      if (used > ceiling_ || bytes > ceiling_ - used) return false;
    } while (!inUse_.compare_exchange_weak(used, used + bytes));
    return true;
  }

  std::size_t ceiling_;
  std::atomic<std::size_t> inUse_ = 0;
};

}  // namespace amberloom::server
