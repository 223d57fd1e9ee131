#pragma once
// The data side of syncing settings between Macs: builds this Mac's sync document, compares this
// Mac with another Mac's document, copies the other Mac's values onto this Mac as one batch (see
// BatchTransaction: its undo point stored before the first write, each value read back from
// outside, confirmed copies recorded) and takes an undo point back.
// Knows nothing of the network. Runs synchronously on the caller's thread; no operation throws:
// the failure of one setting is an outcome in the report.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/BatchTransaction.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/PreferenceApplier.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/SnapshotService.hpp"
#include "Changes/WriteReport.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/PreferenceStore.hpp"
#include "Sync/SyncComparator.hpp"
#include "Sync/SyncDocument.hpp"
#include "Sync/SyncRow.hpp"
#include "Sync/SyncRowCaution.hpp"

namespace amberloom {

// The outcome of a copied row whose setting this Mac's catalogue does not hold.
inline constexpr const char* kNotInCatalog = "katalogda yok";

class SyncService {
 public:
  // What a fetch of the other Macs' documents yields.
  class ReadResult {
   public:
    // `sources` holds the key each document's Mac is told apart by, in the order of `documents`:
    // its device id, or where two Macs share one (a cloned disk), its entry on the account, which
    // never repeats. Left empty, each document's own device id. Throws std::invalid_argument when
    // the counts differ.
    ReadResult(std::vector<SyncDocument> documents, std::vector<std::string> unreadable,
               std::map<std::string, double> sharedAt = {}, std::vector<std::string> sources = {});

    // The other Macs' documents that could be read.
    const std::vector<SyncDocument>& documents() const { return documents_; }
    // Who shared each of them, one per document.
    const std::vector<std::string>& sources() const { return sources_; }
    // One name per other Mac whose document could not be read.
    const std::vector<std::string>& unreadable() const { return unreadable_; }
    // Source to the update time the server reports (seconds since the reference date).
    std::map<std::string, double> sharedAt;
    // The account's entry of each listed document to its Mac's name as the document says it
    // (SyncDocument::displayName), so that every page names a Mac alike, also after a rename.
    std::map<std::string, std::string> entryNames;

    bool operator==(const ReadResult&) const = default;

   private:
    std::vector<SyncDocument> documents_;
    std::vector<std::string> sources_;
    std::vector<std::string> unreadable_;
  };

  // Copies of the values ride along; `intents` (the change history) records confirmed copies.
  SyncService(SettingsCatalog catalog, SettingsService service, DomainResolver resolver, PreferenceStoreRef store,
              std::string deviceID, std::string deviceName, std::optional<IntentLog> intents);

  const SettingsCatalog& catalog() const { return comparator_.catalog(); }
  const SettingsService& service() const { return comparator_.service(); }
  const SyncComparator& comparator() const { return comparator_; }
  const SnapshotService& snapshots() const { return snapshots_; }
  const PreferenceApplier& applier() const { return applier_; }
  const DomainResolver& resolver() const { return resolver_; }
  const std::string& deviceID() const { return deviceID_; }
  const std::string& deviceName() const { return deviceName_; }

  // "<deviceID>.amberloom-sync.json", the name of this Mac's document.
  std::string fileName() const;

  // This Mac's document for the running macOS and app versions, without the values macOS writes
  // itself; always carries the name.
  SyncDocument currentDocument() const;

  // The comparison with another Mac for the running versions, taken afresh on every call.
  std::vector<SyncRow> compare(const SyncDocument& with, const std::set<std::string>& pinned) const;

  // Why each of `rows` waits for the user's tick (see SyncRowCaution), in their order; none for a
  // row that may come over by itself. Reads the change history and the holds once.
  std::vector<std::optional<SyncRowCaution>> cautions(const std::vector<SyncRow>& rows) const;

  // What the unattended copy (sync at login, automatic sync) of `rows` writes: the rows
  // SyncRowCaution::mayCopyUnattended lets through, in their order.
  std::vector<SyncRow> unattended(const std::vector<SyncRow>& rows) const;

  // What the other Macs have and this Mac lacks and the unattended copy may write: one row that
  // SyncRowCaution::mayCopyUnattended lets through per such setting, in catalogue order. Where the
  // other Macs disagree, the value of the Mac that shared most recently (by `sharedAt` of its
  // source) is the one looked at; a Mac without a time counts as the oldest, ties go to the
  // server's order. When that value waits for a tick, no older one comes in its place.
  std::vector<SyncRow> missingHere(const ReadResult& others, const std::set<std::string>& pinned) const;

  // Holds the settings of copies the user saw and left unticked (see HeldSettings). Throws
  // HistoryWriteError when the holds could not be stored.
  void decline(const std::vector<std::string>& settingIDs) const;
  // What says the change history lost records (IntentLog::damage), or that the holds beside it
  // cannot be read (their path); none while both read whole or there is no history.
  std::optional<std::string> historyDamage() const;

  // "Before bringing <count> settings from <from>": the reason of a copy's undo point.
  static std::string undoReason(std::size_t count, const std::string& from);

  // Writes the other Mac's value of every unpinned differs and onlyThere row, in row order, as
  // one batch whose undo point (reason: undoReason, `from` naming the other Mac) goes into
  // `undoPoints`; other rows give no outcome. A row whose id the catalogue lacks (any version) is
  // never written and gets the outcome "katalogda yok", after the batch's outcomes. A confirmed
  // copy releases its setting's hold: the user's tick was the decision.
  BatchResult<WriteReport> apply(const std::vector<SyncRow>& rows, const ExternalPreferenceReader& verifiedBy,
                                 const std::string& from,
                                 const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;

  // Takes an undo point back (of any batch, not only copies), its `priorIntents` into the change
  // history; without them, forgets the recorded choices of the settings it touches that their
  // values no longer match. Its own undo point goes into `undoPoints`.
  BatchResult<UndoReport> undo(const StoredSnapshot& point, const ExternalPreferenceReader& verifiedBy,
                               const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;

 private:
  // What this Mac decided on each row's setting, read once for all of them.
  class Decisions;
  Decisions decisions(const std::vector<SyncRow>& rows) const;
  void releaseCopied(const WriteReport& report) const;

  SyncComparator comparator_;
  SnapshotService snapshots_;
  PreferenceApplier applier_;
  DomainResolver resolver_;
  std::string deviceID_;
  std::string deviceName_;
};

}  // namespace amberloom
