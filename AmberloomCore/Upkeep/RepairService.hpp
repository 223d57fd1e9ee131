#pragma once
// Puts settings the system changed back to what the user chose, keeps the system's value as the
// new choice instead, or undoes a repair. Writes go through the batch writer, which reads each
// value back from outside and records every confirmed write as a fresh choice.

#include <vector>

#include "Changes/IntentLog.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/WriteReport.hpp"
#include "Upkeep/RepairFinding.hpp"

namespace amberloom {

class RepairService {
 public:
  // Builds its own batch writer over `service`, a snapshot service on `store` and `resolver`, and
  // `log` as the history that confirmed writes are recorded in.
  RepairService(SettingsService service, IntentLog log, DomainResolver resolver, PreferenceStoreRef store);

  // Writes each finding's wanted value (none removes the key) in the given order, reads it back
  // through `reader` and returns the batch's report; its `undo` holds the state before. An empty
  // list still runs as an empty batch. Never throws: failures are per setting in the report.
  WriteReport repair(const std::vector<RepairFinding>& findings, const ExternalPreferenceReader& reader) const;
  // Records the finding's current value as the user's choice; writes no preference. A value that
  // cannot be read is no choice to record: the setting's record is forgotten instead, so that
  // nothing claims the user removed it.
  void accept(const RepairFinding& finding) const;
  // Restores a repair's undo snapshot. The choices the repair recorded stay in the history, so the
  // settings show as findings again on the next scan. Never throws.
  UndoReport undo(const Snapshot& snapshot, const ExternalPreferenceReader& reader) const;

 private:
  PreferenceApplier applier_;
  IntentLog log_;
};

}  // namespace amberloom
