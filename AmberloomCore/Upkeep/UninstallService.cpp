#include "Upkeep/UninstallService.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <unordered_map>

#include "Catalog/CatalogChannel.hpp"
#include "Changes/SnapshotHistory.hpp"

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

}  // namespace

UninstallService::UninstallService(std::vector<SettingDefinition> catalog, IntentLog log, SettingsService service,
                                   std::optional<std::string> backupFolder, DomainResolver resolver,
                                   PreferenceStoreRef store, std::optional<std::string> bundleIdentifier,
                                   const std::string& homeDirectory)
    : supportFolder_(homeDirectory + "/Library/Application Support/AmberLoom"),
      undoFolder_(SnapshotHistory::defaultFolder(homeDirectory)),
      backupFolder_(std::move(backupFolder)),
      catalog_(std::move(catalog)),
      log_(log),
      applier_(std::move(service), resolver, SnapshotService(std::move(store), resolver), std::move(log)) {
  if (bundleIdentifier) preferencesFile_ = homeDirectory + "/Library/Preferences/" + *bundleIdentifier + ".plist";
}

RemovalPlan UninstallService::plan() const {
  RemovalPlan plan;
  auto list = [&](const char* label, const std::string& path) {
    if (existsAt(path)) plan.appData.push_back({label, path, sizeOf(path)});
  };

  const std::string inSupport = supportFolder_ + "/";
  list(kHistoryLabel, inSupport + std::string(IntentLog::fileName));
  list(kCatalogCacheLabel, inSupport + std::string(FileCatalogCache::fileName));
  list(kUndoHistoryLabel, undoFolder_);
  list(kPendingSyncLabel, inSupport + kPendingSyncFileName);
  // The same listing the change history uses for its own quarantined files, on the support folder.
  for (const auto& name : IntentLog(inSupport + std::string(IntentLog::fileName), {}).quarantinedFiles())
    list(kQuarantinedLabel, inSupport + name);
  if (preferencesFile_) list(kPreferencesLabel, *preferencesFile_);

  if (backupFolder_ && existsAt(*backupFolder_)) {
    // Nothing here is deleted, so a configured folder that is a link is measured where it leads.
    std::error_code ec;
    const fs::path real = fs::canonical(*backupFolder_, ec);
    plan.backups = RemovalPlan::Item{kBackupsLabel, *backupFolder_, sizeOf(ec ? *backupFolder_ : real.string())};
  }
  plan.settingsLeftChanged = static_cast<std::int64_t>(writtenIntents().size());
  return plan;
}

std::vector<RecordedIntent> UninstallService::writtenIntents() const {
  // The log itself moves an undecodable history aside and reads it as empty.
  auto intents = log_.all();
  std::erase_if(intents, [](const RecordedIntent& intent) { return !intent.value; });
  return intents;
}

WriteReport UninstallService::revertEverything(const ExternalPreferenceReader& verifier) const {
  std::unordered_map<std::string, const SettingDefinition*> byID;
  for (const auto& setting : catalog_) byID.try_emplace(setting.id, &setting);

  std::vector<BatchItem> batch;
  for (const auto& intent : writtenIntents()) {
    // No value resets the setting: its key is removed, which puts back the system default.
    const auto found = byID.find(intent.settingID);
    if (found != byID.end()) batch.push_back({*found->second, std::nullopt});
  }
  return applier_.apply(batch, verifier);
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

std::vector<std::string> UninstallService::removeAppData() const {
  std::vector<std::string> notDeleted;
  for (const auto& item : plan().appData) {
    if (holdsBackups(item.path)) {
      notDeleted.push_back(item.path);
      continue;
    }
    // remove_all deletes a symbolic link itself and never follows one inside a folder.
    std::error_code ec;
    fs::remove_all(item.path, ec);
    if (ec) notDeleted.push_back(item.path);
  }

  std::error_code ec;
  if (fs::is_empty(supportFolder_, ec) && !ec && !holdsBackups(supportFolder_)) fs::remove(supportFolder_, ec);
  return notDeleted;
}

}  // namespace amberloom
