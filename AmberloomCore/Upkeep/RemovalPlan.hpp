#pragma once
// What removing the application's data would delete and keep, with sizes, and how many settings
// the application still has changed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace amberloom {

struct RemovalPlan {
  struct Item {
    std::string label;  // the text the removal screen shows
    std::string path;   // absolute
    std::int64_t bytes = 0;
    bool operator==(const Item&) const = default;
  };

  std::vector<Item> appData;    // deleted by removal, in listing order
  std::optional<Item> backups;  // the backup folder, shown and never deleted; none when missing
  // Change-history records that still hold a value, of settings the catalogue knows.
  std::int64_t settingsLeftChanged = 0;
  // Without a readable change history (none yet, or deleted with the app's files): the catalogued
  // settings that hold a value on this Mac, of which AmberLoom may have changed any. 0 otherwise.
  std::int64_t settingsSetWithoutHistory = 0;

  // The sum of the app-data sizes; 0 for none.
  std::int64_t appDataBytes() const;
  bool operator==(const RemovalPlan&) const = default;
};

}  // namespace amberloom
