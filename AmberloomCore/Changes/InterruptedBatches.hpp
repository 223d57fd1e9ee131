#pragma once
// The batches that stopped before they settled (the application was killed, the Mac lost power,
// a disk filled mid-way), as the next start finds them: their points still marked as in progress
// and held by no live process. A point whose snapshot still equals what the files hold put back
// nothing, because its batch wrote nothing: it is removed at once. Every other one is offered to
// the user, to be taken back or kept; either way it then stays listed as a settled point. A point
// left by a build that marked none reads as settled and is never found here.

#include <cstddef>
#include <functional>
#include <vector>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/SnapshotService.hpp"

namespace amberloom {

struct InterruptedBatch {
  SnapshotHistory::Interrupted point;
  std::size_t changed = 0;  // entries whose root holds something else now than the point holds

  bool operator==(const InterruptedBatch&) const = default;
};

class InterruptedBatches {
 public:
  InterruptedBatches(SnapshotHistory history, SnapshotService snapshots)
      : history_(std::move(history)), snapshots_(std::move(snapshots)) {}

  // Removes the interrupted points that hold nothing to put back, and gives the others, newest
  // first. Reads the points and the preference files they name; never throws.
  std::vector<InterruptedBatch> find() const;
  // The user kept the batch's changes, or took them back: its point is settled. False when it
  // could not be renamed (it is found again at the next start).
  bool settle(const InterruptedBatch& batch) const { return history_.settle(batch.point); }
  // The user's Undo of the batch: `takeBack` puts its point back (a take-back of its own, with its
  // own point) and calls `ran` once that has run, now or later; only then is the batch's point
  // settled, and `ran` answers whether it could be. A take-back that does not run (cancelled,
  // dropped while another batch runs) or is killed on the way leaves the batch to be offered again.
  using TakeBack = std::function<void(const StoredSnapshot& point, std::function<bool()> ran)>;
  static void undo(const SnapshotHistory& history, const InterruptedBatch& batch, const TakeBack& takeBack);

 private:
  SnapshotHistory history_;
  SnapshotService snapshots_;
};

// What the user is told the batch was doing: its point's reason without "Before " ("applying
// “Focus”"), or "changing settings (<reason>)" for a reason of another form.
std::string interruptedActivity(const std::string& reason);

}  // namespace amberloom
