// Restoring a backup of every built-in setting on a well-used home (a value under every catalogued
// root, about 50 preference files, a global domain of 7,500 keys), against its floor in the same
// run, in the restore's own order: each file the restore touches parsed and durably replaced, then
// each read once from outside, then Night Shift's second run for its state. The rounds of floor
// and restore alternate. Then a backup of 2,000 entries in one domain. Prints medians of several
// runs: the ratio to the floor within each round (target <= 3.00) and the 2,000 entries in ms
// (target < 1000). Run by hand from the build folder: bin/restore_benchmark [rounds].

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Backup/BackupService.hpp"
#include "BenchmarkHome.hpp"
#include "MedianTime.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "RealisticHome.hpp"
#include "RestoreFloor.hpp"

using namespace amberloom;
using bench::medianMilliseconds;

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;
  constexpr int kRuns = 7;
  const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 9;

  const auto catalog = SettingsCatalog::bundled();
  bench::writeGlobalDomain(home, catalog);
  const auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  const std::size_t set = bench::setEverySetting(catalog, SettingsService(resolver, store));
  const BackupService backups(catalog, resolver, store, "BENCH", "Bench");
  std::string bytes;
  platform::readWholeFile(backups.createBackup(home + "/Backups"), bytes);
  const auto backup = BackupEnvelope::fromData(bytes, backups.maxEntries());
  const ExternalVerifier outside(
      (std::filesystem::path(platform::currentExecutablePath()).parent_path() / "defaults").string());

  const bench::RestoreFloor floorOf(backup, resolver, outside);
  const auto floor = [&] { floorOf.run(); };
  RestoreReport report;
  const auto restore = [&] { report = backups.restore(backup, RestoreMode::presentValues, outside).report; };
  // One of each first, so that neither meets a cold cache of the other's files.
  floor();
  restore();
  std::vector<double> floors, restores, ratios;
  for (int round = 0; round < rounds; ++round) {
    floors.push_back(medianMilliseconds(1, floor));
    restores.push_back(medianMilliseconds(1, restore));
    ratios.push_back(restores.back() / floors.back());
  }
  const auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  const double floorMs = median(floors), restoreMs = median(restores), ratio = median(ratios);

  BackupEnvelope many{"MANY", std::nullopt, std::nullopt, std::nullopt, {}};
  for (int i = 0; i < 2000; ++i)
    many.snapshot.entries.push_back(
        {{"com.example.many", {"key" + std::to_string(i)}, false}, PreferenceValue::integer(i), SettingChannel::defaults, false});
  RestoreReport manyReport;
  const double manyMs = medianMilliseconds(kRuns, [&] { manyReport = backups.restore(many, RestoreMode::presentValues, outside).report; });

  std::printf("home: %zu settings set, %zu backup entries over %zu files%s\n", set, backup.snapshot.entries.size(),
              floorOf.files(), floorOf.touchesNightShift() ? " and Night Shift" : "");
  std::printf("floor (every file parsed and durably replaced, then each read from outside): median %.1f ms\n", floorMs);
  std::printf("restore: median %.1f ms (%zu of %zu restored)\n", restoreMs, report.restoredCount(), report.total());
  std::printf("restore / floor within each round: median %.2f of %d rounds (target <= 3.00)\n", ratio, rounds);
  std::printf("2,000 entries in one domain: %.1f ms (%zu restored, target < 1000)\n", manyMs, manyReport.restoredCount());
  std::filesystem::remove_all(home);
  return ratio <= 3 && manyMs < 1000 ? 0 : 1;
}
