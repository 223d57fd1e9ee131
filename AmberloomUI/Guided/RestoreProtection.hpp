#pragma once
// An entry of a restore that takes the user's own tick.

#include <optional>
#include <string>

#include "Catalog/SettingRef.hpp"

namespace amberloom::ui {

// An entry of a restore that nobody should get unasked: it would change a setting controlling a
// macOS protection, which the backup may switch off; or it holds a value macOS writes itself on
// that Mac (a typed path, the keyboard layout in use), or a value of the wrong kind for its
// setting. It comes over only when the user ticks it in the confirmation.
struct RestoreProtection {
  enum class Why { protection, systemWritten, wrongKind };
  SettingRef ref;
  std::string label;                    // the settings' labels, joined with ", " when the root holds several
  std::optional<std::string> riskNote;  // what switching it off risks, from the catalogue
  Why why = Why::protection;            // the first that holds, in the order above
  bool operator==(const RestoreProtection&) const = default;
};

}  // namespace amberloom::ui
