#pragma once
// Stand-in for the system's blue-light (Night Shift) client. The state lives in the user's
// com.apple.CoreBrightness preferences under "BlueReductionEnabled"; the status call fills the
// same 128-byte record the system's client fills, with the enabled flag at byte 1.

#include <cstdint>
#include <memory>

#include "Platform/PreferenceFiles.hpp"

namespace amberloom::platform {

class BlueLightClient {
 public:
  static constexpr std::size_t kStatusRecordSize = 128;

  // A client, or none when Night Shift cannot be driven here: the state cannot be read or written,
  // or AMBERLOOM_NIGHT_SHIFT=unavailable is set.
  static std::unique_ptr<BlueLightClient> create();

  // Fills the status record; false when the state cannot be read.
  bool getBlueLightStatus(std::uint8_t (&record)[kStatusRecordSize]) const;
  // Switches Night Shift; false when the state cannot be written. Off removes the flag, and the
  // file when nothing else is left in it.
  bool setEnabled(bool enabled) const;

 private:
  explicit BlueLightClient(PreferenceFiles files) : files_(std::move(files)) {}
  PreferenceFiles files_;
};

}  // namespace amberloom::platform
