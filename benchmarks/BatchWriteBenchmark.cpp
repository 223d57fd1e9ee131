// A batch of 100 settings over 10 domains with read-back from outside, against its floor in the
// same run: one durable replace of each domain's file and one `defaults export` of each domain.
// Prints the medians of several runs and their ratio (target <= 2.00). Run by hand from the build
// folder: bin/batch_write_benchmark.

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchmarkHome.hpp"
#include "Changes/WriteReport.hpp"
#include "MedianTime.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"

using namespace amberloom;
using bench::medianMilliseconds;

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;

  const std::string defaults = (std::filesystem::path(platform::currentExecutablePath()).parent_path() / "defaults").string();
  constexpr int kItems = 100, kDomains = 10, kRuns = 9;
  const auto domainName = [](int d) { return "com.example.bench" + std::to_string(d); };
  std::vector<SettingDefinition> settings;
  for (int i = 0; i < kItems; ++i) {
    SettingDefinition setting;
    setting.id = "bench." + std::to_string(i);
    setting.ref = SettingRef{domainName(i % kDomains), {"key" + std::to_string(i)}, false};
    setting.type = SettingValueType::integer;
    settings.push_back(setting);
  }
  auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  PreferenceApplier applier(SettingsService(resolver, store), resolver, SnapshotService(store, resolver), std::nullopt);
  ExternalVerifier reader(defaults);
  const auto files = platform::PreferenceFiles::live();

  // Each run writes values the files do not hold yet.
  int run = 0;
  std::size_t applied = 0;
  const double batchMs = medianMilliseconds(kRuns, [&] {
    std::vector<BatchItem> items;
    for (int i = 0; i < kItems; ++i) items.push_back({settings[i], PreferenceValue::integer(i + 1000 * ++run)});
    applied = applier.apply(items, reader).appliedCount();
  });
  const double floorMs = medianMilliseconds(kRuns, [&] {
    for (int d = 0; d < kDomains; ++d) {
      const auto dictionary = files.readDomain(domainName(d), false);
      platform::writeFileAtomically(*files.filePath(domainName(d), false),
                                    platform::binaryPropertyList(platform::PlistObject(*dictionary)));
      platform::runProcess(defaults, {"export", domainName(d), "-"});
    }
  });

  std::printf("floor: %d durable replaces and %d exports: %.1f ms (median of %d)\n", kDomains, kDomains, floorMs, kRuns);
  std::printf("batch of %d over %d domains with read-back: %.1f ms (%zu applied)\n", kItems, kDomains, batchMs, applied);
  std::printf("ratio: %.2f (target <= 2.00)\n", batchMs / floorMs);
  std::filesystem::remove_all(home);
  return applied == kItems && batchMs <= 2 * floorMs ? 0 : 1;
}
