#include "Account/AccountDeparture.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

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

      std::stop_source timeUp;
      std::jthread watchdog([&timeUp, limit = limit_](std::stop_token done) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        wake.wait_for(lock, done, limit, [] { return false; });
        if (!done.stop_requested()) timeUp.request_stop();
      });
      std::vector<std::string> gone;
      for (const auto& id : held) {
        if (timeUp.stop_requested()) break;
        try {
          client_.removeDevice(id, session->token, timeUp.get_token());
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
