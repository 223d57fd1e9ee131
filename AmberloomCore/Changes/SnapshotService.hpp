#pragma once
// Snapshots: what the top-level preference key of each of a list of settings holds at one moment
// (or the Night Shift state), so that exactly that state can be put back later. The payload of
// undo points, backups and self-test reports, always in the JSON form below.

#include <optional>
#include <utility>
#include <vector>

#include "Preferences/DomainResolver.hpp"
#include "Support/ErrorDescription.hpp"
#include "Preferences/PreferenceStore.hpp"
#include "Preferences/PreferenceValue.hpp"
#include "Catalog/SettingRef.hpp"
#include "Catalog/SettingValueType.hpp"

namespace amberloom {

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
  static SnapshotEntry fromJson(const Json& json, const CodingPath& path = {});
};

struct Snapshot {
  std::vector<SnapshotEntry> entries;  // capture order

  bool operator==(const Snapshot&) const = default;
  Json toJson() const;  // {"entries": [...]}
  // The snapshot as a file can keep it: an entry whose value has no JSON form (a number that is
  // not finite, a date outside the years 1 to 9999) becomes unreadable, without its value.
  Snapshot storable() const;
  static Snapshot fromJson(const Json& json, const CodingPath& path = {});
};

class SnapshotRestoreError : public DescribedError {
 public:
  enum class Case { channelUnavailable, writeRefused, valueUnknown };
  static SnapshotRestoreError channelUnavailable(SettingRef ref) { return {Case::channelUnavailable, std::move(ref)}; }
  static SnapshotRestoreError writeRefused(SettingRef ref) { return {Case::writeRefused, std::move(ref)}; }
  static SnapshotRestoreError valueUnknown(SettingRef ref) { return {Case::valueUnknown, std::move(ref)}; }

  Case errorCase() const { return case_; }
  const SettingRef& ref() const { return ref_; }
  bool operator==(const SnapshotRestoreError& other) const { return case_ == other.case_ && ref_ == other.ref_; }

 private:
  SnapshotRestoreError(Case c, SettingRef ref);
  Case case_;
  SettingRef ref_;
};

class SnapshotService {
 public:
  SnapshotService(PreferenceStoreRef store, DomainResolver resolver)
      : store_(std::move(store)), resolver_(std::move(resolver)) {}

  // Every ref as a defaults-channel setting.
  Snapshot capture(const std::vector<SettingRef>& refs) const;
  // Never fails; an empty path gives no entry; duplicates are captured twice.
  Snapshot capture(const std::vector<std::pair<SettingRef, SettingChannel>>& items) const;
  // Writes every entry back, each that can be, as writing them in order would: the entries of one
  // domain in one write of its file (one after the other where root keys repeat). A Night Shift
  // failure or a store error skips that entry only, and the first such error in snapshot order is
  // thrown once all entries were tried; an unreadable defaults entry is skipped and, when nothing
  // else failed, its valueUnknown is thrown at the end. Callers read back which entries were put
  // back.
  void restore(const Snapshot& snapshot) const;

  const PreferenceStoreRef& store() const { return store_; }
  const DomainResolver& resolver() const { return resolver_; }

 private:
  PreferenceStoreRef store_;
  DomainResolver resolver_;
};

}  // namespace amberloom
