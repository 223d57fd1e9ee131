#pragma once
// One batch of writes to this Mac's settings: the road every batch and every undo takes (a quick
// setup, a repair, putting everything back, settings copied from another Mac, a restore from a
// backup, taking an undo point back). In this order it
//   1. captures what each root key the batch will write holds now, and the change-history
//      records of the batch's settings;
//   2. stores that as an undo point, on disk (file and folder flushed) before the first write;
//   3. writes, one pass per preference file, and reads every value back from outside;
//   4. records the choices another process confirmed in the change history, none other;
//   5. removes the point again when nothing was written, and otherwise prunes the old ones.
// So a batch killed at any moment has changed nothing, or has left a stored point that puts back
// every root it touched. A batch that touches nothing stores no point. Whatever is taken back,
// AmberLoom's own preferences and those of every application are never written.
//
// A point that cannot be stored (a full disk, a folder that cannot be written) does not stop the
// batch: the result says why there is none. Nothing here throws but what a caller's own write
// step throws; everything runs on the caller's thread (a worker in the application).

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Changes/Change.hpp"
#include "Changes/PreferenceApplier.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"

namespace amberloom {

// The way back from a batch and what became of its undo point.
struct WayBack {
  // The state before the batch: its snapshot (whole, also values no file can hold), reason, time
  // and change-history records; `id` names its stored file, empty when it is in memory only.
  StoredSnapshot point;
  std::size_t valuesLeftOut = 0;  // entries the stored file keeps without their value (no JSON form)

  bool onDisk() const { return !point.id.empty(); }
  bool operator==(const WayBack&) const = default;
};

// See BatchResult::undoPointMessage.
std::optional<std::string> undoPointText(const std::optional<std::string>& noPoint, std::size_t valuesLeftOut,
                                         bool undoInMemory);

template <class Report>
struct BatchResult {
  Report report;
  std::optional<WayBack> wayBack;       // none: the batch wrote nothing, so there is nothing to go back to
  std::optional<std::string> noPoint;   // why no undo point could be stored (the batch wrote all the same)
  Change change;                        // to announce: the roots captured, apps to restart, a point stored

  // What the user is told of the undo point: that it could not be saved (the one wording), or the
  // values it leaves out; none when there is nothing to tell. `undoInMemory`: the screen can still
  // undo while it stays open, and says so.
  std::optional<std::string> undoPointMessage(bool undoInMemory) const {
    return undoPointText(noPoint, wayBack ? wayBack->valuesLeftOut : 0, undoInMemory);
  }
};

// Whether a batch may write the domain: not "tv.winterbrae.amberloom" (the application's own
// preferences) nor "kCFPreferencesAnyApplication" (the global domain is named "NSGlobalDomain"),
// in any letter case, as a Mac's file names ignore it.
bool batchMayWrite(const std::string& domain);
// The snapshot with every entry of a domain no batch may write made unreadable, without its value.
Snapshot withoutForbiddenWrites(Snapshot snapshot);

// The reason of the point stored before taking back a point of `reasonTakenBack`: "Before taking
// back: " and that reason without its own "Before "; for a point that was itself stored before
// taking one back, "Before " and the reason taken back then.
std::string takeBackReason(const std::string& reasonTakenBack);

class BatchTransaction {
 public:
  // `undoPoints` none: the batch keeps no point (practice, or a caller with a way back of its own).
  BatchTransaction(PreferenceApplier applier, std::optional<SnapshotHistory> undoPoints)
      : applier_(std::move(applier)), undoPoints_(std::move(undoPoints)) {}

  // Writes (or, for no value, resets) each item, as PreferenceApplier::apply does; the point is
  // the report's undo snapshot and change-history records, with `reason`.
  BatchResult<WriteReport> write(const std::vector<BatchItem>& items, const std::string& reason,
                                 const ExternalPreferenceReader& reader, std::vector<std::string> alreadyMatching = {},
                                 std::vector<std::string> skippedPinned = {}) const;

  // Puts a way back in place (a stored point, or one in memory), as PreferenceApplier::undo does
  // with its snapshot and change-history records, save the entries of domains no batch may write:
  // those count as values that cannot be put back. Its own point's reason is takeBackReason.
  BatchResult<UndoReport> takeBack(const StoredSnapshot& point, const std::vector<SettingDefinition>& forgetting,
                                   const ExternalPreferenceReader& reader) const;

  // Any other batch: captures `roots` (and the records of `settingIDs`), stores the point, then
  // calls `write(before)`, which writes, reads back and records, and gives the report. What it
  // throws is thrown on, once the point is settled.
  template <class Report, class Write>
  BatchResult<Report> run(const std::vector<std::pair<SettingRef, SettingChannel>>& roots,
                          const std::vector<std::string>& settingIDs, const std::string& reason, Write write) const;

 private:
  // Stores the point dated now; sets `wayBack` (on disk or not) and `noPoint`.
  void storeAhead(std::optional<WayBack>& wayBack, std::optional<std::string>& noPoint, const Snapshot& before,
                  std::vector<PriorIntent> priors, const std::string& reason) const;
  // Drops the way back when every captured root holds what it held (nothing was written), its
  // file too; otherwise prunes the old points around it.
  void settle(std::optional<WayBack>& wayBack) const;

  PreferenceApplier applier_;
  std::optional<SnapshotHistory> undoPoints_;
};

template <class Report, class Write>
BatchResult<Report> BatchTransaction::run(const std::vector<std::pair<SettingRef, SettingChannel>>& roots,
                                          const std::vector<std::string>& settingIDs, const std::string& reason,
                                          Write write) const {
  BatchResult<Report> result;
  const Snapshot before = applier_.snapshots().capture(roots);
  const auto& intents = applier_.intents();
  storeAhead(result.wayBack, result.noPoint, before,
             intents ? intents->records(settingIDs) : std::vector<PriorIntent>{}, reason);
  try {
    result.report = write(before);
  } catch (...) {
    settle(result.wayBack);
    throw;
  }
  settle(result.wayBack);
  result.change = Change::of(before, {}, result.wayBack && result.wayBack->onDisk());
  return result;
}

}  // namespace amberloom
