#pragma once
// Takes snapshots of settings from the preference store and puts them back (see Snapshot).

#include <utility>
#include <vector>

#include "Catalog/SettingRef.hpp"
#include "Catalog/SettingValueType.hpp"
#include "Changes/Snapshot.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Preferences/PreferenceStore.hpp"
#include "Support/ErrorDescription.hpp"

namespace amberloom {

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
