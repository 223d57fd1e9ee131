#pragma once
// The machine as the system names it: its hardware UUID and the name its user gave it. Test
// doubles override either member; the base class is this machine.

#include <chrono>
#include <optional>
#include <string>

namespace amberloom::platform {

inline constexpr const char* kHostNameVariable = "AMBERLOOM_HOST_NAME";

class Host {
 public:
  virtual ~Host() = default;

  // The hardware UUID as upper-case 8-4-4-4-12 text; none when the machine has none or gives no
  // answer within `timeout`. Here the machine id, a local file that answers at once. Never throws.
  virtual std::optional<std::string> hardwareUUID(std::chrono::milliseconds timeout) const;
  // The name the user gave the machine: AMBERLOOM_HOST_NAME when set and not empty (so that two
  // homes on one machine can be two Macs), else PRETTY_HOSTNAME of /etc/machine-info, else the host
  // name; none when it has none. Never throws.
  virtual std::optional<std::string> localizedName() const;

  // This machine.
  static const Host& current();
};

}  // namespace amberloom::platform
