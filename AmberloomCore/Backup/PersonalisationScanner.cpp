#include "Backup/PersonalisationScanner.hpp"

#include <algorithm>

namespace amberloom {
namespace {

// The text before the first "."; the whole ID when it has none.
std::string groupID(const std::string& settingID) { return settingID.substr(0, settingID.find('.')); }

}  // namespace

FirstRunRoute PersonalisationScan::route() const {
  if (isPersonalised()) return hasOtherMacsBackup ? FirstRunRoute::compare : FirstRunRoute::backUpWhatYouHave;
  return hasBackup ? FirstRunRoute::restore : FirstRunRoute::discover;
}

PersonalisationScan PersonalisationScanner::scan(const Version& os, const Version& app) const {
  PersonalisationScan scan;
  const auto settings = catalog_.settings(os, app);
  scan.scannedCount = settings.size();
  const auto values = service_.currentValues(settings);  // one read of each domain
  std::vector<const SettingDefinition*> pointers;
  for (const auto& setting : settings) pointers.push_back(&setting);
  const auto unreadable = service_.inUnreadableDomain(pointers);
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const auto& setting = settings[i];
    if (unreadable[i]) {
      scan.unreadableIDs.push_back(setting.id);
      if (std::find(scan.unreadableDomains.begin(), scan.unreadableDomains.end(), setting.ref.domain) ==
          scan.unreadableDomains.end())
        scan.unreadableDomains.push_back(setting.ref.domain);
      continue;
    }
    if (!countsAsSet(setting, values[i])) continue;
    scan.customisedIDs.push_back(setting.id);
    ++scan.customisedByGroup[groupID(setting.id)];
    if (!setting.systemWritten) scan.deliberateIDs.push_back(setting.id);
  }
  const FoundBackups found = findBackups_ ? findBackups_() : FoundBackups{};
  scan.hasBackup = found.any();
  scan.hasOtherMacsBackup = found.ofOtherMacs;
  return scan;
}

}  // namespace amberloom
