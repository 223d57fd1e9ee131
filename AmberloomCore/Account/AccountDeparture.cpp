#include "Account/AccountDeparture.hpp"

#include <algorithm>
#include <chrono>

#include "Support/Log.hpp"

namespace amberloom {

AccountDeparture::AccountDeparture(AccountClient client, AccountStore store, std::chrono::milliseconds limit)
    : client_(std::move(client)), store_(std::move(store)), limit_(limit) {}

bool AccountDeparture::leave() const noexcept {
  const std::string& server = client_.base();
  try {
    const auto session = store_.session(server);
    if (session) {
      auto held = store_.entriesAt(server);
      // Its own entry last: once it is gone, the token opens nothing.
      std::erase(held, session->deviceID);
      held.push_back(session->deviceID);

      // Each request is given what is left of the whole limit as its own: no watchdog is needed.
      const auto deadline = std::chrono::steady_clock::now() + limit_;
      std::vector<std::string> gone;
      for (const auto& id : held) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero()) break;
        try {
          client_.removeDevice(id, session->token, {}, left);
          gone.push_back(id);
        } catch (const AccountClient::Failure& failure) {
          if (failure.errorCase() == AccountClient::Failure::Case::server && failure.status() == 404) {
            gone.push_back(id);  // already off the account
            continue;
          }
          log::warning(log::Area::account, "This Mac's entry " + id + " stays on its account: " + failure.what());
          // Refused, nothing more can be removed with this token.
          if (failure.errorCase() == AccountClient::Failure::Case::needsSignIn) break;
        } catch (const std::exception& error) {
          log::warning(log::Area::account, "This Mac's entry " + id + " stays on its account: " + error.what());
        }
      }
      store_.forgetEarlierDevices(gone);
    }
    return !store_.entriesAt(server).empty();
  } catch (...) {
    log::dropped(log::Area::account, "This Mac could not be taken off its account");
    return true;
  }
}

}  // namespace amberloom
