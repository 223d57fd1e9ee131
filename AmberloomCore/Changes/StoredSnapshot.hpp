#pragma once
// An undo point as stored: the snapshot taken before a batch of writes, with the sentence of the
// screen that made it and when. SnapshotHistory keeps them on disk.

#include <optional>
#include <string>
#include <vector>

#include "Changes/IntentLog.hpp"
#include "Changes/Snapshot.hpp"

namespace amberloom {

struct StoredSnapshot {
  std::string id;      // the point's stamp, also the stem of its file name
  std::string reason;  // the sentence the recording screen gave
  double createdAt = 0;  // seconds since the reference date; stored to the whole second
  Snapshot snapshot;
  // The records to put back when the point is taken back; none for a point stored without them,
  // whose undo forgets the records its values no longer match instead.
  std::optional<std::vector<PriorIntent>> priorIntents;

  bool operator==(const StoredSnapshot&) const = default;
};

}  // namespace amberloom
