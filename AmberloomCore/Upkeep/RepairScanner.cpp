#include "Upkeep/RepairScanner.hpp"

namespace amberloom {

RepairScan RepairScanner::scan(const std::optional<std::string>& previousBuild) const {
  RepairScan result{{}, previousBuild, currentBuild_};
  for (auto& intent : log_.newestFirst()) {
    // Every catalogued setting counts, whatever the macOS it is available on.
    const SettingDefinition* setting = catalog_.setting(intent.settingID);
    if (!setting) continue;
    auto current = service_.currentValue(*setting);
    // A value that cannot be read is not "not set": it is unknown whether the choice still holds.
    const bool unreadable = !current && service_.isUnreadable(*setting);
    if (current == intent.value && !unreadable) continue;
    result.findings.push_back({*setting, std::move(intent.value), std::move(current), intent.at, unreadable});
  }
  return result;
}

}  // namespace amberloom
