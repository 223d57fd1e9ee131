#pragma once
// One setting whose value no longer matches what the user chose: typically the system put its
// own value back during an update. Carries both values so the screen can show them side by side.

#include <optional>
#include <string>

#include "Catalog/SettingsCatalog.hpp"
#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

struct RepairFinding {
  SettingDefinition setting;
  std::optional<PreferenceValue> wanted;   // the recorded choice; none: the user removed the key
  std::optional<PreferenceValue> current;  // what the setting holds now; none: the key is absent
  double chosenAt = 0;                     // when the choice was recorded, seconds since the reference date
  // The value there now cannot be read (`current` is none): it may or may not be the choice.
  bool currentUnreadable = false;

  // The setting's id: the identity used for selection and lists.
  const std::string& id() const { return setting.id; }
  bool operator==(const RepairFinding&) const = default;
};

}  // namespace amberloom
