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

WriteReport RecipeService::apply(const Recipe& recipe, const std::set<std::string>& pinned,
                                 const ExternalPreferenceReader& reader) const {
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
  return applier_.apply(writes, reader, std::move(alreadyMatching), std::move(skippedPinned));
}

UndoReport RecipeService::undo(const Snapshot& snapshot, const ExternalPreferenceReader& reader,
                               const std::optional<std::vector<PriorIntent>>& priorIntents) const {
  return applier_.undo(snapshot, catalog_.settings(snapshot), reader, priorIntents);
}

}  // namespace amberloom
