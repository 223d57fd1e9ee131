#pragma once
// Undo points on disk: the snapshot taken before a batch of writes, kept as one compact JSON file
// per point (earlier builds wrote them pretty-printed; both read alike) so that the batch can still be undone after the application quit. Files
// are "<id>.amberloom-undo.json" in one folder, where the id is the UTC stamp
// "yyyy-MM-dd-HHmmss-SSS" of the point (with "-2", "-3", ... when points share a millisecond, also
// between processes).
//
// A batch stores its point ahead of its first write as "<id>.in-progress.amberloom-undo.json",
// held (locked) by its process, and settles it under the plain name once the batch is done (or
// removes it when the batch wrote nothing). A point still in progress that no live process holds
// was left by a batch that stopped part-way: `interrupted` lists those, for the next start to
// offer. A point stored by a build that marked none is taken as settled.
//
// Only the ten newest settled points are kept, the one just stored always among them, in the
// order their names give (no point is decoded to prune it); points in progress are never pruned,
// and files that hold no readable point go before any readable one. A point may carry the
// change-history records of its batch's settings as they were before it; a point written before
// points carried them has none. What each file held when it was read is kept by the history and
// its copies until the file changes: decoded when it was read in whole by `all`, else what a
// listing shows of it.
//
// A point may be megabytes: screens `list` the points (their names, dates, reasons and sizes, read
// without building the entries) and `read` one in whole only when it is shown or used.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Changes/IntentLog.hpp"
#include "Changes/SnapshotService.hpp"
#include "Changes/StoredSnapshot.hpp"
#include "Platform/AtomicFile.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom {

class DecodedPoints;

// A listed point that cannot be read when it is used: its file is gone since it was listed, or
// holds no point this history can read. Nothing was changed by the failed read.
class UndoPointReadError : public std::runtime_error {
 public:
  UndoPointReadError(std::string fileName, bool gone);
  const std::string& fileName() const { return fileName_; }
  bool isGone() const { return gone_; }

 private:
  std::string fileName_;
  bool gone_;
};

class SnapshotHistory {
 public:
  static constexpr std::string_view fileExtension = "amberloom-undo.json";
  // Between the id and the extension of a point whose batch has not settled.
  static constexpr std::string_view inProgressMark = "in-progress";
  static constexpr std::size_t keepCount = 10;

  using Clock = std::function<double()>;  // seconds since the reference date

  // A point stored ahead of its batch, on disk in progress and held by this process until the
  // history settles or discards it (or the process ends).
  class Pending {
   public:
    const StoredSnapshot& point() const { return point_; }

   private:
    friend class SnapshotHistory;
    Pending(StoredSnapshot point, platform::HeldFile file) : point_(std::move(point)), file_(std::move(file)) {}
    StoredSnapshot point_;
    platform::HeldFile file_;
  };

  // A point left in progress by a batch that no longer runs, and the file it was read from.
  struct Interrupted {
    StoredSnapshot point;
    std::string fileName;
    bool operator==(const Interrupted&) const = default;
  };

  // A file of the folder that holds no point this history can read: cut short, from another
  // program, or of a form it does not know.
  struct Unreadable {
    std::string fileName;
    std::optional<double> storedAt;  // from a name that is a stamp; none otherwise
    bool operator==(const Unreadable&) const = default;
  };

  // A point as a listing knows it, from its file without its entries decoded.
  struct Listed {
    std::string id;
    std::string reason;
    double createdAt = 0;
    std::size_t settingCount = 0;  // the entries of its snapshot
    std::string fileName;
    bool inProgress = false;
    bool operator==(const Listed&) const = default;
  };

  struct Listing {
    std::vector<Listed> points;          // in the order `all` gives
    std::vector<Unreadable> unreadable;  // as `unreadable` gives them
    bool operator==(const Listing&) const = default;
  };

