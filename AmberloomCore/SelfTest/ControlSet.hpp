#pragma once
// The negative controls of the self-test kit: preference values known not to take effect, at
// once or after the affected app restarts. Run through the verification runner (as `asCatalog()`
// with `asValues()`), each must come out as not working; `judge` says whether the runner can be
// trusted from one control's `apply` and `recheck` results.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Preferences/PreferenceValue.hpp"
#include "Catalog/SettingRef.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "SelfTest/VerificationRunner.hpp"
#include "SelfTest/VerificationValues.hpp"

namespace amberloom {

// How a control is expected to fail; raw texts equal the case names, matched exactly.
enum class ControlExpectation { failsImmediately, failsAfterRestart };
std::string_view rawValue(ControlExpectation value);
std::optional<ControlExpectation> controlExpectation(std::string_view raw);

struct ControlEntry {
  std::string id;  // also the setting id in the catalogue and values made from the set
  SettingRef ref;  // byHost always false
  PreferenceValue value;
  ControlExpectation expectation = ControlExpectation::failsImmediately;
  std::string why;  // why the value is known not to work, for people
  // The apps whose restart makes a failsAfterRestart value go away. Without them the runner would
  // name nothing to restart, and such a control would always look as if it survived.
  std::vector<std::string> restartsApps;
  bool operator==(const ControlEntry&) const = default;
};

class ControlVerdict {
 public:
  enum class Kind { runnerCannotBeTrusted, runnerIsTrustworthy };
  static ControlVerdict runnerCannotBeTrusted(std::string reason) {
    return ControlVerdict(Kind::runnerCannotBeTrusted, std::move(reason));
  }
  static ControlVerdict runnerIsTrustworthy() { return ControlVerdict(Kind::runnerIsTrustworthy, {}); }

  Kind kind() const { return kind_; }
  const std::string& reason() const { return reason_; }  // runnerCannotBeTrusted only
  bool operator==(const ControlVerdict&) const = default;

 private:
  ControlVerdict(Kind kind, std::string reason) : kind_(kind), reason_(std::move(reason)) {}
  Kind kind_;
  std::string reason_;
};

// The reasons `judge` gives.
inline constexpr const char* kControlNotMeasured = "kontrol ayari olculemedi";
inline constexpr const char* kControlSurvivedRestart = "yeniden baslatmada kaybolmasi beklenen ayar sag gorundu";
inline constexpr const char* kControlPassedAtOnce = "bozuk olmasi beklenen ayar yesil verdi";

class ControlSet {
 public:
  explicit ControlSet(std::vector<ControlEntry> entries = {}) : entries_(std::move(entries)) {}

  // {"controls": [{"id", "domain", "path", "type", "value", "expect", "why", "restart"?}, ...]},
  // all keys but "restart" (apps to restart; absent: none) required. Throws DecodingError for
  // malformed JSON, a missing or mistyped key or an unknown "expect"; then, control by control,
  // CatalogError::unknownValueType, CatalogError::emptyPath or
  // VerificationValuesError::valueDoesNotMatchType. Repeated ids are kept.
  static ControlSet fromData(std::string_view bytes);
  // The built-in "control_settings" resource; also throws ResourceError when it is missing.
  static ControlSet bundled();

  const std::vector<ControlEntry>& entries() const { return entries_; }

  // One bool-typed toggle setting per entry, labelled with its `why` and restarting its apps;
  // schema 1, catalogue 0.
  SettingsCatalog asCatalog() const;
  // Each entry's value under its id, without tilde expansion. Of repeated ids the first entry
  // wins, as in `expectation` and in the catalogue's lookup by id.
  VerificationValues asValues() const;
  // The expectation of the first entry with exactly this id.
  std::optional<ControlExpectation> expectation(const std::string& id) const;

  // An inconclusive result means the control was not measured; otherwise a control expected to
  // fail after a restart must not pass its recheck, and one expected to fail at once must not
  // pass its apply. Every other result counts as the control failing.
  static ControlVerdict judge(ControlExpectation expectation, const VerificationResult& applyResult,
                              const VerificationResult& recheckResult);

  bool operator==(const ControlSet&) const = default;

 private:
  std::vector<ControlEntry> entries_;
};

}  // namespace amberloom
