#pragma once
// Backs this Mac's catalogued settings up into a backup folder, reads every Mac's backup out of
// that folder, and restores a chosen backup onto this Mac, reading each written key back from
// outside the process. It also names this Mac: a device ID that stays the same across runs and a
// display name. A restore is one batch (see BatchTransaction): its undo point is stored before the
// first write. It records no change history and restarts no app.

#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Backup/BackupEnvelope.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/BatchTransaction.hpp"
#include "Changes/SnapshotService.hpp"
#include "Platform/Host.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom {

// Which entries of a backup a restore writes.
enum class RestoreMode {
  presentValues,  // only entries holding a value; the others are listed as skipped
  exactMirror,    // every entry; one without a value deletes its key
};

struct RestoreOutcome {
  SettingRef ref;
  bool restored = false;  // another process sees the key as the backup has it
  bool operator==(const RestoreOutcome&) const = default;
};

struct RestoreReport {
  std::vector<RestoreOutcome> outcomes;  // one per written entry, in backup order
  Snapshot undo;                         // this Mac's roots just before the restore
  std::vector<SettingRef> skipped;       // entries without a value, under presentValues

  std::size_t restoredCount() const;
  std::vector<RestoreOutcome> failed() const;
  std::size_t total() const { return outcomes.size(); }
  bool operator==(const RestoreReport&) const = default;
};

// A restore whose writing failed part-way: some keys may already hold the backup's values. It
// carries the batch as it stood: the state captured before the first write and the undo point
// stored ahead of it (or why there is none), so the caller can still offer undo. Its text is that
// of the write error.
class RestoreFailure : public DescribedError {
 public:
  RestoreFailure(std::exception_ptr cause, const std::string& description, BatchResult<RestoreReport> batch)
      : DescribedError(description), cause_(std::move(cause)), batch_(std::move(batch)) {}
  const std::exception_ptr& cause() const { return cause_; }  // the write error itself
  const Snapshot& undo() const { return batch_.report.undo; }
  const BatchResult<RestoreReport>& batch() const { return batch_; }

 private:
  std::exception_ptr cause_;
  BatchResult<RestoreReport> batch_;
};

class BackupService {
 public:
  using Clock = std::function<double()>;  // seconds since the reference date

  // The application preference that keeps this Mac's device ID, for when the hardware gives no
  // answer in time.
  static constexpr const char* deviceIDKey = "backup.deviceID";

  BackupService(SettingsCatalog catalog, DomainResolver resolver, PreferenceStoreRef store, std::string deviceID,
                std::string deviceName, Clock clock = iso8601::now);

  // The hardware UUID when it answers within 2 seconds (remembered in `preferences`); otherwise
  // the ID remembered from an earlier run; otherwise a UUID made of the SHA-256 of the display
  // name, remembered from then on. Upper-case 8-4-4-4-12 text. A failure to remember is ignored.
  static std::string currentDeviceID(const platform::Host& host = platform::Host::current(),
                                     const UserDefaultsRef& preferences = StoreUserDefaults::standard());
  // The host's name, made well-formed text (see wellFormedText); "Mac" when it has none or an empty
  // one.
  static std::string currentDeviceName(const platform::Host& host = platform::Host::current());

  const SettingsCatalog& catalog() const { return catalog_; }
  const std::string& deviceID() const { return deviceID_; }
  const std::string& deviceName() const { return deviceName_; }
  // "<deviceID>.amberloom.json"
  std::string fileName() const;

  // Captures every catalogued root (Night Shift through its own channel) and writes this Mac's
  // backup file into `folder`, creating it owner-only, replacing the earlier file atomically. A
  // value that a backup cannot hold is saved as unreadable, without a value; a root of a domain
  // no restore may write is left out. Returns the file's path. Throws
  // std::filesystem::filesystem_error when the folder cannot be made, platform::FileWriteError
  // when the file cannot be written or would be larger than BackupEnvelope::maxFileBytes (the
  // earlier file is kept then); nothing is left half written. Temporaries of this Mac's file that
  // an earlier backup killed before its rename left go first.
  std::string createBackup(const std::string& folder) const;

  // A later version's catalogue may know more roots than this one, so a backup may hold this many
  // entries beyond this catalogue's roots; more than that no catalogue makes.
  static constexpr std::size_t extraEntries = 4096;
  // The most entries a backup may hold: this catalogue's roots and `extraEntries`.
  std::size_t maxEntries() const;

  // Every file of `folder` whose name ends in "amberloom.json": the readable backups and the
  // refused files with their reasons, each in ascending name order. A folder that cannot be
  // listed reads as empty; an entry that is not a readable regular file is left out; a file larger
  // than BackupEnvelope::maxFileBytes is refused unread, one of more than maxEntries() entries as
  // unreadable. Never throws.
  BackupEnvelope::ReadResult readBackups(const std::string& folder) const;

  // "Before restoring from <name>": the reason of a restore's undo point, naming the Mac as the
  // user knows it (BackupEnvelope::displayName), not by its ID.
  static std::string undoReason(const std::string& name);

  // Writes the backup's entries chosen by `mode` and reads each back through `verifiedBy` (Night
  // Shift through a second run); an entry of a domain no restore may write counts as unreadable.
  // The undo capture holds every catalogued root and every root of the backup; it is stored in
  // `undoPoints` before the first write (none: in memory only). Throws BackupError (unreadable)
  // before any write for more than maxEntries() entries or an entry no backup may hold;
  // RestoreFailure, with the batch so far, when the writing fails part-way.
  BatchResult<RestoreReport> restore(const BackupEnvelope& backup, RestoreMode mode,
                                     const ExternalPreferenceReader& verifiedBy,
                                     const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;
  // Takes a restore's way back; a restore records no change history, so neither does this.
  BatchResult<UndoReport> undo(const StoredSnapshot& wayBack, const ExternalPreferenceReader& verifiedBy,
                               const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;

 private:
  BatchTransaction transaction(const std::optional<SnapshotHistory>& undoPoints) const;
  // Each catalogued root once, in order of first appearance: the first key of a defaults setting,
  // a Night Shift setting whole.
  std::vector<std::pair<SettingRef, SettingChannel>> distinctRoots() const;

  SettingsCatalog catalog_;
  SnapshotService snapshots_;
  DomainResolver resolver_;
  std::string deviceID_;
  std::string deviceName_;
  Clock clock_;
};

}  // namespace amberloom
