#pragma once
// The platform's service for one launch agent: an agent named by its property list, which the
// platform starts at login once it is registered. Implemented here by XdgAutostartAgent; tests
// substitute their own.

#include <stdexcept>
#include <string>

namespace amberloom {

// The registration state as the platform reports it. The raw values follow the platform's own
// numbering; readers must tolerate values outside the named ones as well.
enum class LaunchAgentStatus : int {
  notRegistered = 0,
  enabled = 1,
  requiresApproval = 2,  // registered, but the user's login-item settings keep it from running
  notFound = 3,          // the platform does not know the agent
  unrecognised = -1,     // something stands where the registration should, but it is not this agent's
};

// A failed registration or unregistration; `what()` is the platform's own description, a
// sentence fit to show.
class LaunchAgentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class LaunchAgent {
 public:
  virtual ~LaunchAgent() = default;
  LaunchAgent() = default;
  LaunchAgent(const LaunchAgent&) = delete;
  LaunchAgent& operator=(const LaunchAgent&) = delete;

  // The current state, read afresh from the platform. Never throws.
  virtual LaunchAgentStatus status() const = 0;
  // Registers the agent so that it runs at the next login. Throws LaunchAgentError.
  virtual void registerAgent() = 0;
  // Removes the registration; succeeds when there is none. Throws LaunchAgentError.
  virtual void unregisterAgent() = 0;
  // Whether the agent stands registered and allowed as another setup of the application made it,
  // so that it would run otherwise than this one would (here: reaching another account server);
  // status() reads such a registration as not registered. Never throws; a platform whose agents
  // carry no setup has none.
  virtual bool isRegisteredForAnotherSetup() const { return false; }
};

}  // namespace amberloom
