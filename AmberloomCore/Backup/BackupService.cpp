#include "Backup/BackupService.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <unordered_set>

#include "Backup/BackupLocator.hpp"
#include "Changes/PreferenceApplier.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/WriteReport.hpp"
#include "Platform/AtomicFile.hpp"
#include "Preferences/NightShiftClient.hpp"
#include "SelfTest/ProcessInfo.hpp"
#include "Support/CanonicalText.hpp"
#include "Support/Log.hpp"
#include "Support/Sha256.hpp"
#include "Support/StaleTemporaries.hpp"

namespace amberloom {
namespace fs = std::filesystem;

namespace {

// What a setting or a backup entry captures: the first key of a defaults setting, whose whole
// value is written back; a Night Shift setting whole, as its channel reads and writes it.
std::pair<SettingRef, SettingChannel> rootOf(const SettingRef& ref, SettingChannel channel) {
  if (channel == SettingChannel::nightShift) return {ref, channel};
  return {ref.root(), channel};
}

// 16 bytes as upper-case 8-4-4-4-12 UUID text.
std::string uuidText(const std::uint8_t* bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(digits[bytes[i] >> 4]);
    text.push_back(digits[bytes[i] & 15]);
  }
  return text;
}

// A UUID made of the first 16 bytes of the name's SHA-256, unchanged (no version or variant bits).
std::string uuid(const std::string& derivedFrom) { return uuidText(sha256(derivedFrom).data()); }

bool isUUIDText(const std::string& text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
    if (hyphen ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

void remember(const UserDefaultsRef& preferences, const std::string& deviceID) {
  if (!preferences || preferences->stringValue(BackupService::deviceIDKey) == deviceID) return;
  try {
    preferences->setString(deviceID, BackupService::deviceIDKey);
  } catch (const std::exception&) {
    // The ID is still right for this run; the next run tries again.
    log::dropped(log::Area::backup, "This Mac's device id " + deviceID + " cannot be stored");
  }
}

// Whether another process sees each entry as the backup has it, each domain read once. A deleted
// key that is gone counts only when the reader can see the domain at all.
std::vector<bool> readBack(const std::vector<SnapshotEntry>& entries, const DomainResolver& resolver,
                           const ExternalPreferenceReader& reader) {
  std::vector<RootKey> roots;
  for (const auto& entry : entries)
    if (!entry.ref.path.empty() && entry.channel != SettingChannel::nightShift)
      roots.push_back({resolver.resolve(entry.ref.domain, entry.ref.byHost), entry.ref.path.front()});
  const auto outside = readFromOutside(reader, roots);
  std::vector<bool> restored;
  std::size_t next = 0;
  for (const auto& entry : entries) {
    if (entry.ref.path.empty()) {
      restored.push_back(false);
    } else if (entry.channel == SettingChannel::nightShift) {
      const auto seen = nightShiftValueFromOutside(entry.ref);
      restored.push_back(seen && entry.rootValue && *seen == *entry.rootValue);
    } else {
      const auto& seen = outside[next++];
      restored.push_back(matchesFromOutside(seen.value, entry.rootValue, seen.domainReadable));
    }
  }
  return restored;
}

void refuseUnsafeEntries(const Snapshot& snapshot, std::size_t maxEntries) {
  if (const auto refusal = BackupEnvelope::sizeRefusal(snapshot.entries.size(), maxEntries))
    throw BackupError::unreadable(*refusal);
  for (std::size_t i = 0; i < snapshot.entries.size(); ++i)
    if (const auto refusal = BackupEnvelope::entryRefusal(snapshot.entries[i]))
      throw BackupError::unreadable("entry " + std::to_string(i) + " (" + snapshot.entries[i].ref.description() +
                                    "): " + *refusal);
}

}  // namespace

std::size_t RestoreReport::restoredCount() const {
  return static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) { return o.restored; }));
}

std::vector<RestoreOutcome> RestoreReport::failed() const {
  std::vector<RestoreOutcome> result;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(result), [](const auto& o) { return !o.restored; });
  return result;
}

BackupService::BackupService(SettingsCatalog catalog, DomainResolver resolver, PreferenceStoreRef store,
                             std::string deviceID, std::string deviceName, Clock clock)
    : catalog_(std::move(catalog)), snapshots_(std::move(store), resolver), resolver_(std::move(resolver)),
      deviceID_(std::move(deviceID)), deviceName_(std::move(deviceName)), clock_(std::move(clock)) {}

