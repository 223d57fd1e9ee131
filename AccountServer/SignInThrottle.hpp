#pragma once
// How many sign-in links the server sends. Every local client comes from the same address, so the
// limits are on what is sent, never on who asks: at most `perAddress` links to one e-mail address
// within `window`, and at most `toNewAddresses` in all to addresses the
// server does not know (no account, no pending sign-in), so that made-up addresses cannot use up
// the links of real ones. Safe from any thread.

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace amberloom::server {

class SignInThrottle {
 public:
  struct Limits {
    int perAddress = 5;
    int toNewAddresses = 120;
    std::chrono::seconds window{60};
  };

  explicit SignInThrottle(Limits limits) : limits_(limits) {}

  // Whether a link may go to `address` (in lower case) now; `known`: it has an account or a
  // pending sign-in. Counted when so.
  bool admitLink(const std::string& address, bool known);

 private:
  using Clock = std::chrono::steady_clock;
  using Times = std::deque<Clock::time_point>;

  Limits limits_;
  std::mutex mutex_;
  std::map<std::string, Times> byAddress_;
  Times toNewAddresses_;
};

}  // namespace amberloom::server
