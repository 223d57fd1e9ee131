// A backup file found in the backup folder, read by the folder reader as any Mac's backup is. The
// folder gives what the file alone gives, and a backup that reads writes back to bytes that read
// as the same backup. A changed byte rarely keeps the checksum right, so a file refused for its
// checksum is read again with a checksum that fits its snapshot: the checks after it get tried too.
// No backup that reads may write this application's own preferences or the global domain by its
// alias.

#include "Backup/BackupService.hpp"
#include "Changes/BatchTransaction.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

namespace {

// What the checksum sums: the snapshot, as it reads.
Json summedSnapshot(const Json& json) { return Snapshot::fromJson(member(json, "snapshot", {}), {"snapshot"}).toJson(); }

// Reads `bytes` through the folder; a backup that reads must write back to the same backup.
BackupEnvelope::ReadResult readAndRewrite(const BackupService& service, const std::string& bytes) {
  const std::string name = "5F1D0F4E-0000-4000-8000-000000000000.amberloom.json";
  fuzz::writeScratchFile("Backups/" + name, bytes);
  const auto read = service.readBackups(fuzz::scratchFolder() + "/Backups");
  fuzz::require(read == BackupEnvelope::readAll({{name, bytes}}), "the folder reads each file as the file alone reads");
  fuzz::require(read.backups.size() + read.unreadable.size() == 1, "one file is one backup or one refusal");
  if (read.backups.empty()) return read;

  const BackupEnvelope& backup = read.backups.front();
  for (const auto& entry : backup.snapshot.entries)
    fuzz::require(batchMayWrite(entry.ref.domain) || (entry.isUnreadable && !entry.rootValue),
                  "a domain no restore may write holds no value");
  std::string written;
  try {
    written = backup.encoded();
  } catch (const JsonWriteError&) {
    fuzz::require(false, "a backup that reads has a JSON form");
  }
  try {
    // Compared in the written form: a date is written to the millisecond, whatever it was read with.
    fuzz::require(BackupEnvelope::fromData(written).encoded() == written, "a backup reads back as written");
  } catch (const BackupError&) {
    fuzz::require(false, "what a backup writes reads back");
  }
  return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const BackupService service(SettingsCatalog(1, 1, {}), DomainResolver::live(),
                                     std::make_shared<CFPreferenceStore>(), "FUZZ", "Fuzz");
  const std::string bytes(fuzz::text(data, size));
  const auto read = readAndRewrite(service, bytes);
  if (read.unreadable.empty() || read.unreadable.front().reason.errorCase() != BackupError::Case::checksumMismatch)
    return 0;
  if (const auto repaired = fuzz::withFittingChecksum(bytes, summedSnapshot)) {
    const auto again = readAndRewrite(service, *repaired);
    fuzz::require(again.unreadable.empty() ||
                      again.unreadable.front().reason.errorCase() != BackupError::Case::checksumMismatch,
                  "the checksum is the same whoever sums the same snapshot");
  }
  return 0;
}
