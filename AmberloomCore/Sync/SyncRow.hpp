#pragma once
// One setting compared between this Mac and another Mac: how the two values stand to each other,
// and whether the user keeps the setting different on this Mac.

#include <optional>
#include <string>

#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

class SyncDifference {
 public:
  enum class Case { same, differs, onlyThere, onlyHere };

  // Both Macs have equal values; this Mac's value is kept.
  static SyncDifference same(PreferenceValue value) { return {Case::same, std::move(value), std::nullopt}; }
  static SyncDifference differs(PreferenceValue here, PreferenceValue there) {
    return {Case::differs, std::move(here), std::move(there)};
  }
  static SyncDifference onlyThere(PreferenceValue value) { return {Case::onlyThere, std::nullopt, std::move(value)}; }
  static SyncDifference onlyHere(PreferenceValue value) { return {Case::onlyHere, std::move(value), std::nullopt}; }

  Case kind() const { return case_; }
  // This Mac's value: the payload of same and onlyHere, `here` of differs; none for onlyThere.
  const std::optional<PreferenceValue>& here() const { return here_; }
  // The other Mac's value: `there` of differs, the payload of onlyThere; none for same and onlyHere.
  const std::optional<PreferenceValue>& there() const { return there_; }

  bool operator==(const SyncDifference&) const = default;

 private:
  SyncDifference(Case c, std::optional<PreferenceValue> here, std::optional<PreferenceValue> there)
      : case_(c), here_(std::move(here)), there_(std::move(there)) {}
  Case case_;
  std::optional<PreferenceValue> here_;
  std::optional<PreferenceValue> there_;
};

struct SyncRow {
  std::string settingID;
  std::string label;  // from this Mac's catalogue
  SyncDifference difference;
  bool pinnedToThisMac = false;  // the user keeps this setting different on this Mac

  bool operator==(const SyncRow&) const = default;

  // False for a pinned row; otherwise true unless both Macs agree.
  bool needsAttention() const { return !pinnedToThisMac && difference.kind() != SyncDifference::Case::same; }
  // What copying would bring to this Mac: the other Mac's value of differs and onlyThere, else none.
  const std::optional<PreferenceValue>& incomingValue() const { return difference.there(); }
};

}  // namespace amberloom
