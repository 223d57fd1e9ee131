#pragma once
// Turns a recipe into changes on this Mac: a preview read fresh from the store, an apply as one
// batch (see BatchTransaction: its undo point stored before the first write, read back from
// outside, confirmed choices recorded), and an undo of such an apply. Holds no state between
// calls and never throws: per-setting failures travel in the reports.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/BatchTransaction.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/PreferenceApplier.hpp"
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
  // "Before applying “<title>”": the reason of an application's undo point.
  static std::string undoReason(const Recipe& recipe);

  // Writes every row of a fresh preview that will write; rows already holding the target are
  // reported in `alreadyMatching`, changing pinned rows in `skippedPinned`. The undo point goes
  // into `undoPoints` (none: kept in memory only).
  BatchResult<WriteReport> apply(const Recipe& recipe, const std::set<std::string>& pinned,
                                 const ExternalPreferenceReader& reader,
                                 const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;
  // Takes an application's way back, checked from outside, its change-history records with it;
  // without them (a point stored before points kept them), the history drops the settings under
  // the snapshot's root keys whose values no longer are the recorded choice.
  BatchResult<UndoReport> undo(const StoredSnapshot& wayBack, const ExternalPreferenceReader& reader,
                               const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;

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