  // `clock` dates the points stored and tells which dates lie in the future.
  explicit SnapshotHistory(std::string folder, Clock clock = iso8601::now);
  // ~/Library/Application Support/AmberLoom/History.
  static SnapshotHistory standard();
  // `homeDirectory` + "/Library/Application Support/AmberLoom/History".
  static std::string defaultFolder(const std::string& homeDirectory);

  const std::string& folder() const { return folder_; }
  // The time by this history's clock.
  double now() const { return clock_(); }

  // The same history for a batch the user agreed to run even if its point cannot be stored here:
  // such a batch then writes, with its way back in memory only. By default a batch whose point
  // cannot be stored writes nothing.
  SnapshotHistory allowingBatchesWithoutPoint() const;
  bool allowsBatchesWithoutPoint() const { return batchesWithoutPoint_; }

  // Stores a settled point taken at `at`, then prunes to the ten newest. An entry whose value has
  // no JSON form is stored unreadable (Snapshot::storable). Returns the point as stored, with `at`
  // at full precision. Never replaces an existing point, not even one another process stores at
  // the same moment. Throws std::filesystem::filesystem_error when the folder cannot be created,
  // JsonWriteError when the reason is not well-formed text, platform::FileWriteError when the
  // file cannot be written; nothing is stored or pruned then.
  StoredSnapshot record(const Snapshot& snapshot, const std::string& reason, double at,
                        std::optional<std::vector<PriorIntent>> priorIntents = std::nullopt) const;
  // As record, in progress and without pruning: the file is on disk (flushed, and its folder with
  // it) and held when this returns. A batch stores its point so before its first write.
  Pending storeAhead(const Snapshot& snapshot, const std::string& reason, double at,
                     std::optional<std::vector<PriorIntent>> priorIntents = std::nullopt) const;
  // The batch is done: the point takes its settled name, and is let go. False when it could not be
  // renamed: it stays in progress, and the next start offers it.
  bool settle(Pending& pending) const;
  // The batch wrote nothing: the point's file is removed, and let go. False when it could not be
  // removed: it stays in progress, and the next start finds it holds nothing to put back.
  bool discard(Pending& pending) const;
  // Removes the oldest settled points beyond the ten newest, by the order of their names, never
  // `kept` (the point just stored) nor a point in progress; files that hold no readable point go
  // before any readable one. A point dated after now was stored while the clock ran ahead: its
  // date tells nothing of when, so such points go before any other readable one. Failures are
  // ignored.
  void prune(const StoredSnapshot& kept) const;

  // Every readable point, in progress or settled, newest first: by createdAt, then by id (whose
  // stamp carries the milliseconds). Never fails: a missing folder lists nothing; files that hold
  // no readable point are left to `unreadable`.
  std::vector<StoredSnapshot> all() const;
  // What `all` and `unreadable` give, as far as it can be told without decoding the points'
  // entries: a file whose entries are damaged is listed, and found unreadable when it is read.
  // Never fails.
  Listing list() const;
  // The listed point in whole (found under its settled name if it settled since). Throws
  // UndoPointReadError when the file is gone or holds no point with the listed id.
  StoredSnapshot read(const Listed& listed) const;
  // The regular files named as points that hold no readable point, newest name first. Never fails.
  std::vector<Unreadable> unreadable() const;
  // The readable points left in progress that no live process holds, newest first. Never fails.
  std::vector<Interrupted> interrupted() const;
  // An interrupted point the user kept (or took back): it takes its settled name. False when it
  // could not be renamed.
  bool settle(const Interrupted& point) const;
  // An interrupted point whose batch wrote nothing: its file is removed. False when it could not
  // be removed.
  bool remove(const Interrupted& point) const;
  // Removes the temporaries that writers killed between writing a point and renaming it left in
  // the folder. Never fails.
  void removeLeftTemporaries() const;

 private:
  void knowReadable(const std::string& fileName, const StoredSnapshot& point) const;

  std::string folder_;
  Clock clock_;
  std::shared_ptr<DecodedPoints> decoded_;
  bool batchesWithoutPoint_ = false;
};

}  // namespace amberloom
