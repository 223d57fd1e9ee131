#pragma once
// What a restore from a backup would do to this Mac.

#include <vector>

#include "Catalog/SettingRef.hpp"
#include "Guided/RestoreProtection.hpp"

namespace amberloom::ui {

struct RestorePlan {
  std::vector<SettingRef> incoming;     // entries that would change this Mac, in backup order
  std::vector<SettingRef> overwritten;  // those of `incoming` replacing a value set here
  int unchanged = 0;                    // entries already equal to this Mac's value
  int leftAlone = 0;                    // entries with no value in the backup
  std::vector<SettingRef> unreadable;   // entries whose value on this Mac cannot be read, in backup order
  std::vector<RestoreProtection> protections;  // those of `incoming` left out unless ticked, in their order
  bool operator==(const RestorePlan&) const = default;
};

}  // namespace amberloom::ui
