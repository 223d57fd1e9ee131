#include "Upkeep/UninstallService.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <unordered_map>

#include "Catalog/CatalogChannel.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Platform/SecretStore.hpp"

namespace amberloom {
namespace fs = std::filesystem;

namespace {

// The unsent sync document, kept in the support folder until it can be uploaded.
constexpr const char* kPendingSyncFileName = "pending-sync.json";

// Anything at the path, a symbolic link (even a dangling one) included; nothing is followed.
bool existsAt(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// An item's size in bytes, never following a symbolic link: a folder is the sum of everything
// beneath it (hidden files included), a link counts as itself. Whatever cannot be read or has
// vanished counts 0.
std::int64_t sizeOf(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return 0;
  if (!S_ISDIR(info.st_mode)) return static_cast<std::int64_t>(info.st_size);

  std::int64_t total = 0;
  std::error_code ec;
  fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
  for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    struct stat entry {};
    if (::lstat(it->path().c_str(), &entry) == 0 && !S_ISDIR(entry.st_mode))
      total += static_cast<std::int64_t>(entry.st_size);
  }
  return total;
}

// `inner` is `outer` or lies beneath it; both already absolute and free of links.
bool isWithin(const fs::path& inner, const fs::path& outer) {
  auto text = [](const fs::path& path) {
    std::string s = path.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
  };
  const std::string i = text(inner), o = text(outer);
  return i == o || i.starts_with(o == "/" ? o : o + "/");
}

// Calls `visit` for everything inside `folder` that lies beside `kept` (beneath `folder`): every
// entry but `kept` and the folders that lead to it. A listing error lands in `failure`.
void forEachBeside(const fs::path& folder, const fs::path& kept, const std::function<void(const fs::path&)>& visit,
                   std::error_code& failure) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path child = it->path();
    if (!isWithin(kept, child))
      visit(child);
    else if (!isWithin(child, kept))
      forEachBeside(child, kept, visit, failure);
  }
  if (ec && !failure) failure = ec;
}

bool anythingBeside(const fs::path& folder, const fs::path& kept) {
  bool found = false;
  std::error_code ignored;
  forEachBeside(folder, kept, [&](const fs::path&) { found = true; }, ignored);
  return found;
}

// Deletes everything beside `kept` in `folder` (symbolic links as links); the first failure lands
// in `failure` and the rest still goes.
void removeAllBeside(const fs::path& folder, const fs::path& kept, std::error_code& failure) {
  forEachBeside(
      folder, kept,
      [&](const fs::path& child) {
        std::error_code removal;
        fs::remove_all(child, removal);
        if (removal && !failure) failure = removal;
      },
      failure);
}

}  // namespace

UninstallService::UninstallService(std::vector<SettingDefinition> catalog, IntentLog log, SettingsService service,
                                   std::optional<std::string> backupFolder, DomainResolver resolver,
                                   PreferenceStoreRef store, std::optional<std::string> bundleIdentifier,
                                   const std::string& homeDirectory, LeaveAccount leaveAccount)
    : supportFolder_(homeDirectory + "/Library/Application Support/AmberLoom"),
      undoFolder_(SnapshotHistory::defaultFolder(homeDirectory)),
      signInFolder_(platform::FileSecretStore::folderIn(homeDirectory)),
      leaveAccount_(std::move(leaveAccount)),
      backupFolder_(std::move(backupFolder)),
      catalog_(std::move(catalog)),
      log_(log),
      settings_(service),
      applier_(std::move(service), resolver, SnapshotService(std::move(store), resolver), std::move(log)) {
  if (bundleIdentifier) preferencesFile_ = homeDirectory + "/Library/Preferences/" + *bundleIdentifier + ".plist";
}

namespace {

// The unreadable copies of the preferences file `file` that the preferences moved aside
// ("<name>.corrupt-<stamp>.plist", "-2", ... when taken), by name.
std::vector<std::string> movedAsideCopies(const std::string& file) {
  const fs::path path(file);
  const std::string prefix = path.stem().string() + ".corrupt-";
  std::vector<std::string> copies;
  std::error_code ec;
  for (fs::directory_iterator it(path.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() > prefix.size() + 6 && name.starts_with(prefix) && name.ends_with(".plist"))
      copies.push_back(it->path().string());
  }
  std::sort(copies.begin(), copies.end());
  return copies;
}

}  // namespace

