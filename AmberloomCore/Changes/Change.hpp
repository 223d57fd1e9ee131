#pragma once
// What one write to this Mac's settings touched, as every screen that shows values or undo points
// hears of it: the settings written (or their root keys), the apps to restart for the write to
// take effect, and whether the stored undo points changed.

#include <string>
#include <unordered_set>
#include <vector>

#include "Catalog/SettingRef.hpp"
#include "Changes/SnapshotService.hpp"

namespace amberloom {

struct Change {
  std::vector<SettingRef> settings;         // the settings written, or their root keys
  std::vector<std::string> restartTargets;  // apps to restart for the write to take effect
  bool storedUndoPoint = false;             // the undo points on disk changed: one was stored (or all removed)

  // The settings of the snapshot taken before a batch (or put back by an undo).
  static Change of(const Snapshot& touched, std::vector<std::string> restartTargets = {},
                   bool storedUndoPoint = false);
  // The root keys written: a setting whose key lies under one of them may have changed.
  std::unordered_set<SettingRef> roots() const;
  bool operator==(const Change&) const = default;
};

}  // namespace amberloom
