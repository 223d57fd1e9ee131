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
  // With no intent log, applies record nothing in the change history. `os` and `app` are the
  // macOS and application versions whose settings a recipe may change.
  RecipeService(SettingsCatalog catalog, SettingsService service, DomainResolver resolver, PreferenceStoreRef store,
                std::optional<IntentLog> intents, Version os = Version::current(), Version app = Version::currentApp());

  // One row per recipe setting the catalogue knows that applies to this macOS and application, in
  // ascending setting-ID order; settings the catalogue lacks are left out without a word, those
  // that do not apply are listed by `unavailable`.
  std::vector<RecipePreviewRow> preview(const Recipe& recipe, const std::set<std::string>& pinned) const;
  // The recipe's settings the catalogue knows that do not apply to this macOS or application, in
  // ascending setting-ID order: preview and apply leave them out.
  std::vector<SettingDefinition> unavailable(const Recipe& recipe) const;
  // Writes every row of a fresh preview that will write; rows already holding the target are
  // reported in `alreadyMatching`, changing pinned rows in `skippedPinned`. The report's `undo`
  // is the state before the writes.
  WriteReport apply(const Recipe& recipe, const std::set<std::string>& pinned,
                    const ExternalPreferenceReader& reader) const;
  // Puts an apply's undo snapshot back, checked from outside, and the apply's `priorIntents` back
  // into the change history; without them, the history drops the settings under the snapshot's
  // root keys whose values no longer are the recorded choice.
  UndoReport undo(const Snapshot& snapshot, const ExternalPreferenceReader& reader,
                  const std::optional<std::vector<PriorIntent>>& priorIntents = std::nullopt) const;

  const SettingsCatalog& catalog() const { return catalog_; }
  const Version& os() const { return os_; }

 private:
  SettingsCatalog catalog_;
  SettingsService service_;
  PreferenceApplier applier_;
  Version os_;
  Version app_;
};

}  // namespace amberloom