std::string BackupService::currentDeviceID(const platform::Host& host, const UserDefaultsRef& preferences) {
  if (auto hardware = host.hardwareUUID(std::chrono::seconds(2))) {
    remember(preferences, *hardware);
    return *hardware;
  }
  // Without a timely hardware answer, the ID this Mac had before keeps its backups together.
  if (preferences)
    if (auto stored = preferences->stringValue(deviceIDKey); stored && isUUIDText(*stored)) return *stored;
  const std::string derived = uuid(currentDeviceName(host));
  remember(preferences, derived);
  return derived;
}

std::string BackupService::currentDeviceName(const platform::Host& host) {
  auto name = host.localizedName();
  // The name goes into every backup and sync document, which only hold well-formed text.
  return name && !name->empty() ? wellFormedText(*name) : "Mac";
}

std::string BackupService::fileName() const { return BackupLocator::fileName(deviceID_); }

std::vector<std::pair<SettingRef, SettingChannel>> BackupService::distinctRoots() const {
  std::vector<std::pair<SettingRef, SettingChannel>> roots;
  ExactRefSet taken;
  for (const auto& setting : catalog_.settings()) {
    if (setting.ref.path.empty()) continue;
    auto root = rootOf(setting.ref, setting.channel);
    if (taken.insert(root.first).second) roots.push_back(std::move(root));
  }
  return roots;
}

std::size_t BackupService::maxEntries() const { return distinctRoots().size() + extraEntries; }

std::string BackupService::createBackup(const std::string& folder) const {
  Snapshot snapshot;
  for (auto& entry : snapshots_.capture(distinctRoots()).entries) {
    // A value no backup can hold is saved as unreadable, so that it never costs the others.
    if (entry.rootValue && BackupEnvelope::entryRefusal(entry)) {
      entry.rootValue.reset();
      entry.isUnreadable = true;
    }
    // Night Shift is never unset: no state means it could not be read.
    if (entry.channel == SettingChannel::nightShift && !entry.rootValue) entry.isUnreadable = true;
    // A root no backup may name cannot be read on this Mac either, and one no restore may write
    // is no business of a backup.
    if (BackupEnvelope::entryRefusal(entry) || !batchMayWrite(entry.ref.domain)) continue;
    snapshot.entries.push_back(std::move(entry));
  }

  const BackupEnvelope envelope{deviceID_, deviceName_, clock_(), ProcessInfo::current().operatingSystemVersionString,
                                std::move(snapshot)};
  const std::string path = (fs::path(folder) / fileName()).string();
  const std::string bytes = envelope.encoded();
  // Every value fits, but all of them together may not: a file the reader refuses must not replace
  // a backup that reads.
  if (bytes.size() > BackupEnvelope::maxFileBytes)
    throw platform::FileWriteError(path, "a backup of " + std::to_string(bytes.size()) + " bytes is larger than the " +
                                             std::to_string(BackupEnvelope::maxFileBytes) +
                                             " bytes a backup may have, so the earlier backup is kept");
  if (const auto ec = platform::createPrivateFolders(folder))
    throw fs::filesystem_error("cannot create the backup folder", folder, ec);
  // What a backup killed before its rename left: in a cloud folder it would travel to every Mac.
  removeOwnBackupTemporaries(folder, fileName());
  platform::writeFileAtomically(path, bytes);
  return path;
}

BackupEnvelope::ReadResult BackupService::readBackups(const std::string& folder) const {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return {};

  std::map<std::string, std::string> files;
  std::vector<std::string> oversized;
  for (auto it = entries; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    const std::string name = it->path().filename().string();
    if (!BackupLocator::isBackupFileName(name)) continue;
    // Only regular files: a link to a device or a pipe is never opened.
    std::error_code statError;
    if (!fs::is_regular_file(it->path(), statError)) continue;
    const auto size = fs::file_size(it->path(), statError);
    if (statError) continue;
    if (size > BackupEnvelope::maxFileBytes) {
      oversized.push_back(name);
      continue;
    }
    std::string bytes;
    if (platform::readWholeFile(it->path().string(), bytes)) files.emplace(name, std::move(bytes));
  }

  auto result = BackupEnvelope::readAll(files, maxEntries());
  for (const auto& name : oversized) {
    const auto at = std::lower_bound(result.unreadable.begin(), result.unreadable.end(), name,
                                     [](const auto& unreadable, const std::string& n) { return unreadable.file < n; });
    result.unreadable.insert(at, {name, BackupError::unreadable("larger than " + std::to_string(BackupEnvelope::maxFileBytes) + " bytes")});
  }
  return result;
}

