#pragma once
// The bytes of request bodies and answers that all connections of a server hold at once, kept under
// a ceiling: whoever is about to hold such bytes sizes its share first, and the share goes back
// when it is dropped. The ceiling is split in two rooms: shares of requests whose caller has not
// proved a device token ("open" ones: sign-in requests, polls, the outbox) stay in a room of their
// own, and trusted shares in the rest, so that neither kind of traffic can starve the other. Within
// the trusted room, what one account, and one device of it, holds together is capped well below the
// room, so that no account can refuse another's upload or list. Safe from any thread.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace amberloom::server {

class MemoryBudget {
 public:
  // The signed-in device a trusted share is held for; account 0: none in particular.
  struct Owner {
    std::int64_t account = 0;
    std::string device;
  };

  struct Ceilings {
    std::size_t total = SIZE_MAX;
    std::size_t open = SIZE_MAX;        // of the total, the room of open shares
    std::size_t perAccount = SIZE_MAX;  // of the trusted room, one account's shares together
    std::size_t perDevice = SIZE_MAX;   // of those, one device's
  };

  class Share {
   public:
    Share() = default;
    // An open share: counted in the open room until trusted.
    explicit Share(MemoryBudget& budget) : budget_(&budget) {}
    Share(Share&& other) noexcept
        : budget_(std::exchange(other.budget_, nullptr)), bytes_(std::exchange(other.bytes_, 0)),
          trusted_(std::exchange(other.trusted_, false)), owner_(std::exchange(other.owner_, Owner())) {}
    Share& operator=(Share&& other) noexcept {
      if (this != &other) {
        resizeAnyway(0);
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        trusted_ = std::exchange(other.trusted_, false);
        owner_ = std::exchange(other.owner_, Owner());
      }
      return *this;
    }
    ~Share() { resizeAnyway(0); }

    std::size_t bytes() const { return bytes_; }
    bool trusted() const { return trusted_; }
    const Owner& owner() const { return owner_; }

    // Holds `bytes` from now on; false, and nothing changed, when more would pass a ceiling.
    bool resize(std::size_t bytes) {
      if (!budget_) return bytes == 0;
      if (!budget_->change(*this, bytes, false)) return false;
      bytes_ = bytes;
      return true;
    }
    // Whatever the ceilings: for the short answer of a change already made, which must reach its
    // client.
    void resizeAnyway(std::size_t bytes) {
      if (!budget_) return;
      budget_->change(*this, bytes, true);
      bytes_ = bytes;
    }
    // From now on for the signed-in device `owner`: counted in the trusted room, and in its
    // account's and device's caps. What it holds already moves along whatever the ceilings.
    void trust() { trust(Owner()); }
    void trust(Owner owner) {
      if (trusted_) return;
      if (budget_) budget_->moveToTrusted(bytes_, owner);
      trusted_ = true;
      owner_ = std::move(owner);
    }

   private:
    friend class MemoryBudget;
    MemoryBudget* budget_ = nullptr;
    std::size_t bytes_ = 0;
    bool trusted_ = false;
    Owner owner_;
  };

  explicit MemoryBudget(std::size_t ceiling, std::size_t openCeiling = SIZE_MAX)
      : MemoryBudget(Ceilings{ceiling, openCeiling}) {}
  explicit MemoryBudget(Ceilings ceilings) : ceilings_(ceilings) {
    ceilings_.open = std::min(ceilings_.open, ceilings_.total);
  }
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
  static bool fits(std::size_t used, std::size_t more, std::size_t ceiling) {
    return used <= ceiling && more <= ceiling - used;
  }

  // `share` going to `to` bytes; refused (false, nothing changed) when it grows past a ceiling,
  // unless `anyway`.
  bool change(const Share& share, std::size_t to, bool anyway) {
    std::lock_guard lock(mutex_);
    const std::size_t from = share.bytes_;
    const bool owned = share.trusted_ && share.owner_.account != 0;
    std::size_t& account = owned ? accounts_[share.owner_.account] : spare_;
    std::size_t& device = owned ? devices_[share.owner_.device] : spare_;
    if (to > from && !anyway) {
      const std::size_t more = to - from;
      const std::size_t trustedRoom = ceilings_.total - ceilings_.open;
      const bool roomy = fits(inUse_, more, ceilings_.total) &&
                         (share.trusted_ ? fits(inUse_ - openInUse_, more, trustedRoom)
                                         : fits(openInUse_, more, ceilings_.open)) &&
                         (!owned || (fits(account, more, ceilings_.perAccount) && fits(device, more, ceilings_.perDevice)));
      if (!roomy) {
        forgetIdle(share.owner_, owned);
        return false;
      }
    }
    inUse_ = inUse_ - from + to;
    if (!share.trusted_) openInUse_ = openInUse_ - from + to;
    if (owned) {
      account = account - from + to;
      device = device - from + to;
      forgetIdle(share.owner_, owned);
    }
    return true;
  }
  void moveToTrusted(std::size_t bytes, const Owner& owner) {
    std::lock_guard lock(mutex_);
    openInUse_ -= bytes;
    if (owner.account != 0) {
      accounts_[owner.account] += bytes;
      devices_[owner.device] += bytes;
    }
  }
  // Owners holding nothing take no entry.
  void forgetIdle(const Owner& owner, bool owned) {
    if (!owned) return;
    if (const auto found = accounts_.find(owner.account); found != accounts_.end() && found->second == 0)
      accounts_.erase(found);
    if (const auto found = devices_.find(owner.device); found != devices_.end() && found->second == 0)
      devices_.erase(found);
  }

  Ceilings ceilings_;
  mutable std::mutex mutex_;
  std::size_t inUse_ = 0;
  std::size_t openInUse_ = 0;
  std::map<std::int64_t, std::size_t> accounts_;
  std::map<std::string, std::size_t> devices_;
  std::size_t spare_ = 0;  // stands in for the tallies of a share without an owner
};

}  // namespace amberloom::server
