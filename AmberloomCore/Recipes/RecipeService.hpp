#pragma once
// Turns a recipe into changes on this Mac: a preview read fresh from the store, an apply through
// the batch writer with read-back from outside, and an undo of such an apply. Holds no state
// between calls and never throws: per-setting failures travel in the reports.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/SnapshotService.hpp"
#include "Changes/WriteReport.hpp"
#include "Recipes/Recipe.hpp"
#include "Recipes/RecipePreviewRow.hpp"

namespace amberloom {

class RecipeService {
 public:
  // With no intent log, applies record nothing in the change history.
  RecipeService(SettingsCatalog catalog, SettingsService service, DomainResolver resolver, PreferenceStoreRef store,
                std::optional<IntentLog> intents);

  // One row per recipe setting the catalogue knows, in ascending setting-ID order; settings the
  // catalogue lacks are left out without a word. Availability on this Mac is not consulted.
  std::vector<RecipePreviewRow> preview(const Recipe& recipe, const std::set<std::string>& pinned) const;
  // Writes every row of a fresh preview that will write; rows already holding the target are
  // reported in `alreadyMatching`, changing pinned rows in `skippedPinned`. The report's `undo`
  // is the state before the writes.
  WriteReport apply(const Recipe& recipe, const std::set<std::string>& pinned,
                    const ExternalPreferenceReader& reader) const;
  // Puts an apply's undo snapshot back, checked from outside; the change history drops the
  // settings under the snapshot's root keys whose values no longer are the recorded choice.
  UndoReport undo(const Snapshot& snapshot, const ExternalPreferenceReader& reader) const;

  const SettingsCatalog& catalog() const { return catalog_; }

 private:
  SettingsCatalog catalog_;
  SettingsService service_;
  PreferenceApplier applier_;
};

}  // namespace amberloom