std::string BackupService::undoReason(const std::string& name) { return "Before restoring from " + name; }

BatchTransaction BackupService::transaction(const std::optional<SnapshotHistory>& undoPoints) const {
  // A restore records no change history, so its batches keep none either.
  return BatchTransaction(
      PreferenceApplier(SettingsService(resolver_, snapshots_.store()), resolver_, snapshots_, std::nullopt), undoPoints);
}

BatchResult<UndoReport> BackupService::undo(const StoredSnapshot& wayBack, const ExternalPreferenceReader& verifiedBy,
                                            const std::optional<SnapshotHistory>& undoPoints) const {
  return transaction(undoPoints).takeBack(wayBack, {}, verifiedBy);
}

BatchResult<RestoreReport> BackupService::restore(const BackupEnvelope& given, RestoreMode mode,
                                                  const ExternalPreferenceReader& verifiedBy,
                                                  const std::optional<SnapshotHistory>& undoPoints) const {
  refuseUnsafeEntries(given.snapshot, maxEntries());
  // A backup read from a file is already so; one made otherwise is held to the same rule.
  const BackupEnvelope backup{given.deviceID, given.deviceName, given.createdAt, given.osVersion,
                              withoutForbiddenWrites(given.snapshot)};

  // The undo point covers the backup's own roots too: a backup from a newer catalogue may hold
  // settings this one does not know, and undo must put those back as well.
  auto roots = distinctRoots();
  ExactRefSet taken;
  for (const auto& root : roots) taken.insert(root.first);
  for (const auto& entry : backup.snapshot.entries) {
    auto root = rootOf(entry.ref, entry.channel);
    if (taken.insert(root.first).second) roots.push_back(std::move(root));
  }
  // A Night Shift state that cannot be read cannot be put back; leaving it out keeps undo whole.
  std::vector<std::pair<SettingRef, SettingChannel>> nightShift;
  std::copy_if(roots.begin(), roots.end(), std::back_inserter(nightShift),
               [](const auto& root) { return root.second == SettingChannel::nightShift; });
  ExactRefSet unreadableState;
  for (const auto& entry : snapshots_.capture(nightShift).entries)
    if (!entry.rootValue) unreadableState.insert(entry.ref);
  std::erase_if(roots, [&](const auto& root) { return unreadableState.contains(root.first); });

  RestoreReport report;
  Snapshot chosen;
  for (const auto& entry : backup.snapshot.entries) {
    if (mode == RestoreMode::presentValues && !entry.rootValue)
      report.skipped.push_back(entry.ref);
    else
      chosen.entries.push_back(entry);
  }

  // On a Mac without Night Shift its entries are not written (their outcomes say they did not
  // take) rather than failing the restore. A Night Shift entry without a state is held back like
  // any unreadable entry, so that it fails the restore only after every other entry was written.
  Snapshot writing = chosen;
  const bool hasNightShift = std::any_of(writing.entries.begin(), writing.entries.end(),
                                         [](const auto& e) { return e.channel == SettingChannel::nightShift; });
  if (hasNightShift && !NightShiftClient::isAvailable())
    std::erase_if(writing.entries, [](const auto& e) { return e.channel == SettingChannel::nightShift; });
  for (auto& entry : writing.entries) {
    if (entry.channel == SettingChannel::nightShift && !entry.rootValue) {
      entry.channel = SettingChannel::defaults;
      entry.isUnreadable = true;
    }
  }

  std::exception_ptr failure;
  auto batch = transaction(undoPoints).run<RestoreReport>(roots, {}, undoReason(backup.displayName()), writing,
                                                          [&](const Snapshot& before) {
    report.undo = before;
    try {
      snapshots_.restore(writing);
    } catch (...) {
      failure = std::current_exception();
      return report;
    }
    const auto restored = readBack(chosen.entries, resolver_, verifiedBy);
    for (std::size_t i = 0; i < chosen.entries.size(); ++i) report.outcomes.push_back({chosen.entries[i].ref, restored[i]});
    return report;
  });
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& error) {
      throw RestoreFailure(failure, error.what(), std::move(batch));
    }
  }
  return batch;
}

}  // namespace amberloom
