#pragma once
// Sets this Mac's values beside another Mac's sync document, setting by setting, in catalogue
// order. Also supplies the values of this Mac's own document. Reads preferences, writes nothing,
// caches nothing between calls and never throws.

#include <set>
#include <string>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/SettingsService.hpp"
#include "Sync/SyncDocument.hpp"
#include "Sync/SyncRow.hpp"

namespace amberloom {

class SyncComparator {
 public:
  SyncComparator(SettingsCatalog catalog, SettingsService service)
      : catalog_(std::move(catalog)), service_(std::move(service)) {}

  const SettingsCatalog& catalog() const { return catalog_; }
  const SettingsService& service() const { return service_; }

  // Whether a setting travels between Macs at all. A list macOS keeps by itself (a system-written
  // list: recent folders, recent places) records where the user has been, with the paths of that
  // Mac's disks, rather than a choice: it stays on this Mac, and another Mac's is not offered.
  static bool isShared(const SettingDefinition& setting);

  // The current value of every shared setting available for these versions that has one, by id.
  PreferenceValue::Dictionary localIntents(const Version& os, const Version& app) const;

  // One row per available shared setting that either Mac has a value for, in catalogue order. Ids
  // of the other document that this catalogue does not offer here get no row; `pinned` only marks
  // rows.
  std::vector<SyncRow> compare(const SyncDocument& with, const std::set<std::string>& pinned, const Version& os,
                               const Version& app) const;

 private:
  SettingsCatalog catalog_;
  SettingsService service_;
};

}  // namespace amberloom
