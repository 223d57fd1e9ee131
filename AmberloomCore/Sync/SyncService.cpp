#include "Sync/SyncService.hpp"

namespace amberloom {

SyncService::SyncService(SettingsCatalog catalog, SettingsService service, DomainResolver resolver,
                         PreferenceStoreRef store, std::string deviceID, std::string deviceName,
                         std::optional<IntentLog> intents)
    : comparator_(std::move(catalog), service), snapshots_(store, resolver),
      applier_(service, resolver, SnapshotService(store, resolver), std::move(intents)), resolver_(resolver),
      deviceID_(std::move(deviceID)), deviceName_(std::move(deviceName)) {}

std::string SyncService::fileName() const { return SyncDocument{deviceID_, std::nullopt, {}}.fileName(); }

SyncDocument SyncService::currentDocument() const {
  return SyncDocument{deviceID_, deviceName_, comparator_.localIntents(Version::current(), Version::currentApp())};
}

std::vector<SyncRow> SyncService::compare(const SyncDocument& with, const std::set<std::string>& pinned) const {
  return comparator_.compare(with, pinned, Version::current(), Version::currentApp());
}

WriteReport SyncService::apply(const std::vector<SyncRow>& rows, const ExternalPreferenceReader& verifiedBy) const {
  std::vector<BatchItem> planned;
  std::vector<WriteOutcome> missing;
  for (const auto& row : rows) {
    const auto& incoming = row.incomingValue();
    if (row.pinnedToThisMac || !incoming) continue;
    if (const SettingDefinition* setting = catalog().setting(row.settingID))
      planned.push_back(BatchItem{*setting, *incoming});
    else
      missing.push_back(WriteOutcome{row.settingID, false, std::string(kNotInCatalog)});
  }
  auto report = applier_.apply(planned, verifiedBy, {}, {});
  report.outcomes.insert(report.outcomes.end(), missing.begin(), missing.end());
  return report;
}

UndoReport SyncService::undo(const Snapshot& snapshot, const ExternalPreferenceReader& verifiedBy,
                             const std::optional<std::vector<PriorIntent>>& priorIntents) const {
  return applier_.undo(snapshot, catalog().settings(snapshot), verifiedBy, priorIntents);
}

}  // namespace amberloom
