#include "Sync/SyncService.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "Support/Log.hpp"

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
  auto intents = comparator_.localIntents(Version::current(), Version::currentApp());
  // What macOS writes itself (a typed path, the keyboard layout in use) is this Mac's state, not a
  // choice of its user: it stays here.
  std::erase_if(intents, [&](const auto& entry) {
    const SettingDefinition* setting = catalog().setting(entry.first);
    return setting && setting->systemWritten;
  });
  return SyncDocument{deviceID_, deviceName_, std::move(intents)};
}

std::vector<SyncRow> SyncService::compare(const SyncDocument& with, const std::set<std::string>& pinned) const {
  return comparator_.compare(with, pinned, Version::current(), Version::currentApp());
}

class SyncService::Decisions {
 public:
  std::map<std::string, RecordedIntent> latest;
  std::optional<HeldSettings::Holds> holds = HeldSettings::Holds{};  // none: unreadable
  bool historyLost = false;

  DecisionsHere of(const std::string& settingID) const {
    DecisionsHere here;
    here.historyLost = historyLost || !holds;
    if (const auto found = latest.find(settingID); found != latest.end()) here.latest = found->second;
    if (holds)
      if (const auto found = holds->find(settingID); found != holds->end()) here.hold = found->second;
    return here;
  }
};

SyncService::Decisions SyncService::decisions(const std::vector<SyncRow>& rows) const {
  Decisions decisions;
  const auto& history = applier_.intents();
  if (!history) return decisions;
  std::vector<std::string> ids;
  for (const auto& row : rows) ids.push_back(row.settingID);
  for (auto& prior : history->records(ids))
    if (prior.record) decisions.latest.insert_or_assign(prior.settingID, std::move(*prior.record));
  decisions.holds = history->held().all();
  decisions.historyLost = history->damage().has_value();
  return decisions;
}

std::vector<std::optional<SyncRowCaution>> SyncService::cautions(const std::vector<SyncRow>& rows) const {
  const auto decided = decisions(rows);
  std::vector<std::optional<SyncRowCaution>> cautions;
  for (const auto& row : rows) cautions.push_back(SyncRowCaution::of(row, catalog().setting(row.settingID), decided.of(row.settingID)));
  return cautions;
}

std::vector<SyncRow> SyncService::unattended(const std::vector<SyncRow>& rows) const {
  const auto decided = decisions(rows);
  std::vector<SyncRow> kept;
  for (const auto& row : rows)
    if (SyncRowCaution::mayCopyUnattended(row, catalog().setting(row.settingID), decided.of(row.settingID)))
      kept.push_back(row);
  return kept;
}

void SyncService::decline(const std::vector<std::string>& settingIDs) const {
  if (const auto& history = applier_.intents()) history->held().hold(settingIDs, SettingHold::Why::declined);
}

std::optional<std::string> SyncService::historyDamage() const {
  const auto& history = applier_.intents();
  if (!history) return std::nullopt;
  if (auto damage = history->damage()) return damage;
  const auto held = history->held();
  if (!held.all()) return held.path();
  return std::nullopt;
}

void SyncService::releaseCopied(const WriteReport& report) const {
  const auto& history = applier_.intents();
  if (!history) return;
  std::vector<std::string> copied;
  for (const auto& outcome : report.outcomes)
    if (outcome.applied) copied.push_back(outcome.settingID);
  try {
    history->held().release(copied);
  } catch (const HistoryWriteError& error) {
    // The setting then stays held: the next unattended copy leaves it alone, which is safe.
    log::warning(log::Area::sync, std::string("A copied setting stays held: ") + error.what());
  }
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
  for (auto& [row, from] : found) candidates.push_back(std::move(row));
  return unattended(candidates);
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
  releaseCopied(batch.report);
  return batch;
}

BatchResult<UndoReport> SyncService::undo(const StoredSnapshot& point, const ExternalPreferenceReader& verifiedBy,
                                          const std::optional<SnapshotHistory>& undoPoints) const {
  return BatchTransaction(applier_, undoPoints).takeBack(point, catalog().settings(point.snapshot), verifiedBy);
}

}  // namespace amberloom
