#include "Recipes/RecipeService.hpp"

namespace amberloom {

RecipeService::RecipeService(SettingsCatalog catalog, SettingsService service, DomainResolver resolver,
                             PreferenceStoreRef store, std::optional<IntentLog> intents, Version os, Version app)
    : catalog_(std::move(catalog)),
      service_(std::move(service)),
      applier_(service_, resolver, SnapshotService(std::move(store), resolver), std::move(intents)),
      os_(std::move(os)),
      app_(std::move(app)) {}

std::vector<RecipePreviewRow> RecipeService::preview(const Recipe& recipe, const std::set<std::string>& pinned) const {
  std::vector<RecipePreviewRow> rows;
  // `values` iterates in ascending code-point order already.
  for (const auto& [settingID, target] : recipe.values) {
    const SettingDefinition* setting = catalog_.setting(settingID);
    if (!setting || !setting->availability.allows(os_, app_)) continue;
    rows.push_back({settingID, setting->label, service_.currentValue(*setting), target, pinned.contains(settingID),
                    setting->control});
  }
  return rows;
}

std::vector<SettingDefinition> RecipeService::unavailable(const Recipe& recipe) const {
  std::vector<SettingDefinition> settings;
  for (const auto& [settingID, target] : recipe.values)
    if (const SettingDefinition* setting = catalog_.setting(settingID); setting && !setting->availability.allows(os_, app_))
      settings.push_back(*setting);
  return settings;
}

std::string RecipeService::undoReason(const Recipe& recipe) { return "Before applying “" + recipe.title + "”"; }

BatchResult<WriteReport> RecipeService::apply(const Recipe& recipe, const std::set<std::string>& pinned,
                                              const ExternalPreferenceReader& reader,
                                              const std::optional<SnapshotHistory>& undoPoints) const {
  std::vector<BatchItem> writes;
  std::vector<std::string> alreadyMatching, skippedPinned;
  for (auto& row : preview(recipe, pinned)) {
    if (row.willWrite())
      writes.push_back({*catalog_.setting(row.settingID), std::move(row.target)});
    else if (!row.changes())
      alreadyMatching.push_back(std::move(row.settingID));
    else
      skippedPinned.push_back(std::move(row.settingID));
  }
  return BatchTransaction(applier_, undoPoints)
      .write(writes, undoReason(recipe), reader, std::move(alreadyMatching), std::move(skippedPinned));
}

BatchResult<UndoReport> RecipeService::undo(const StoredSnapshot& wayBack, const ExternalPreferenceReader& reader,
                                            const std::optional<SnapshotHistory>& undoPoints) const {
  return BatchTransaction(applier_, undoPoints).takeBack(wayBack, catalog_.settings(wayBack.snapshot), reader);
}

}  // namespace amberloom
