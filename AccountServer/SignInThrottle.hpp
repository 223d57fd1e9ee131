#pragma once
// How many sign-in links the server sends. Every local client comes from the same address, so the
// limits are on what is sent, never on who asks: at most `perAddress` links to one e-mail address
// within `window`, whether the address has an account or was made up, so that nobody can spend
// another address's links. A request beyond them is refused and changes nothing: a link already
// sent keeps working. Safe from any thread.

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace amberloom::server {

class SignInThrottle {
 public:
  struct Limits {
    int perAddress = 5;
    std::chrono::seconds window{60};
  };

  explicit SignInThrottle(Limits limits) : limits_(limits) {}

  // Counts a link to `address` (in lower case) now and returns zero; or, when the address has had
  // its links, counts nothing and returns how long until it may have one again (a second or more).
  std::chrono::seconds admitLink(const std::string& address);

 private:
  using Clock = std::chrono::steady_clock;

  Limits limits_;
  std::mutex mutex_;
  std::deque<std::pair<Clock::time_point, std::string>> sent_;  // within the window, oldest first
  std::unordered_map<std::string, std::deque<Clock::time_point>> byAddress_;
};

}  // namespace amberloom::server
