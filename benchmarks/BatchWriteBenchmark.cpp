// A 100-setting batch with read-back from outside, against 100 spawns of an empty process in the
// same run. Every item costs one `defaults export` child, so the batch should stay within about
// twice the bare spawn cost. Run by hand from the build folder: bin/batch_write_benchmark.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchmarkHome.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Changes/WriteReport.hpp"

using namespace amberloom;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;

  const std::string defaults = (std::filesystem::path(platform::currentExecutablePath()).parent_path() / "defaults").string();
  constexpr int kItems = 100;
  std::vector<BatchItem> items;
  for (int i = 0; i < kItems; ++i) {
    SettingDefinition setting;
    setting.id = "bench." + std::to_string(i);
    setting.ref = SettingRef{"com.example.bench" + std::to_string(i % 10), {"key" + std::to_string(i)}, false};
    setting.type = SettingValueType::integer;
    items.push_back({setting, PreferenceValue::integer(i)});
  }
  auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  PreferenceApplier applier(SettingsService(resolver, store), resolver, SnapshotService(store, resolver), std::nullopt);
  ExternalVerifier reader(defaults);

  const auto spawnStart = Clock::now();
  for (int i = 0; i < kItems; ++i) platform::runProcess("/bin/true", {});
  const double spawnMs = std::chrono::duration<double, std::milli>(Clock::now() - spawnStart).count();

  const auto batchStart = Clock::now();
  const auto report = applier.apply(items, reader);
  const double batchMs = std::chrono::duration<double, std::milli>(Clock::now() - batchStart).count();

  std::printf("%d empty spawns: %.1f ms\n", kItems, spawnMs);
  std::printf("batch of %d with read-back: %.1f ms (%zu applied)\n", kItems, batchMs, report.appliedCount());
  std::printf("ratio: %.2f (target <= 2.00)\n", batchMs / spawnMs);
  std::filesystem::remove_all(home);
  return report.appliedCount() == kItems ? 0 : 1;
}
