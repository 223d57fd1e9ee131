#pragma once
// Compares every recorded choice of the change history with what its setting holds now and lists
// the settings that no longer match. Holds nothing between scans: each scan reads the history and
// the preferences afresh.

#include <optional>
#include <string>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/SettingsService.hpp"
#include "Upkeep/RepairFinding.hpp"
#include "Upkeep/RepairScan.hpp"

namespace amberloom {

class RepairScanner {
 public:
  RepairScanner(SettingsCatalog catalog, SettingsService service, IntentLog log, std::string currentBuild)
      : catalog_(std::move(catalog)), service_(std::move(service)), log_(std::move(log)),
        currentBuild_(std::move(currentBuild)) {}

  // One finding per recorded choice that differs from the current value (an absent value equals
  // only an absent one) or whose setting's value cannot be read, newest choice first. Choices for settings the catalogue no longer holds
  // are passed over. An undecodable history is moved aside by the log and gives no findings. The
  // builds choose nothing: `previousBuild` is only carried into the result. Never throws.
  RepairScan scan(const std::optional<std::string>& previousBuild) const;

  const std::string& currentBuild() const { return currentBuild_; }

 private:
  SettingsCatalog catalog_;
  SettingsService service_;
  IntentLog log_;
  std::string currentBuild_;
};

}  // namespace amberloom
