#pragma once
// How customised this Mac already is, for the first-run wizard: which catalogued settings have a
// value here, which of those the user rather than the system set, and which backups exist: this
// Mac's own, other Macs'. The scan picks the wizard's route.

#include <functional>

#include "Backup/BackupLocator.hpp"
#include "Backup/PersonalisationScan.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/SettingsService.hpp"

namespace amberloom {

class PersonalisationScanner {
 public:
  PersonalisationScanner(SettingsCatalog catalog, SettingsService service, std::function<FoundBackups()> findBackups)
      : catalog_(std::move(catalog)), service_(std::move(service)), findBackups_(std::move(findBackups)) {}

  // Reads every setting that applies to `os` and `app` inside the process (any value counts, the
  // system default included, except Night Shift while off: see countsAsSet; an unreadable one does
  // not, and one in a domain whose file cannot be read is listed as unreadable), then asks once
  // which backups exist. Never throws.
  PersonalisationScan scan(const Version& os, const Version& app) const;

 private:
  SettingsCatalog catalog_;
  SettingsService service_;
  std::function<FoundBackups()> findBackups_;
};

}  // namespace amberloom
