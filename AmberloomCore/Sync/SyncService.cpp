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

std::map<std::string, RecordedIntent> SyncService::latestRecords(const std::vector<SyncRow>& rows) const {
  std::map<std::string, RecordedIntent> latest;
  const auto& history = applier_.intents();
  if (!history) return latest;
  std::vector<std::string> ids;
  for (const auto& row : rows) ids.push_back(row.settingID);
  for (auto& prior : history->records(ids))
    if (prior.record) latest.insert_or_assign(prior.settingID, std::move(*prior.record));
  return latest;
}

std::optional<SyncRowCaution> SyncService::caution(const SyncRow& row, const std::map<std::string, RecordedIntent>& latest,
                                                   std::optional<double> sharedAt) const {
  const auto found = latest.find(row.settingID);
  return SyncRowCaution::of(row, catalog().setting(row.settingID),
                            found == latest.end() ? std::nullopt : std::optional(found->second), sharedAt);
}

std::vector<std::optional<SyncRowCaution>> SyncService::cautions(const std::vector<SyncRow>& rows,
                                                                 std::optional<double> sharedAt) const {
  const auto latest = latestRecords(rows);
  std::vector<std::optional<SyncRowCaution>> cautions;
  for (const auto& row : rows) cautions.push_back(caution(row, latest, sharedAt));
  return cautions;
}

std::vector<SyncRow> SyncService::unattended(const std::vector<SyncRow>& rows, std::optional<double> sharedAt) const {
  std::vector<SyncRow> eligible;
  for (const auto& row : rows)
    if (!row.pinnedToThisMac && row.difference.kind() == SyncDifference::Case::onlyThere) eligible.push_back(row);
  const auto caution = cautions(eligible, sharedAt);
  std::vector<SyncRow> kept;
  for (std::size_t i = 0; i < eligible.size(); ++i)
    if (!caution[i]) kept.push_back(std::move(eligible[i]));
  return kept;
}

std::vector<SyncRow> SyncService::missingHere(const ReadResult& others, const std::set<std::string>& pinned) const {
  const auto sharedAt = [&](std::size_t i) -> std::optional<double> {
    const auto found = others.sharedAt.find(others.sources()[i]);
    return found == others.sharedAt.end() ? std::nullopt : std::optional(found->second);
  };
  std::vector<std::size_t> newestFirst(others.documents().size());
  for (std::size_t i = 0; i < newestFirst.size(); ++i) newestFirst[i] = i;
  const auto time = [&](std::size_t i) { return sharedAt(i).value_or(-std::numeric_limits<double>::infinity()); };
  std::stable_sort(newestFirst.begin(), newestFirst.end(), [&](std::size_t a, std::size_t b) { return time(a) > time(b); });

  // Each setting's value from the newest Mac that has one, and that Mac.
  std::map<std::string, std::pair<SyncRow, std::size_t>> chosen;
  for (const std::size_t i : newestFirst)
    for (auto& row : compare(others.documents()[i], pinned))
      if (!row.pinnedToThisMac && row.difference.kind() == SyncDifference::Case::onlyThere)
        chosen.try_emplace(row.settingID, std::move(row), i);

  std::vector<std::pair<SyncRow, std::size_t>> found;
  for (const auto& setting : catalog().settings())
    if (const auto at = chosen.find(setting.id); at != chosen.end()) {
      found.push_back(std::move(at->second));
      chosen.erase(at);  // the first setting of an id, as everywhere else
    }
  std::vector<SyncRow> candidates;
  for (const auto& [row, from] : found) candidates.push_back(row);
  const auto latest = latestRecords(candidates);
  std::vector<SyncRow> rows;
  for (auto& [row, from] : found)
    if (!caution(row, latest, sharedAt(from))) rows.push_back(std::move(row));
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