RemovalPlan UninstallService::plan() const {
  RemovalPlan plan;
  const auto backups = backupsOnDisk();
  auto list = [&](const char* label, const std::string& path) {
    if (!existsAt(path)) return;
    std::int64_t bytes = sizeOf(path);
    if (backups && holdsBackups(path)) {
      // The backups count once, as backups; a folder that holds nothing else is no app data.
      std::error_code ec;
      const fs::path real = fs::weakly_canonical(path, ec);
      if (!ec && (isWithin(real, *backups) || !anythingBeside(real, *backups))) return;
      bytes = std::max<std::int64_t>(0, bytes - sizeOf(backups->string()));
    }
    plan.appData.push_back({label, path, bytes});
  };

  const std::string inSupport = supportFolder_ + "/";
  list(kHistoryLabel, inSupport + std::string(IntentLog::fileName));
  list(kHistoryLabel, IntentLog(inSupport + std::string(IntentLog::fileName), {}).journalPath());
  list(kCatalogCacheLabel, inSupport + std::string(FileCatalogCache::fileName));
  list(kUndoHistoryLabel, undoFolder_);
  list(kPendingSyncLabel, inSupport + kPendingSyncFileName);
  // The same listing the change history uses for its own quarantined files, on the support folder.
  for (const auto& name : IntentLog(inSupport + std::string(IntentLog::fileName), {}).quarantinedFiles())
    list(kQuarantinedLabel, inSupport + name);
  if (preferencesFile_) {
    list(kPreferencesLabel, *preferencesFile_);
    for (const auto& copy : movedAsideCopies(*preferencesFile_)) list(kOldPreferencesLabel, copy);
  }
  list(kSignInLabel, signInFolder_);

  if (backupFolder_ && existsAt(*backupFolder_)) {
    // Nothing here is deleted, so a configured folder that is a link is measured where it leads.
    plan.backups = RemovalPlan::Item{kBackupsLabel, *backupFolder_, sizeOf(backups ? backups->string() : *backupFolder_)};
  }
  // Only what a revert can put back: a record of a setting the catalogue no longer holds would
  // leave the revert offered for ever.
  const auto [changed, historyKnown] = readHistory();
  plan.settingsLeftChanged = static_cast<std::int64_t>(changed.size());
  // Without a history nothing says AmberLoom changed none of the values set here.
  if (!historyKnown)
    for (const auto& value : settings_.currentValues(catalog_)) plan.settingsSetWithoutHistory += value.has_value();
  return plan;
}

std::pair<std::vector<const SettingDefinition*>, bool> UninstallService::readHistory() const {
  std::unordered_map<std::string, const SettingDefinition*> byID;
  for (const auto& setting : catalog_) byID.try_emplace(setting.id, &setting);
  std::vector<const SettingDefinition*> changed;
  // The log itself moves an undecodable history aside and reads it as empty.
  for (const auto& intent : log_.all()) {
    if (!intent.value) continue;
    if (const auto found = byID.find(intent.settingID); found != byID.end()) changed.push_back(found->second);
  }
  // Read afterwards: a history moved aside just now tells nothing either.
  return {std::move(changed), existsAt(log_.path())};
}

std::vector<const SettingDefinition*> UninstallService::changedSettings() const { return readHistory().first; }

BatchResult<WriteReport> UninstallService::revertEverything(const ExternalPreferenceReader& verifier,
                                                            const std::optional<SnapshotHistory>& undoPoints) const {
  std::vector<BatchItem> batch;
  // No value resets the setting: its key is removed, which puts back the system default.
  for (const auto* setting : changedSettings()) batch.push_back({*setting, std::nullopt});
  return BatchTransaction(applier_, undoPoints).write(batch, revertReason, verifier);
}

std::optional<fs::path> UninstallService::backupsOnDisk() const {
  if (!backupFolder_ || !existsAt(*backupFolder_)) return std::nullopt;
  std::error_code ec;
  fs::path real = fs::canonical(*backupFolder_, ec);
  if (ec) return std::nullopt;
  return real;
}

bool UninstallService::holdsBackups(const std::string& path) const {
  if (!backupFolder_ || !existsAt(*backupFolder_)) return false;
  // Deleting a link removes only the link, whatever it points at.
  std::error_code ec;
  if (fs::symlink_status(path, ec).type() == fs::file_type::symlink) return false;
  const fs::path item = fs::weakly_canonical(path, ec);
  if (ec) return true;  // cannot tell: keep it
  const fs::path backups = fs::weakly_canonical(*backupFolder_, ec);
  if (ec) return true;
  return isWithin(backups, item);
}

UninstallService::Removal UninstallService::removeAppData() const {
  Removal removal;
  // The device token goes with the files: afterwards only a later sign-in could take the entry away.
  if (leaveAccount_) removal.stillListed = leaveAccount_();
  std::vector<std::string>& notDeleted = removal.failures;
  for (const auto& item : plan().appData) {
    std::error_code ec;
    if (holdsBackups(item.path)) {
      // Only what lies beside the backups goes; when that cannot be worked out, nothing does.
      const auto backups = backupsOnDisk();
      const fs::path real = fs::weakly_canonical(item.path, ec);
      if (ec || !backups || isWithin(real, *backups)) {
        notDeleted.push_back(item.path);
        continue;
      }
      removeAllBeside(real, *backups, ec);
    } else {
      // remove_all deletes a symbolic link itself and never follows one inside a folder.
      fs::remove_all(item.path, ec);
    }
    if (ec) notDeleted.push_back(item.path);
  }

  std::error_code ec;
  if (fs::is_empty(supportFolder_, ec) && !ec && !holdsBackups(supportFolder_)) fs::remove(supportFolder_, ec);
  return removal;
}

}  // namespace amberloom
