#include "Sync/SyncComparator.hpp"

namespace amberloom {

namespace {

std::vector<SettingDefinition> sharedSettings(const SettingsCatalog& catalog, const Version& os, const Version& app) {
  auto settings = catalog.settings(os, app);
  std::erase_if(settings, [](const SettingDefinition& setting) { return !SyncComparator::isShared(setting); });
  return settings;
}

}  // namespace

bool SyncComparator::isShared(const SettingDefinition& setting) {
  return !(setting.systemWritten && setting.type == SettingValueType::array);
}

PreferenceValue::Dictionary SyncComparator::localIntents(const Version& os, const Version& app) const {
  PreferenceValue::Dictionary intents;
  const auto settings = sharedSettings(catalog_, os, app);
  auto values = service_.currentValues(settings);  // one read of each domain
  for (std::size_t i = 0; i < settings.size(); ++i)
    if (values[i]) intents.insert_or_assign(settings[i].id, std::move(*values[i]));
  return intents;
}

std::vector<SyncRow> SyncComparator::compare(const SyncDocument& with, const std::set<std::string>& pinned,
                                             const Version& os, const Version& app) const {
  const auto here = localIntents(os, app);
  std::vector<SyncRow> rows;
  for (const auto& setting : sharedSettings(catalog_, os, app)) {
    const auto h = here.find(setting.id);
    const auto t = with.intents.find(setting.id);
    const bool hasHere = h != here.end(), hasThere = t != with.intents.end();
    if (!hasHere && !hasThere) continue;
    auto difference = !hasThere             ? SyncDifference::onlyHere(h->second)
                      : !hasHere            ? SyncDifference::onlyThere(t->second)
                      : h->second == t->second ? SyncDifference::same(h->second)
                                               : SyncDifference::differs(h->second, t->second);
    rows.push_back(SyncRow{setting.id, setting.label, std::move(difference), pinned.contains(setting.id)});
  }
  return rows;
}

}  // namespace amberloom
