#include "Upkeep/RepairService.hpp"

namespace amberloom {

RepairService::RepairService(SettingsService service, IntentLog log, DomainResolver resolver, PreferenceStoreRef store)
    : applier_(std::move(service), resolver, SnapshotService(std::move(store), resolver), log),
      log_(std::move(log)) {}

WriteReport RepairService::repair(const std::vector<RepairFinding>& findings,
                                  const ExternalPreferenceReader& reader) const {
  std::vector<BatchItem> batch;
  batch.reserve(findings.size());
  for (const auto& finding : findings) batch.push_back({finding.setting, finding.wanted});
  return applier_.apply(batch, reader);
}

void RepairService::accept(const RepairFinding& finding) const {
  if (finding.currentUnreadable)
    log_.forget(finding.id());
  else
    log_.record(finding.id(), finding.current);
}

UndoReport RepairService::undo(const Snapshot& snapshot, const ExternalPreferenceReader& reader) const {
  return applier_.undo(snapshot, {}, reader);
}

}  // namespace amberloom
