#include "Sync/SyncService.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace amberloom {

SyncService::SyncService(SettingsCatalog catalog, SettingsService service, DomainResolver resolver,
                         PreferenceStoreRef store, std::string deviceID, std::string deviceName,
                         std::optional<IntentLog> intents)
    : comparator_(std::move(catalog), service), snapshots_(store, resolver),
      applier_(service, resolver, SnapshotService(store, resolver), std::move(intents)), resolver_(resolver),
      deviceID_(std::move(deviceID)), deviceName_(std::move(deviceName)) {}

SyncService::ReadResult::ReadResult(std::vector<SyncDocument> documents, std::vector<std::string> unreadable,
                                    std::map<std::string, double> sharedAt, std::vector<std::string> sources)
    : sharedAt(std::move(sharedAt)), documents_(std::move(documents)), sources_(std::move(sources)),
      unreadable_(std::move(unreadable)) {
  if (sources_.empty())
    for (const auto& document : documents_) sources_.push_back(document.deviceID);
  if (sources_.size() != documents_.size())
    throw std::invalid_argument("a read result needs one source per document");
}

std::string SyncService::fileName() const { return SyncDocument{deviceID_, std::nullopt, {}}.fileName(); }

SyncDocument SyncService::currentDocument() const {
  return SyncDocument{deviceID_, deviceName_, comparator_.localIntents(Version::current(), Version::currentApp())};
}

std::vector<SyncRow> SyncService::compare(const SyncDocument& with, const std::set<std::string>& pinned) const {
  return comparator_.compare(with, pinned, Version::current(), Version::currentApp());
}

std::vector<SyncRow> SyncService::missingHere(const ReadResult& others, const std::set<std::string>& pinned) const {
  std::vector<std::size_t> newestFirst(others.documents().size());
  for (std::size_t i = 0; i < newestFirst.size(); ++i) newestFirst[i] = i;
  const auto sharedAt = [&](std::size_t i) {
    const auto found = others.sharedAt.find(others.sources()[i]);
    return found == others.sharedAt.end() ? -std::numeric_limits<double>::infinity() : found->second;
  };
  std::stable_sort(newestFirst.begin(), newestFirst.end(),
                   [&](std::size_t a, std::size_t b) { return sharedAt(a) > sharedAt(b); });

  std::map<std::string, SyncRow> chosen;
  for (const std::size_t i : newestFirst)
    for (auto& row : compare(others.documents()[i], pinned))
      if (!row.pinnedToThisMac && row.difference.kind() == SyncDifference::Case::onlyThere)
        chosen.try_emplace(row.settingID, std::move(row));

  std::vector<SyncRow> rows;
  for (const auto& setting : catalog().settings())
    if (const auto found = chosen.find(setting.id); found != chosen.end()) {
      rows.push_back(std::move(found->second));
      chosen.erase(found);  // the first setting of an id, as everywhere else
    }
  return rows;
}

std::string SyncService::undoReason(std::size_t count, const std::string& from) {
  return "Before bringing " + std::to_string(count) + " settings from " + from;
}

BatchResult<WriteReport> SyncService::apply(const std::vector<SyncRow>& rows, const ExternalPreferenceReader& verifiedBy,
                                            const std::string& from,
                                            const std::optional<SnapshotHistory>& undoPoints) const {
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
  auto batch = BatchTransaction(applier_, undoPoints).write(planned, undoReason(planned.size() + missing.size(), from), verifiedBy);
  batch.report.outcomes.insert(batch.report.outcomes.end(), missing.begin(), missing.end());
  return batch;
}

BatchResult<UndoReport> SyncService::undo(const StoredSnapshot& point, const ExternalPreferenceReader& verifiedBy,
                                          const std::optional<SnapshotHistory>& undoPoints) const {
  return BatchTransaction(applier_, undoPoints).takeBack(point, catalog().settings(point.snapshot), verifiedBy);
}

}  // namespace amberloom
