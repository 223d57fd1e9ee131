#pragma once
// Undo points on disk: the snapshot taken before a batch of writes, kept as one pretty-printed
// JSON file per point so that the batch can still be undone after the application quit. Files
// are "<id>.amberloom-undo.json" in one folder, where the id is the UTC stamp
// "yyyy-MM-dd-HHmmss-SSS" of the point (with "-2", "-3", ... when points share a millisecond, also
// between processes). Only the ten newest readable points are kept, the one just stored always
// among them; unreadable files (a point cut short by a crash among them) are skipped, never
// removed. A point may carry the change-history records of its batch's settings as they were
// before it; a point written before points carried them has none. What each file held when it was
// read is kept, decoded, by the history and its copies until the file changes, so listing and
// pruning cost no decoding of points already read.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Changes/IntentLog.hpp"
#include "Changes/SnapshotService.hpp"
#include "Changes/StoredSnapshot.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom {

class DecodedPoints;

class SnapshotHistory {
 public:
  static constexpr std::string_view fileExtension = "amberloom-undo.json";
  static constexpr std::size_t keepCount = 10;

  using Clock = std::function<double()>;  // seconds since the reference date

  // `clock` dates the points stored and tells which dates lie in the future.
  explicit SnapshotHistory(std::string folder, Clock clock = iso8601::now);
  // ~/Library/Application Support/AmberLoom/History.
  static SnapshotHistory standard();
  // `homeDirectory` + "/Library/Application Support/AmberLoom/History".
  static std::string defaultFolder(const std::string& homeDirectory);

  const std::string& folder() const { return folder_; }
  // The time by this history's clock.
  double now() const { return clock_(); }

  // Stores a new point taken at `at`, then prunes to the ten newest. An entry whose value has no
  // JSON form is stored unreadable (Snapshot::storable). Returns the point as stored, with `at` at
  // full precision. Never replaces an existing point, not even one another process stores at the
  // same moment. Throws std::filesystem::filesystem_error when the folder cannot be created,
  // JsonWriteError when the reason is not well-formed text, platform::FileWriteError when the
  // file cannot be written; nothing is stored or pruned then.
  StoredSnapshot record(const Snapshot& snapshot, const std::string& reason, double at,
                        std::optional<std::vector<PriorIntent>> priorIntents = std::nullopt) const;
  // As record, without pruning: the file is on disk (flushed, and its folder with it) when this
  // returns. A batch stores its point so before its first write and prunes once it is done.
  StoredSnapshot store(const Snapshot& snapshot, const std::string& reason, double at,
                       std::optional<std::vector<PriorIntent>> priorIntents = std::nullopt) const;
  // Removes the oldest readable points beyond the ten newest, never `kept` (the point just
  // stored). A point dated after now was stored while the clock ran ahead: its date tells nothing
  // of when, so such points go before any other. Failures are ignored.
  void prune(const StoredSnapshot& kept) const;
  // Removes the file of a point this history stored; false when it could not be removed.
  bool remove(const StoredSnapshot& point) const;

  // Every readable point, newest first: by createdAt, then by id (whose stamp carries the
  // milliseconds). Never fails: a missing folder lists nothing; unreadable files are skipped.
  std::vector<StoredSnapshot> all() const;

 private:
  std::string folder_;
  Clock clock_;
  std::shared_ptr<DecodedPoints> decoded_;
};

}  // namespace amberloom
