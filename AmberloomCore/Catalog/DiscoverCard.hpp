#pragma once
// One tip card of the discover deck ("tip of the day"): a catalogue setting with a hook line and
// a body.

#include <string>

namespace amberloom {

struct DiscoverCard {
  std::string settingID;  // also the card's identity
  std::string hook;       // the one-line teaser
  std::string body;

  const std::string& id() const { return settingID; }
  bool operator==(const DiscoverCard&) const = default;
};

}  // namespace amberloom
