// Backing up and scanning the built-in catalogue on a home whose global domain holds 7,500 keys,
// the catalogued ones among them. Prints the median of several runs in milliseconds against the
// 50 ms target, and as a ratio to one read of the global domain's file in the same run (every
// read of a global key reads that file again). Run by hand: bin/backup_scan_benchmark.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchmarkHome.hpp"
#include "Backup/BackupService.hpp"
#include "Backup/PersonalisationScanner.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "MedianTime.hpp"
#include "RealisticHome.hpp"

using namespace amberloom;
using bench::medianMilliseconds;

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;

  const auto catalog = SettingsCatalog::bundled();
  bench::writeGlobalDomain(home, catalog);
  const auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  const BackupService backups(catalog, resolver, store, "BENCH", "Bench");
  const PersonalisationScanner scanner(catalog, SettingsService(resolver, store), [] { return FoundBackups{}; });
  const auto files = platform::PreferenceFiles::live();
  constexpr int kRuns = 9;

  const double readMs = medianMilliseconds(kRuns, [&] { files.readDomain(platform::kAnyApplicationID, false); });
  std::string path;
  const double backupMs = medianMilliseconds(kRuns, [&] { path = backups.createBackup(home + "/Backups"); });
  std::string bytes;
  platform::readWholeFile(path, bytes);
  const std::size_t entries = BackupEnvelope::fromData(bytes).snapshot.entries.size();
  std::size_t customised = 0;
  const double scanMs = medianMilliseconds(kRuns, [&] { customised = scanner.scan(Version({14, 5}), Version({1, 0})).customisedCount(); });

  std::printf("one read of the 7,500-key global domain: %.2f ms\n", readMs);
  std::printf("back up %zu roots: %.1f ms (target < 50), as long as %.0f global-domain reads\n", entries, backupMs,
              backupMs / readMs);
  std::printf("scan (%zu customised): %.1f ms (target < 50), as long as %.0f global-domain reads\n", customised, scanMs,
              scanMs / readMs);
  std::filesystem::remove_all(home);
  return 0;
}
