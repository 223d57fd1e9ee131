#pragma once
// The self-test harness: checks, setting by setting, that a test value written at a catalogue
// setting's key path becomes visible to other processes. `apply` snapshots the root keys, writes
// each test value through the store and reads it back through an outside reader; `recheck` reads
// again later without writing (after the caller restarted `restartTargets`); `restore` puts the
// snapshot back and checks each entry from outside. Works beside the settings service: no type
// check, no change history, no undo point, no restarts; defaults-channel settings only. None of
// the operations throws: every failure becomes a verdict.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Preferences/DomainResolver.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Support/Json.hpp"
#include "Preferences/PreferenceFileLocator.hpp"
#include "Preferences/PreferenceValue.hpp"
#include "Preferences/PreferenceWriter.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/SnapshotService.hpp"
#include "SelfTest/VerificationValues.hpp"

namespace amberloom {

// The verdict on one setting.
class VerificationResult {
 public:
  // Declaration order is part of the contract.
  enum class Kind {
    pass,               // the outside value is the expected one
    mismatch,           // expected() and actual() (none: absent or unreadable from outside)
    writeFailed,        // errorText(): the write error's description
    missingTestValue,   // no test value; the type is bool, int, double or string
    measuredElsewhere,  // no test value; the type is dictionary or array
    inconclusive,       // value(): the test value was already visible before writing; nothing written
  };

  static VerificationResult pass() { return VerificationResult(Kind::pass); }
  static VerificationResult mismatch(std::optional<PreferenceValue> expected, std::optional<PreferenceValue> actual);
  static VerificationResult writeFailed(std::string errorText);
  static VerificationResult missingTestValue() { return VerificationResult(Kind::missingTestValue); }
  static VerificationResult measuredElsewhere() { return VerificationResult(Kind::measuredElsewhere); }
  static VerificationResult inconclusive(PreferenceValue value);

  Kind kind() const { return kind_; }
  bool isPass() const { return kind_ == Kind::pass; }
  // The case name, which is also the result's JSON key: "pass", "mismatch", ...
  static const char* kindName(Kind kind);

  // Payloads; empty for every other case.
  const std::optional<PreferenceValue>& expected() const { return expected_; }  // mismatch
  const std::optional<PreferenceValue>& actual() const { return actual_; }      // mismatch
  const std::string& errorText() const { return errorText_; }                   // writeFailed
  const std::optional<PreferenceValue>& value() const { return value_; }        // inconclusive: always set

  // Same case and equal payloads.
  bool operator==(const VerificationResult&) const = default;

  // {"pass": {}}, {"mismatch": {"expected": ..., "actual": ...}} (each left out when absent),
  // {"writeFailed": {"_0": "..."}}, {"inconclusive": {"value": ...}}, ...
  // Throws JsonWriteError for a non-finite double in a payload.
  Json toJson() const;
  // Keys that are not case names are ignored. Throws DecodingError: typeMismatch "Invalid number
  // of keys found, expected one." unless exactly one case key is present, or the payload's own
  // decoding errors.
  static VerificationResult fromJson(const Json& json, const CodingPath& path = {});

 private:
  explicit VerificationResult(Kind kind) : kind_(kind) {}
  Kind kind_;
  std::optional<PreferenceValue> expected_;
  std::optional<PreferenceValue> actual_;
  std::string errorText_;
  std::optional<PreferenceValue> value_;
};

// One verdict with its place.
struct VerificationOutcome {
  std::string settingID;
  std::string storagePath;  // the preference file behind the setting's resolved domain
  VerificationResult result;

  bool isPass() const { return result.isPass(); }
  bool operator==(const VerificationOutcome&) const = default;
  Json toJson() const;  // {"result": ..., "settingID": ..., "storagePath": ...}
  static VerificationOutcome fromJson(const Json& json, const CodingPath& path = {});
};

// What `apply` found, and everything `recheck` and `restore` need later; can be stored as JSON.
struct ApplyReport {
  Snapshot snapshot;                          // the root values before anything was written
  std::vector<VerificationOutcome> outcomes;  // one per tested setting, in test order
  std::vector<std::string> restartTargets;    // apps of passing or mismatching settings, each once

  bool operator==(const ApplyReport&) const = default;
  Json toJson() const;  // {"outcomes": [...], "restartTargets": [...], "snapshot": {...}}
  static ApplyReport fromJson(const Json& json, const CodingPath& path = {});
};

class VerificationRunner {
 public:
  // The writer and the snapshot service are both built over `store` (and `resolver`); `store`
  // and `reader` must not be null. `homeDirectory` only expands a leading tilde in test values.
  VerificationRunner(SettingsCatalog catalog, VerificationValues values, DomainResolver resolver,
                     PreferenceStoreRef store, std::shared_ptr<const ExternalPreferenceReader> reader,
                     PreferenceFileLocator locator, std::string homeDirectory);

  // Tests the listed settings (none: every defaults-channel setting of the catalogue), in list
  // order; unknown ids and Night Shift settings give no outcome, a repeated id is tested again.
  // Leaves the test values in place.
  ApplyReport apply(const std::optional<std::vector<std::string>>& settingIDs = std::nullopt) const;
  // Reads the report's settings again from outside without writing; never writeFailed or
  // inconclusive.
  std::vector<VerificationOutcome> recheck(const ApplyReport& report) const;
  // Writes each snapshot entry back on its own and checks its root key from outside; one outcome
  // per entry, named by the catalogue setting with exactly the entry's reference, else by the
  // entry's key path joined with ".".
  std::vector<VerificationOutcome> restore(const Snapshot& snapshot) const;

  const SettingsCatalog& catalog() const { return catalog_; }
  const VerificationValues& values() const { return values_; }
  const std::string& homeDirectory() const { return homeDirectory_; }

 private:
  std::vector<const SettingDefinition*> settings(const std::optional<std::vector<std::string>>& ids) const;
  Snapshot captureAll(const std::vector<const SettingDefinition*>& settings) const;
  std::optional<PreferenceValue> externalValue(const std::vector<std::string>& path,
                                               const ResolvedDomain& domain) const;
  VerificationOutcome applyOne(const SettingDefinition& setting, const Snapshot& before) const;

  SettingsCatalog catalog_;
  VerificationValues values_;
  DomainResolver resolver_;
  PreferenceWriter writer_;
  SnapshotService snapshots_;
  std::shared_ptr<const ExternalPreferenceReader> reader_;
  PreferenceFileLocator locator_;
  std::string homeDirectory_;
};

}  // namespace amberloom
