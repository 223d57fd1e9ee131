#pragma once
// The settings pinned to this Mac: setting IDs whose values this Mac keeps, so that neither a
// quick setup nor sync overwrites them. Stored in the application's preferences under
// "pinnedSettingIDs" as an ascending array of strings and read afresh whenever it is needed.

#include <set>
#include <string>

#include "Preferences/UserDefaults.hpp"

namespace amberloom::PinnedSettings {

inline constexpr const char* defaultsKey = "pinnedSettingIDs";

// The stored IDs; an absent key or anything but an array of strings gives the empty set.
std::set<std::string> load(const UserDefaults& defaults);
// Stores the IDs in ascending code-point order, replacing what was there (an empty set stores an
// empty array). Throws as UserDefaults::set does.
void save(const std::set<std::string>& ids, UserDefaults& defaults);

}  // namespace amberloom::PinnedSettings
