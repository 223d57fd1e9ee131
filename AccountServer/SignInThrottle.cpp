#include "SignInThrottle.hpp"

#include <algorithm>

namespace amberloom::server {

std::chrono::seconds SignInThrottle::admitLink(const std::string& address) {
  const auto now = Clock::now();
  std::lock_guard lock(mutex_);
  // Links leave the window in the order they were sent, each the oldest of its address.
  while (!sent_.empty() && now - sent_.front().first >= limits_.window) {
    const auto found = byAddress_.find(sent_.front().second);
    found->second.pop_front();
    if (found->second.empty()) byAddress_.erase(found);
    sent_.pop_front();
  }
  auto& times = byAddress_[address];
  if (times.size() >= static_cast<std::size_t>(std::max(limits_.perAddress, 0))) {
    if (times.empty()) {
      byAddress_.erase(address);
      return limits_.window;
    }
    const auto wait = std::chrono::ceil<std::chrono::seconds>(times.front() + limits_.window - now);
    return std::max(wait, std::chrono::seconds(1));
  }
  times.push_back(now);
  sent_.emplace_back(now, address);
  return std::chrono::seconds(0);
}

}  // namespace amberloom::server
