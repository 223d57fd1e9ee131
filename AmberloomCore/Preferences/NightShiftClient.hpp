#pragma once
// Reads and switches Night Shift through the system's blue-light client. The client may be
// missing (no support on this machine): creation then gives none and the channel is unavailable.

#include <memory>
#include <optional>

namespace amberloom::platform {
class BlueLightClient;
}

namespace amberloom {

class NightShiftClient {
 public:
  // A client, or none when Night Shift cannot be driven here.
  static std::optional<NightShiftClient> create();
  // Whether a client can be created now; creates and drops one each time.
  static bool isAvailable();

  // The current state; none when it cannot be read.
  std::optional<bool> isEnabled() const;
  // True when the switch was accepted.
  bool setEnabled(bool enabled) const;

 private:
  explicit NightShiftClient(std::shared_ptr<const platform::BlueLightClient> client) : client_(std::move(client)) {}
  std::shared_ptr<const platform::BlueLightClient> client_;
};

}  // namespace amberloom
