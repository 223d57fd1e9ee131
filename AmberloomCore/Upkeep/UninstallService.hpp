#pragma once
// Clears the application's traces before the user throws the app away: lists its files with
// their sizes (the plan), puts every setting it changed back to the system default in one
// verified batch, and deletes its files. Backups are never deleted: of an item that holds the
// backup folder, only what lies beside it goes. Each call reads the file system afresh; no call
// throws.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Changes/BatchTransaction.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/PreferenceApplier.hpp"
#include "Changes/WriteReport.hpp"
#include "Upkeep/RemovalPlan.hpp"

namespace amberloom {

class UninstallService {
 public:
  // Labels of the plan's items.
  static constexpr const char* kHistoryLabel = "Your change history";
  static constexpr const char* kCatalogCacheLabel = "Cached settings catalogue";
  static constexpr const char* kUndoHistoryLabel = "Undo history";
  static constexpr const char* kPendingSyncLabel = "An unsent sync upload";
  static constexpr const char* kQuarantinedLabel = "An old change history file that could not be read";
  static constexpr const char* kPreferencesLabel = "AmberLoom's own preferences";
  static constexpr const char* kOldPreferencesLabel = "AmberLoom's old unreadable preferences";
  static constexpr const char* kSignInLabel = "This Mac's sign-in to your account";
  static constexpr const char* kBackupsLabel = "Your backups (kept)";

  // Takes this Mac off its account on the server while the session is still on disk, waiting a
  // bounded time (AccountDeparture); true when this Mac may still be listed there afterwards.
  using LeaveAccount = std::function<bool()>;

  // What deleting the app data did.
  struct Removal {
    std::vector<std::string> failures;  // paths not wholly deleted that should have been, in plan order
    bool stillListed = false;           // this Mac could not be taken off its account
    bool operator==(const Removal&) const = default;
  };

  // The support folder is `homeDirectory` + "/Library/Application Support/AmberLoom"; the
  // preferences file `homeDirectory` + "/Library/Preferences/<bundleIdentifier>.plist" (none
  // without an identifier); the sign-in's folder the secret store's in `homeDirectory`.
  // `backupFolder` is the configured backup folder, kept as given. Resets go through a batch writer
  // over `service`, a snapshot service on `store` and `resolver`, and `log`, so every confirmed
  // reset is recorded in this change history. `leaveAccount` runs before any file is deleted.
  UninstallService(std::vector<SettingDefinition> catalog, IntentLog log, SettingsService service,
                   std::optional<std::string> backupFolder, DomainResolver resolver, PreferenceStoreRef store,
                   std::optional<std::string> bundleIdentifier, const std::string& homeDirectory,
                   LeaveAccount leaveAccount = {});

  // The app's files that exist: the history, the catalogue cache, the undo points, the unsent sync
  // upload, then quarantined histories by name, then the preferences file, its unreadable copies
  // moved aside, by name, and the folder of the sign-in's device token (standing for the keychain
  // item); the backup folder when something is there; the count of written choices of settings the
  // catalogue knows, and, without a change history to tell which of them AmberLoom changed, how
  // many catalogued settings hold a value on this Mac. An item
  // that holds the backup folder is measured without it (the backups count once, as backups);
  // one that is the backup folder or holds nothing else is not app data. Moves an undecodable history aside (the plan
  // drawn in that call still lists it under its old name and counts nothing).
  RemovalPlan plan() const;
  // "Before reverting everything AmberLoom changed": the reason of a revert's undo point.
  static constexpr const char* revertReason = "Before reverting everything AmberLoom changed";

  // Resets every setting with a written choice that the catalogue knows (the first definition of
  // an id wins), as one batch whose undo point goes into `undoPoints` (none: in memory only). An
  // empty list still runs as a batch, which stores no point.
  BatchResult<WriteReport> revertEverything(const ExternalPreferenceReader& verifier,
                                            const std::optional<SnapshotHistory>& undoPoints = std::nullopt) const;
  // Takes this Mac off its account first (leaveAccount, which may wait for the network), then
  // deletes the app data of a fresh plan (symbolic links as links, folders whole, and of a folder
  // that holds the backup folder everything beside it). Then removes the support folder if it is
  // left empty.
  Removal removeAppData() const;

  const std::string& supportFolder() const { return supportFolder_; }
  const std::optional<std::string>& preferencesFile() const { return preferencesFile_; }
  const std::optional<std::string>& backupFolder() const { return backupFolder_; }

 private:
  // The settings the catalogue knows that hold a written choice, in history order.
  std::vector<const SettingDefinition*> changedSettings() const;
  // The existing backup folder without links; none when there is none.
  std::optional<std::filesystem::path> backupsOnDisk() const;
  // Whether deleting `path` would take the existing backup folder with it.
  bool holdsBackups(const std::string& path) const;

  // The written choices of the change history, and whether there is a history that tells them.
  std::pair<std::vector<const SettingDefinition*>, bool> readHistory() const;

  std::string supportFolder_;
  std::string undoFolder_;
  std::string signInFolder_;
  LeaveAccount leaveAccount_;
  std::optional<std::string> backupFolder_;
  std::optional<std::string> preferencesFile_;
  std::vector<SettingDefinition> catalog_;
  IntentLog log_;
  SettingsService settings_;
  PreferenceApplier applier_;
};

}  // namespace amberloom
