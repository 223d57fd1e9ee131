#pragma once
// One batch of writes to this Mac's settings: the road every batch and every undo takes (a quick
// setup, a repair, putting everything back, settings copied from another Mac, a restore from a
// backup, taking an undo point back). In this order it
//   1. removes the points of batches that stopped before their first write (they put back
//      nothing, and their roots are about to change), then captures what each root key the batch
//      will write holds now, and the change-history records of the batch's settings, each domain
//      resolved once for the whole batch;
//   2. stores that as an undo point marked as in progress, on disk (file and folder flushed) and
//      held by this process, before the first write;
//   3. writes, one pass per preference file, and reads every value back from outside;
//   4. records the choices another process confirmed in the change history, none other;
//   5. settles: removes the point when nothing was written (the writes' own report says so, or, for
//      a take-back or a restore, the roots read afresh still hold what the point holds), and
//      otherwise marks it as settled and prunes the old ones. A point that puts back nothing
//      never takes a real one's place.
// So a batch killed at any moment has changed nothing, or has left a point in progress that puts
// back every root it touched, which the next start offers to take back (or removes, when the
// files still hold what it holds). A batch that touches nothing stores no point. Whatever is
// taken back, AmberLoom's own preferences and those of every application are never written.
//
// A point that cannot be stored (a full disk, a file where its folder goes) stops the batch
// before its first write: the result says why and that nothing was written, and the caller asks
// the user. Only a history that allows it (SnapshotHistory::allowingBatchesWithoutPoint, the
// user's yes) lets the batch write with its way back in memory only. Nothing here throws but what
// a caller's own write step throws; everything runs on the caller's thread (a worker in the
// application).

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
  std::optional<std::string> noPoint;   // why no undo point could be stored
  // Nothing was written because no point could be stored (`noPoint` says why) and the history did
  // not allow a batch without one; the report holds no outcomes. Asked again with the user's yes,
  // the batch writes.
  bool heldBack = false;
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

// Whether writing `writing` over `before` (what a restore of it finds) changes any root: an entry
// that holds another value than its root held, or puts back a root that could not be read. An
// entry whose root `before` lacks counts as a change.
bool changesAnyRoot(const Snapshot& before, const Snapshot& writing);

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

  // Any other batch, one that restores a snapshot: captures `roots` (and the records of
  // `settingIDs`), stores the point, then calls `write(before)`, which writes `writing`, reads back
  // and records, and gives the report. Whether anything changed is whether the roots read afresh
  // hold something else than `before`: a write refused or failed part-way keeps no point. What
  // `write` throws is thrown on, once the point is settled.
  template <class Report, class Write>
  BatchResult<Report> run(const std::vector<std::pair<SettingRef, SettingChannel>>& roots,
                          const std::vector<std::string>& settingIDs, const std::string& reason,
                          const Snapshot& writing, Write write) const;

 private:
  // The way back put in place ahead of the first write.
  struct Ahead {
    std::optional<WayBack> wayBack;
    std::optional<std::string> noPoint;
    std::optional<SnapshotHistory::Pending> pending;  // the point stored, until settled
    bool heldBack = false;                            // nothing may be written
  };
  // Removes the interrupted points that put back nothing, before anything changes what they hold.
  void clearEmptyInterrupted(const PreferenceApplier& applier) const;
  // Stores the point dated now (none for a batch that touches nothing).
  Ahead storeAhead(const Snapshot& before, std::vector<PriorIntent> priors, const std::string& reason) const;
  // Drops the way back, its file too, when the batch changed nothing; otherwise settles its point
  // and prunes the old ones around it.
  void settle(Ahead& ahead, bool changedAnything) const;
  // Settles by what the files hold now: whether any root of `before` reads otherwise than it did.
  void settleByRereading(Ahead& ahead, const PreferenceApplier& applier, const Snapshot& before) const;
  template <class Report>
  static void takeWayBack(BatchResult<Report>& result, Ahead& ahead) {
    result.wayBack = std::move(ahead.wayBack);
    result.noPoint = std::move(ahead.noPoint);
    result.heldBack = ahead.heldBack;
  }

  PreferenceApplier applier_;
  std::optional<SnapshotHistory> undoPoints_;
};

template <class Report, class Write>
BatchResult<Report> BatchTransaction::run(const std::vector<std::pair<SettingRef, SettingChannel>>& roots,
                                          const std::vector<std::string>& settingIDs, const std::string& reason,
                                          const Snapshot& writing, Write write) const {
  BatchResult<Report> result;
  const PreferenceApplier applier = applier_.forOneBatch();
  clearEmptyInterrupted(applier);
  const Snapshot before = applier.snapshots().capture(roots);
  const auto& intents = applier.intents();
  Ahead ahead = storeAhead(before, intents ? intents->records(settingIDs) : std::vector<PriorIntent>{}, reason);
  if (ahead.heldBack) {
    takeWayBack(result, ahead);
    return result;
  }
  // Nothing to write: no need to read the roots again to know it.
  const bool mayChange = changesAnyRoot(before, writing);
  try {
    result.report = write(before);
  } catch (...) {
    mayChange ? settleByRereading(ahead, applier, before) : settle(ahead, false);
    throw;
  }
  mayChange ? settleByRereading(ahead, applier, before) : settle(ahead, false);
  takeWayBack(result, ahead);
  result.change = Change::of(before, {}, result.wayBack && result.wayBack->onDisk());
  return result;
}

}  // namespace amberloom
