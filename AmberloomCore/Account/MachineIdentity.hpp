#pragma once
// This Mac's hardware identifier, which the sign-in poll and every sync upload send to the account
// server: the platform UUID, or on a machine without one a random UUID kept in the application's
// preferences under "account.fallbackHardwareID" so that every run gives the same identifier.

#include <optional>
#include <string>

#include "Preferences/UserDefaults.hpp"

namespace amberloom {

struct MachineIdentity {
  static constexpr const char* fallbackKey = "account.fallbackHardwareID";

  // The platform UUID, else the fallback of the standard preferences. Never fails.
  static std::string hardwareID();
  // `platformUUID` when there is one, else the fallback kept in `defaults` (made and stored on first
  // use). A fallback that cannot be stored is still returned.
  static std::string hardwareID(const std::optional<std::string>& platformUUID, UserDefaults& defaults);
};

}  // namespace amberloom
