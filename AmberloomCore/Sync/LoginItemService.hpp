#pragma once
// Sync at login, switched on and off: the launch agent that starts the application in its headless
// background-sync mode at every login. Copies share one agent.

#include <memory>
#include <optional>
#include <string>

#include "Sync/LaunchAgent.hpp"

namespace amberloom {

class LoginItemService {
 public:
  enum class Status { enabled, disabled, blockedByUser, unavailable };

  // The agent's property list.
  inline static const std::string agentPlist = "tv.winterbrae.amberloom.sync.plist";

  // The platform's agent for that property list; registers nothing.
  explicit LoginItemService(const std::string& plistName);
  explicit LoginItemService(std::shared_ptr<LaunchAgent> agent);

  // The agent's state, read afresh on every call: registered and allowed (enabled), not
  // registered (disabled), registered but held back by the user's login-item settings
  // (blockedByUser), anything else including an unknown agent (unavailable). Never throws.
  Status status() const noexcept;
  // Registers the agent: none on success, else "Could not turn on sync at startup: " and the
  // platform's description. Never throws.
  std::optional<std::string> enable();
  // Unregisters the agent: none on success, else "Could not turn off sync at startup: " and the
  // platform's description. Never throws.
  std::optional<std::string> disable();
  // Registers the agent anew while it stands registered for another setup of the application (a
  // run at login that would reach the account server this Mac was signed in at before): the user's
  // yes to sync at startup holds for the server signed in now. None when done or when nothing was
  // to do, else enable()'s sentence. Never throws.
  std::optional<std::string> renew();

 private:
  std::shared_ptr<LaunchAgent> agent_;
};

}  // namespace amberloom
