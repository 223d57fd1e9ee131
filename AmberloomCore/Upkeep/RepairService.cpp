#include "Upkeep/RepairService.hpp"

namespace amberloom {

RepairService::RepairService(SettingsService service, IntentLog log, DomainResolver resolver, PreferenceStoreRef store)
    : applier_(std::move(service), resolver, SnapshotService(std::move(store), resolver), log),
      log_(std::move(log)) {}

std::string RepairService::undoReason(std::size_t count) {
  return "Before putting back " + std::to_string(count) + " settings";
}

BatchResult<WriteReport> RepairService::repair(const std::vector<RepairFinding>& findings,
                                               const ExternalPreferenceReader& reader,
                                               const std::optional<SnapshotHistory>& undoPoints) const {
  std::vector<BatchItem> batch;
  batch.reserve(findings.size());
  for (const auto& finding : findings) batch.push_back({finding.setting, finding.wanted});
  return BatchTransaction(applier_, undoPoints).write(batch, undoReason(findings.size()), reader);
}

void RepairService::accept(const RepairFinding& finding) const {
  if (finding.currentUnreadable)
    log_.forget(finding.id());
  else
    log_.record(finding.id(), finding.current);
}

BatchResult<UndoReport> RepairService::undo(const StoredSnapshot& wayBack, const ExternalPreferenceReader& reader,
                                            const std::optional<SnapshotHistory>& undoPoints) const {
  StoredSnapshot valuesOnly = wayBack;
  valuesOnly.priorIntents.reset();
  return BatchTransaction(applier_, undoPoints).takeBack(valuesOnly, {}, reader);
}

}  // namespace amberloom
