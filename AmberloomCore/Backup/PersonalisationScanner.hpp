#pragma once
// How customised this Mac already is, for the first-run wizard: which catalogued settings have a
// value here, which of those the user rather than the system set, and whether a backup exists.
// The scan picks the wizard's route.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/SettingsService.hpp"

namespace amberloom {

enum class FirstRunRoute { restore, discover, backUpWhatYouHave, compare };

struct PersonalisationScan {
  static constexpr std::size_t personalisedThreshold = 2;

  std::vector<std::string> customisedIDs;  // scanned settings with a value here, catalogue order
  std::vector<std::string> deliberateIDs;  // those not written by the system, catalogue order
  std::size_t scannedCount = 0;            // settings that apply to this macOS and app version
  std::map<std::string, int> customisedByGroup;  // group ID -> customised settings; no zero counts
  bool hasBackup = false;
  // Scanned settings whose domain's file cannot be read, catalogue order: neither set nor unset.
  std::vector<std::string> unreadableIDs;
  std::vector<std::string> unreadableDomains;  // their domains, in order of first appearance

  std::size_t customisedCount() const { return customisedIDs.size(); }
  std::size_t unreadableCount() const { return unreadableIDs.size(); }
  std::size_t deliberateCount() const { return deliberateIDs.size(); }
  bool isPersonalised() const { return deliberateCount() >= personalisedThreshold; }
  // Personalised with a backup: compare; personalised without: back up what you have; otherwise
  // restore when there is a backup, discover when there is none.
  FirstRunRoute route() const;

  bool operator==(const PersonalisationScan&) const = default;
};

class PersonalisationScanner {
 public:
  PersonalisationScanner(SettingsCatalog catalog, SettingsService service, std::function<bool()> backupExists)
      : catalog_(std::move(catalog)), service_(std::move(service)), backupExists_(std::move(backupExists)) {}

  // Reads every setting that applies to `os` and `app` inside the process (any value counts, the
  // system default included, except Night Shift while off: see countsAsSet; an unreadable one does
  // not, and one in a domain whose file cannot be read is listed as unreadable), then asks once
  // whether a backup exists. Never throws.
  PersonalisationScan scan(const Version& os, const Version& app) const;

 private:
  SettingsCatalog catalog_;
  SettingsService service_;
  std::function<bool()> backupExists_;
};

}  // namespace amberloom
