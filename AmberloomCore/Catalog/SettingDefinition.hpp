#pragma once
// One setting of the catalogue (see SettingsCatalog): where its value lives, the kind of value it
// takes, how it is edited, which apps restart after a change, the versions it applies to, and the
// texts and flags the screens show.

#include <optional>
#include <string>
#include <vector>

#include "Catalog/SettingControl.hpp"
#include "Catalog/SettingRef.hpp"
#include "Catalog/SettingValueType.hpp"
#include "Preferences/Version.hpp"

namespace amberloom {

struct SettingAvailability {
  std::optional<Version> osMin;          // inclusive
  std::optional<Version> osMax;          // inclusive
  std::optional<Version> minAppVersion;  // inclusive
  std::vector<Version> brokenOn;         // these releases and their point releases

  static SettingAvailability always() { return {}; }
  // False below osMin, above osMax, below minAppVersion, or on a broken release family.
  bool allows(const Version& os, const Version& app) const;
  bool operator==(const SettingAvailability&) const = default;
};

struct SettingText {
  std::string summary;
  std::string whyHidden;
  SettingTextLevel level = SettingTextLevel::basic;
  std::string category;      // the sidebar group's key
  std::string categoryName;  // its display name
  std::optional<std::string> subcategory;
  std::optional<std::string> subcategoryName;
  std::optional<std::string> riskNote;
  bool operator==(const SettingText&) const = default;
};

struct SettingDefinition {
  std::string id;
  SettingRef ref;
  SettingValueType type = SettingValueType::boolean;
  std::string label;
  std::vector<std::string> restartsApps;
  SettingAvailability availability;
  SettingControl control = SettingControl::unsupported();
  bool effectUnverified = false;  // written properly, but may do nothing on recent macOS
  bool systemWritten = false;     // macOS writes it itself; the exported script leaves it out
  // Its value reaches beyond the setting itself, though its control looks plain (a profile that
  // runs commands, where files are sent, a search shared with others): another Mac's value never
  // comes over unattended.
  bool asksBeforeSync = false;
  std::optional<SettingText> text;
  SettingChannel channel = SettingChannel::defaults;
  SettingExposure exposure = SettingExposure::hidden;
  SettingRisk risk = SettingRisk::none;
  SettingTier tier = SettingTier::editable;

  bool operator==(const SettingDefinition&) const = default;
  // Every defaults setting; a Night Shift setting only while a Night Shift client can be created.
  bool isUsableOnThisMac() const;
};

}  // namespace amberloom
