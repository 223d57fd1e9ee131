#include "Changes/Change.hpp"

namespace amberloom {

Change Change::of(const Snapshot& touched, std::vector<std::string> restartTargets, bool storedUndoPoint) {
  Change change{{}, std::move(restartTargets), storedUndoPoint};
  change.settings.reserve(touched.entries.size());
  for (const auto& entry : touched.entries) change.settings.push_back(entry.ref);
  return change;
}

std::unordered_set<SettingRef> Change::roots() const {
  std::unordered_set<SettingRef> roots;
  for (const auto& setting : settings) roots.insert(setting.root());
  return roots;
}

}  // namespace amberloom
