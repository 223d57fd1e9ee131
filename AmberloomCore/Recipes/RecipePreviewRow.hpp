#pragma once
// One line of a recipe preview: a setting, its value on this Mac when the row was made, and the
// value the recipe would give it.

#include <optional>
#include <string>

#include "Catalog/SettingControl.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

struct RecipePreviewRow {
  std::string settingID;  // also the row's identity
  std::string label;
  std::optional<PreferenceValue> current;  // none: not set on this Mac
  PreferenceValue target;
  bool pinnedToThisMac = false;
  SettingControl control = SettingControl::unsupported();

  const std::string& id() const { return settingID; }
  // True when nothing is set or the value differs from the target (an int 1 differs from 1.0).
  bool changes() const { return !current || !(*current == target); }
  // Changes and is not pinned to this Mac.
  bool willWrite() const { return changes() && !pinnedToThisMac; }
  std::string currentText() const { return control.describe(current); }
  std::string targetText() const { return control.describe(target); }

  bool operator==(const RecipePreviewRow&) const = default;
};

}  // namespace amberloom
