#pragma once
// Confirms Night Shift from outside: a second run of the application's own executable with
// "--amberloom-read-night-shift" prints "on" or "off" and exits. Every executable of the system
// hands its arguments to `handleReadArgumentIfPresent` before anything else. A run that has not
// finished within the wait limit is killed and counts as unreadable.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace amberloom {

class NightShiftVerifier {
 public:
  static constexpr const char* readArgument = "--amberloom-read-night-shift";

  static constexpr std::chrono::milliseconds defaultWaitLimit{10000};
  // What a read-back run may take unless a verifier is given its own limit: the default, or what
  // the environment sets for every read-back (Support/WaitLimit.hpp).
  static std::chrono::milliseconds standardWaitLimit();

  explicit NightShiftVerifier(std::optional<std::string> executablePath,
                              std::chrono::milliseconds waitLimit = standardWaitLimit())
      : executablePath_(std::move(executablePath)), waitLimit_(waitLimit) {}
  // The running executable.
  static NightShiftVerifier forCurrentExecutable();

  // Returns when no argument equals the switch exactly. Otherwise prints "on" or "off" and exits
  // with status 0, or exits with status 2 when Night Shift cannot be read.
  static void handleReadArgumentIfPresent(const std::vector<std::string>& arguments);
  static void handleReadArgumentIfPresent(int argc, char** argv);

  // The state as a second process reports it, or none.
  std::optional<bool> enabledFromSeparateProcess() const;

 private:
  std::optional<std::string> executablePath_;
  std::chrono::milliseconds waitLimit_;
};

}  // namespace amberloom
