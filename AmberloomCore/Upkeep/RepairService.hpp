#pragma once
// Puts settings the system changed back to what the user chose, keeps the system's value as the
// new choice instead, or undoes a repair. A repair and its undo are batches (see
// BatchTransaction): each value is read back from outside, and every confirmed write of a repair
// is recorded as a fresh choice.

#include <vector>

#include "Changes/BatchTransaction.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/PreferenceApplier.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/WriteReport.hpp"
#include "Upkeep/RepairFinding.hpp"

namespace amberloom {

class RepairService {
 public:
  // Builds its own batch writer over `service`, a snapshot service on `store` and `resolver`, and
  // `log` as the history that confirmed writes are recorded in.
  RepairService(SettingsService service, IntentLog log, DomainResolver resolver, PreferenceStoreRef store);

  // "Before putting back <count> settings": the reason of a repair's undo point.
  static std::string undoReason(std::size_t count);

  // Writes each finding's wanted value (none removes the key) in the given order, reads it back
  // through `reader` and returns the batch; its undo point goes into `undoPoints` (none: in memory
  // only). An empty list still runs as an empty batch. Never throws: failures are per setting.
  BatchResult<WriteReport> repair(const std::vector<RepairFinding>& findings, const ExternalPreferenceReader& reader,
                                  const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;
  // Records the finding's current value as the user's choice; writes no preference. A value that
  // cannot be read is no choice to record: the setting's record is forgotten instead, so that
  // nothing claims the user removed it. Throws HistoryWriteError when the choice could not be
  // saved: the finding then stays one.
  void accept(const RepairFinding& finding) const;
  // Takes a repair's way back, its values only: the choices the repair recorded stay in the
  // history, so the settings show as findings again on the next scan. Never throws.
  BatchResult<UndoReport> undo(const StoredSnapshot& wayBack, const ExternalPreferenceReader& reader,
                               const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;

 private:
  PreferenceApplier applier_;
  IntentLog log_;
};

}  // namespace amberloom
