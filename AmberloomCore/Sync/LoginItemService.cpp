#include "Sync/LoginItemService.hpp"

#include <exception>

#include "Sync/XdgAutostartAgent.hpp"

namespace amberloom {
namespace {

template <class Operation>
std::optional<std::string> attempt(Operation operation, const std::string& failurePrefix) {
  try {
    operation();
    return std::nullopt;
  } catch (const std::exception& error) {
    return failurePrefix + error.what();
  }
}

}  // namespace

LoginItemService::LoginItemService(const std::string& plistName)
    : agent_(std::make_shared<XdgAutostartAgent>(plistName)) {}

LoginItemService::LoginItemService(std::shared_ptr<LaunchAgent> agent) : agent_(std::move(agent)) {}

LoginItemService::Status LoginItemService::status() const noexcept {
  switch (agent_->status()) {
    case LaunchAgentStatus::notRegistered: return Status::disabled;
    case LaunchAgentStatus::enabled: return Status::enabled;
    case LaunchAgentStatus::requiresApproval: return Status::blockedByUser;
    default: return Status::unavailable;
  }
}

std::optional<std::string> LoginItemService::enable() {
  return attempt([this] { agent_->registerAgent(); }, "Could not turn on sync at startup: ");
}

std::optional<std::string> LoginItemService::disable() {
  return attempt([this] { agent_->unregisterAgent(); }, "Could not turn off sync at startup: ");
}

std::optional<std::string> LoginItemService::renew() {
  if (!agent_->isRegisteredForAnotherSetup()) return std::nullopt;
  return enable();
}

}  // namespace amberloom
