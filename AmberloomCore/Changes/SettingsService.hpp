#pragma once
// Reads, writes and resets one catalogue setting through its channel: a key path in a preference
// domain, or Night Shift. It never confirms a write and never records anything: confirming from
// outside and recording are the caller's steps.

#include <optional>
#include <string>
#include <vector>

#include "Preferences/DomainResolver.hpp"
#include "Support/ErrorDescription.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/PreferenceWriter.hpp"
#include "Catalog/SettingsCatalog.hpp"

namespace amberloom {

class SettingsServiceError : public DescribedError {
 public:
  enum class Case { channelUnavailable, writeRefused, typeMismatch };

  static SettingsServiceError channelUnavailable(std::string settingID);
  static SettingsServiceError writeRefused(std::string settingID);
  static SettingsServiceError typeMismatch(std::string settingID, SettingValueType expected);

  Case errorCase() const { return case_; }
  const std::string& settingID() const { return settingID_; }
  bool operator==(const SettingsServiceError& other) const { return description() == other.description(); }

 private:
  SettingsServiceError(Case c, std::string settingID, const std::string& description)
      : DescribedError(description), case_(c), settingID_(std::move(settingID)) {}
  Case case_;
  std::string settingID_;
};

// Whether a value's kind fits a setting's value type (data and dates fit none).
bool valueFits(const PreferenceValue& value, SettingValueType type);
// Follows `path` (after the root key) through nested dictionaries; none when a level is missing.
std::optional<PreferenceValue> valueAlongPath(std::optional<PreferenceValue> root,
                                              const std::vector<std::string>& path);
// A stored value as a setting of `type` reads it: a whole number where a double belongs (what
// `defaults write -int` leaves behind) becomes that double; everything else is unchanged.
std::optional<PreferenceValue> asReadFor(std::optional<PreferenceValue> value, SettingValueType type);

// Whether a setting holding `value` counts as changed from the macOS default: any value does,
// except for Night Shift, which always reads on or off and is off by default, so it counts only
// while on.
bool countsAsSet(const SettingDefinition& setting, const std::optional<PreferenceValue>& value);

// The value that switches a bool or int setting on or off; none for other types.
std::optional<PreferenceValue> toggleValue(const SettingDefinition& setting, bool on);
// Whether a value shows a switch-like setting as on.
bool isOn(const std::optional<PreferenceValue>& value);

// The write of a defaults-channel setting's root key that writing `value` (none: resetting) makes,
// given what the root key holds now (`root` as the store reads it; `rootExists` when the key holds
// something all the same); none when nothing is to be written. Throws what apply and reset throw
// before writing.
std::optional<KeyWrite> rootWrite(const SettingDefinition& setting, const std::optional<PreferenceValue>& value,
                                  const std::optional<PreferenceValue>& root, bool rootExists);

class SettingsService {
 public:
  SettingsService(DomainResolver resolver, PreferenceStoreRef store, bool isDryRun = false)
      : resolver_(std::move(resolver)), store_(store), writer_(store), isDryRun_(isDryRun) {}

  // The value inside this process; none when unset or unreadable. An int stored for a double
  // setting reads as that double (see asReadFor), so it can be shown and written back.
  std::optional<PreferenceValue> currentValue(const SettingDefinition& setting) const;
  // Whether a setting that reads as none may hold a value after all: its root key holds something
  // no PreferenceValue represents, or its domain's file cannot be read. Never throws.
  bool isUnreadable(const SettingDefinition& setting) const;
  // What currentValue gives for each setting, in order. The values of one domain (and host scope)
  // come from one read of the store, so they are a consistent snapshot of it; each domain is
  // resolved once. For reading thousands of settings at a time.
  std::vector<std::optional<PreferenceValue>> currentValues(const std::vector<const SettingDefinition*>& settings) const;
  std::vector<std::optional<PreferenceValue>> currentValues(const std::vector<SettingDefinition>& settings) const;
  // For each setting, in order, whether the file of its domain is there but cannot be read (a
  // damaged property list), so that its value is unknown rather than unset; each domain is looked
  // at once. Only a probing store can tell; with any other, none is. Never throws.
  std::vector<bool> inUnreadableDomain(const std::vector<const SettingDefinition*>& settings) const;
  // The value as another process sees it; none when unset or unreadable; read as currentValue is.
  std::optional<PreferenceValue> externallyVisibleValue(const SettingDefinition& setting,
                                                        const ExternalPreferenceReader& reader) const;
  // Writes the value after checking its kind; returns the apps to restart. Throws
  // SettingsServiceError, PreferenceWriteError or the store's errors.
  std::vector<std::string> apply(const PreferenceValue& value, const SettingDefinition& setting) const;
  // Removes the value (Night Shift: turns it off); returns the apps to restart.
  std::vector<std::string> reset(const SettingDefinition& setting) const;

  const DomainResolver& resolver() const { return resolver_; }
  const PreferenceStoreRef& store() const { return store_; }
  const PreferenceWriter& writer() const { return writer_; }
  bool isDryRun() const { return isDryRun_; }

 private:
  void writeNightShift(const PreferenceValue& value, const SettingDefinition& setting) const;

  DomainResolver resolver_;
  PreferenceStoreRef store_;
  PreferenceWriter writer_;
  bool isDryRun_;
};

// The Night Shift state as a second run of this executable reports it, for a setting whose key
// path ends in "enabled"; none otherwise.
std::optional<PreferenceValue> nightShiftValueFromOutside(const SettingRef& ref);

}  // namespace amberloom
