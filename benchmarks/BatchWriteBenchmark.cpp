// A batch as a user's runs it (its undo point stored ahead, one replace of each domain's file, the
// read-back from outside, the change history written), against its floor in the same run: one
// durable replace of each domain's file and one `defaults export` of each domain. Two batches: 100
// settings over 10 domains with an empty history, and 1,000 settings over 10 domains with a
// history of 10,000 entries. Prints the medians of several runs and their ratios (target <= 2.00).
// Run by hand from the build folder: bin/batch_write_benchmark.

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchmarkHome.hpp"
#include "Changes/BatchTransaction.hpp"
#include "MedianTime.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"

using namespace amberloom;
using bench::medianMilliseconds;

namespace {

struct Measured {
  double batchMs = 0, floorMs = 0;
  std::size_t applied = 0;
};

// `items` settings spread over 10 domains of their own, with a history of `entries` other records.
Measured measure(const std::string& home, const std::string& defaults, int items, int entries, int runs) {
  constexpr int kDomains = 10;
  const std::string tag = std::to_string(items);
  const auto domainName = [&](int d) { return "com.example.bench" + tag + "." + std::to_string(d); };
  std::vector<SettingDefinition> settings;
  for (int i = 0; i < items; ++i) {
    SettingDefinition setting;
    setting.id = "bench." + tag + "." + std::to_string(i);
    setting.ref = SettingRef{domainName(i % kDomains), {"key" + std::to_string(i)}, false};
    setting.type = SettingValueType::integer;
    settings.push_back(setting);
  }
  const std::string support = home + "/Library/Application Support/AmberLoom/" + tag;
  const IntentLog history(support + "/intents.json", "23F79");
  std::vector<std::pair<std::string, std::optional<PreferenceValue>>> earlier;
  for (int i = 0; i < entries; ++i) earlier.emplace_back("earlier." + std::to_string(i), PreferenceValue::integer(i));
  history.record(earlier);

  auto store = std::make_shared<CFPreferenceStore>();
  const auto resolver = DomainResolver::live();
  const BatchTransaction transaction(
      PreferenceApplier(SettingsService(resolver, store), resolver, SnapshotService(store, resolver), history),
      SnapshotHistory(support + "/History"));
  ExternalVerifier reader(defaults);
  const auto files = platform::PreferenceFiles::live();

  // Each run writes values the files do not hold yet.
  Measured result;
  int run = 0;
  result.batchMs = medianMilliseconds(runs, [&] {
    std::vector<BatchItem> batch;
    for (int i = 0; i < items; ++i) batch.push_back({settings[i], PreferenceValue::integer(i + 100000 * ++run)});
    result.applied = transaction.write(batch, "Before a benchmark", reader).report.appliedCount();
  });
  result.floorMs = medianMilliseconds(runs, [&] {
    for (int d = 0; d < kDomains; ++d) {
      const auto dictionary = files.readDomain(domainName(d), false);
      platform::writeFileAtomically(*files.filePath(domainName(d), false),
                                    platform::binaryPropertyList(platform::PlistObject(*dictionary)));
      platform::runProcess(defaults, {"export", domainName(d), "-"});
    }
  });
  std::printf("%d settings over %d domains, a history of %d entries: batch %.1f ms (%zu applied), floor %.1f ms, "
              "ratio %.2f (target <= 2.00)\n",
              items, kDomains, entries, result.batchMs, result.applied, result.floorMs, result.batchMs / result.floorMs);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;
  const std::string defaults = (std::filesystem::path(platform::currentExecutablePath()).parent_path() / "defaults").string();

  const auto small = measure(home, defaults, 100, 0, 9);
  const auto large = measure(home, defaults, 1000, 10000, 7);
  std::filesystem::remove_all(home);
  const auto within = [](const Measured& m, std::size_t items) {
    return m.applied == items && m.batchMs <= 2 * m.floorMs;
  };
  return within(small, 100) && within(large, 1000) ? 0 : 1;
}
