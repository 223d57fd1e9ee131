#pragma once
// Snapshots: what the top-level preference key of each of a list of settings holds at one moment
// (or the Night Shift state), so that exactly that state can be put back later. The payload of
// undo points, backups and self-test reports, always in the JSON form below. SnapshotService
// takes and restores them.

#include <optional>
#include <vector>

#include "Catalog/SettingRef.hpp"
#include "Catalog/SettingValueType.hpp"
#include "Preferences/PreferenceValue.hpp"
#include "Support/Json.hpp"

namespace amberloom {

// Whether the value has a JSON form: every number finite, every date within the years 1 to 9999,
// every text (dictionary keys too) well-formed UTF-8. Looks at the value without writing it.
bool hasJsonForm(const PreferenceValue& value);

struct SnapshotEntry {
  SettingRef ref;
  std::optional<PreferenceValue> rootValue;  // the whole root key's value; none: absent or unreadable
  SettingChannel channel = SettingChannel::defaults;
  // The key exists but its value cannot be represented, or its domain's file cannot be read, or
  // (in a stored file) its value had no JSON form.
  bool isUnreadable = false;

  bool operator==(const SnapshotEntry&) const = default;
  // {"ref": ..., "rootValue": ...}; "channel" only for Night Shift, "unreadable" only when true.
  Json toJson() const;
  void writeJsonTo(JsonTextWriter& out) const;  // the same, as text
  static SnapshotEntry fromJson(const Json& json, const CodingPath& path = {});
};

struct Snapshot {
  std::vector<SnapshotEntry> entries;  // capture order

  bool operator==(const Snapshot&) const = default;
  Json toJson() const;  // {"entries": [...]}
  void writeJsonTo(JsonTextWriter& out) const;  // the same, as text
  // The snapshot as a file can keep it: an entry whose value has no JSON form (a number that is
  // not finite, a date outside the years 1 to 9999) becomes unreadable, without its value.
  Snapshot storable() const;
  static Snapshot fromJson(const Json& json, const CodingPath& path = {});
};

}  // namespace amberloom
