#pragma once
// Where a setting lives: its domain as the catalogue writes it ("NSGlobalDomain" or an app id),
// its key path (the preference key, then keys of nested dictionaries) and whether it is a
// current-host value. Two refs differing only in the by-host flag are different settings.

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "Support/Json.hpp"

namespace amberloom {

struct SettingRef {
  std::string domain;
  std::vector<std::string> path;
  bool byHost = false;

  // Domains and path elements compare by canonical equivalence, as the platform compares them.
  bool operator==(const SettingRef& other) const;
  // The preference key the value lives under (the first path element), in the same domain: what
  // snapshots capture and restore whole.
  SettingRef root() const;

  // {"byHost": false, "domain": "...", "path": [...]}; all three keys required when reading.
  Json toJson() const;
  void writeJsonTo(JsonTextWriter& out) const;  // the same, as text
  static SettingRef fromJson(const Json& json, const CodingPath& path = {});
  // AmberloomCore.SettingRef(domain: "...", path: [...], byHost: false)
  std::string description() const;

  // Byte-exact equality and hashing, for sets of the keys a store holds: the store keeps "café"
  // composed and "café" decomposed as two keys, which == takes for one.
  struct ExactEqual {
    bool operator()(const SettingRef& a, const SettingRef& b) const {
      return a.byHost == b.byHost && a.domain == b.domain && a.path == b.path;
    }
  };
  struct ExactHash {
    std::size_t operator()(const SettingRef& ref) const noexcept;
  };
};

// The refs of distinct keys, as a store tells them apart.
using ExactRefSet = std::unordered_set<SettingRef, SettingRef::ExactHash, SettingRef::ExactEqual>;

}  // namespace amberloom

// Consistent with ==: canonically equivalent refs hash alike.
template <>
struct std::hash<amberloom::SettingRef> {
  std::size_t operator()(const amberloom::SettingRef& ref) const noexcept;
};
