#pragma once
// The bytes of request bodies and answers that all connections of a server hold at once, kept under
// a ceiling: whoever is about to hold such bytes sizes its share first, and the share goes back
// when it is dropped. Shares of requests whose caller has not proved a device token ("open" ones)
// together stay under a lower ceiling of their own, so that what lies between the two is always
// left to signed-in devices, whatever anyone else sends. Safe from any thread.

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <utility>

namespace amberloom::server {

class MemoryBudget {
 public:
  class Share {
   public:
    Share() = default;
    // An open share: counted against both ceilings until trusted.
    explicit Share(MemoryBudget& budget) : budget_(&budget) {}
    Share(Share&& other) noexcept
        : budget_(std::exchange(other.budget_, nullptr)), bytes_(std::exchange(other.bytes_, 0)),
          trusted_(std::exchange(other.trusted_, false)) {}
    Share& operator=(Share&& other) noexcept {
      if (this != &other) {
        resizeAnyway(0);
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        trusted_ = std::exchange(other.trusted_, false);
      }
      return *this;
    }
    ~Share() { resizeAnyway(0); }

    std::size_t bytes() const { return bytes_; }
    bool trusted() const { return trusted_; }

    // Holds `bytes` from now on; false, and nothing changed, when more would pass a ceiling.
    bool resize(std::size_t bytes) {
      if (!budget_) return bytes == 0;
      if (!budget_->change(bytes_, bytes, trusted_, false)) return false;
      bytes_ = bytes;
      return true;
    }
    // Whatever the ceilings: for the short answer of a change already made, which must reach its
    // client.
    void resizeAnyway(std::size_t bytes) {
      if (!budget_) return;
      budget_->change(bytes_, bytes, trusted_, true);
      bytes_ = bytes;
    }
    // From now on for a signed-in device: no longer counted against the open ceiling.
    void trust() {
      if (trusted_) return;
      if (budget_) budget_->untrustedLeaves(bytes_);
      trusted_ = true;
    }

   private:
    MemoryBudget* budget_ = nullptr;
    std::size_t bytes_ = 0;
    bool trusted_ = false;
  };

  explicit MemoryBudget(std::size_t ceiling, std::size_t openCeiling = static_cast<std::size_t>(-1))
      : ceiling_(ceiling), openCeiling_(std::min(ceiling, openCeiling)) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  std::size_t inUse() const {
    std::lock_guard lock(mutex_);
    return inUse_;
  }
  std::size_t openInUse() const {
    std::lock_guard lock(mutex_);
    return openInUse_;
  }

 private:
  // A share going from `from` to `to` bytes; refused (false, nothing changed) when it grows past a
  // ceiling, unless `anyway`.
  bool change(std::size_t from, std::size_t to, bool trusted, bool anyway) {
    std::lock_guard lock(mutex_);
    if (to > from && !anyway) {
      const std::size_t more = to - from;
      if (inUse_ > ceiling_ || more > ceiling_ - inUse_) return false;
      if (!trusted && (openInUse_ > openCeiling_ || more > openCeiling_ - openInUse_)) return false;
    }
    inUse_ = inUse_ - from + to;
    if (!trusted) openInUse_ = openInUse_ - from + to;
    return true;
  }
  void untrustedLeaves(std::size_t bytes) {
    std::lock_guard lock(mutex_);
    openInUse_ -= bytes;
  }

  std::size_t ceiling_;
  std::size_t openCeiling_;
  mutable std::mutex mutex_;
  std::size_t inUse_ = 0;
  std::size_t openInUse_ = 0;
};

}  // namespace amberloom::server
