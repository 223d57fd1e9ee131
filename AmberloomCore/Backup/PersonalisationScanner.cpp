#include "Backup/PersonalisationScanner.hpp"

namespace amberloom {
namespace {

// The text before the first "."; the whole ID when it has none.
std::string groupID(const std::string& settingID) { return settingID.substr(0, settingID.find('.')); }

}  // namespace

FirstRunRoute PersonalisationScan::route() const {
  if (isPersonalised()) return hasBackup ? FirstRunRoute::compare : FirstRunRoute::backUpWhatYouHave;
  return hasBackup ? FirstRunRoute::restore : FirstRunRoute::discover;
}

PersonalisationScan PersonalisationScanner::scan(const Version& os, const Version& app) const {
  PersonalisationScan scan;
  const auto settings = catalog_.settings(os, app);
  scan.scannedCount = settings.size();
  const auto values = service_.currentValues(settings);  // one read of each domain
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const auto& setting = settings[i];
    if (!countsAsSet(setting, values[i])) continue;
    scan.customisedIDs.push_back(setting.id);
    ++scan.customisedByGroup[groupID(setting.id)];
    if (!setting.systemWritten) scan.deliberateIDs.push_back(setting.id);
  }
  scan.hasBackup = backupExists_ && backupExists_();
  return scan;
}

}  // namespace amberloom
