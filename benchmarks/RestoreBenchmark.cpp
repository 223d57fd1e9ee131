// Restoring a backup of every built-in setting on a well-used home (a value under every catalogued
// root, about 50 preference files, a global domain of 7,500 keys), against its floor in the same
// run: for each file the restore touches, one parse, one durable replace and one read from outside
// (Night Shift's second run for its state). Then a backup of 2,000 entries in one domain. Prints
// medians of several runs: the ratio to the floor (target <= 3.00) and the 2,000 entries in ms
// (target < 1000). Run by hand from the build folder: bin/restore_benchmark.

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "Backup/BackupService.hpp"
#include "BenchmarkHome.hpp"
#include "MedianTime.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "RealisticHome.hpp"

using namespace amberloom;
using bench::medianMilliseconds;

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;
  constexpr int kRuns = 7;

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

  // The files a restore of the present values writes, each once.
  std::map<std::pair<std::string, HostScope>, ResolvedDomain> touched;
  bool touchesNightShift = false;
  for (const auto& entry : backup.snapshot.entries) {
    if (!entry.rootValue) continue;
    if (entry.channel == SettingChannel::nightShift) {
      touchesNightShift = true;
      continue;
    }
    const auto domain = resolver.resolve(entry.ref.domain, entry.ref.byHost);
    touched.emplace(std::pair(domain.applicationID, domain.hostScope), domain);
  }
  const auto files = platform::PreferenceFiles::live();
  const auto replaceOnce = [&](const ResolvedDomain& domain) {
    const bool currentHost = domain.hostScope == HostScope::currentHost;
    const auto dictionary = files.readDomain(domain.applicationID, currentHost);
    platform::writeFileAtomically(*files.filePath(domain.applicationID, currentHost),
                                  platform::binaryPropertyList(platform::PlistObject(dictionary.value_or(platform::PlistDictionary{}))));
  };
  const double floorMs = medianMilliseconds(kRuns, [&] {
    for (const auto& [key, domain] : touched) {
      replaceOnce(domain);
      outside.readKeys({}, domain);
    }
    if (touchesNightShift) {
      replaceOnce({"com.apple.CoreBrightness", HostScope::anyHost});
      NightShiftVerifier::forCurrentExecutable().enabledFromSeparateProcess();
    }
  });

  RestoreReport report;
  const double restoreMs = medianMilliseconds(kRuns, [&] { report = backups.restore(backup, RestoreMode::presentValues, outside).report; });

  BackupEnvelope many{"MANY", std::nullopt, std::nullopt, std::nullopt, {}};
  for (int i = 0; i < 2000; ++i)
    many.snapshot.entries.push_back(
        {{"com.example.many", {"key" + std::to_string(i)}, false}, PreferenceValue::integer(i), SettingChannel::defaults, false});
  RestoreReport manyReport;
  const double manyMs = medianMilliseconds(kRuns, [&] { manyReport = backups.restore(many, RestoreMode::presentValues, outside).report; });

  std::printf("home: %zu settings set, %zu backup entries over %zu files%s\n", set, backup.snapshot.entries.size(),
              touched.size(), touchesNightShift ? " and Night Shift" : "");
  std::printf("floor (a parse, a durable replace and a read from outside per file): %.1f ms\n", floorMs);
  std::printf("restore: %.1f ms (%zu of %zu restored), ratio %.2f (target <= 3.00)\n", restoreMs, report.restoredCount(),
              report.total(), restoreMs / floorMs);
  std::printf("2,000 entries in one domain: %.1f ms (%zu restored, target < 1000)\n", manyMs, manyReport.restoredCount());
  std::filesystem::remove_all(home);
  return restoreMs <= 3 * floorMs && manyMs < 1000 ? 0 : 1;
}
