#include "SignInThrottle.hpp"

namespace amberloom::server {

bool SignInThrottle::admitLink(const std::string& address, bool known) {
  const auto now = Clock::now();
  const auto forget = [&](Times& times) {
    while (!times.empty() && now - times.front() >= limits_.window) times.pop_front();
  };
  std::lock_guard lock(mutex_);
  for (auto it = byAddress_.begin(); it != byAddress_.end();) {
    forget(it->second);
    it = it->second.empty() ? byAddress_.erase(it) : std::next(it);
  }
  forget(toNewAddresses_);
  auto& times = byAddress_[address];
  const bool admitted = times.size() < static_cast<std::size_t>(limits_.perAddress) &&
                        (known || toNewAddresses_.size() < static_cast<std::size_t>(limits_.toNewAddresses));
  if (!admitted) {
    if (times.empty()) byAddress_.erase(address);
    return false;
  }
  times.push_back(now);
  if (!known) toNewAddresses_.push_back(now);
  return true;
}

}  // namespace amberloom::server
