#pragma once
// An entry of a restore that would change a setting controlling a macOS protection.

#include <optional>
#include <string>

#include "Catalog/SettingRef.hpp"

namespace amberloom::ui {

// An entry of a restore that would change a setting controlling a macOS protection, which the
// backup may switch off. It comes over only when the user ticks it in the confirmation.
struct RestoreProtection {
  SettingRef ref;
  std::string label;                    // the settings' labels, joined with ", " when the root holds several
  std::optional<std::string> riskNote;  // what switching it off risks, from the catalogue
  bool operator==(const RestoreProtection&) const = default;
};

}  // namespace amberloom::ui
