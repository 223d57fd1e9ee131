// A batch as a user's runs it (its undo point stored ahead and settled, one replace of each
// domain's file, the read-back from outside, the change history written), against its floor in
// the same run: one durable replace of each domain's file and one `defaults export` of each
// domain. Batches and floors alternate round by round (which of the two goes first alternates
// too), after warm-up rounds that are not counted, so that a busy moment of the machine falls on
// both alike. Three batches: 100 settings over 10 domains with an empty history, 1,000 settings
// over 10 domains with a history of 10,000 entries, and the same with 100,000 entries (cost flat
// in the history: no target of its own). Prints, per batch, the medians and the median of the
// rounds' ratios, and the batch's own CPU time in this process (its children not counted)
// against the floor's wall time.
// Run by hand from a Release build folder, at a quiet moment: bin/batch_write_benchmark.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "BenchmarkHome.hpp"
#include "Changes/BatchTransaction.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/NightShiftVerifier.hpp"

using namespace amberloom;

namespace {

constexpr int kDomains = 10;
constexpr int kWarmUpRounds = 2;

struct Target {
  double wall;  // the batch's wall time against the floor's, at most
  double cpu;   // the batch's CPU time in this process against the floor's wall time, at most; 0: none
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// This process's CPU time so far (its children's not counted), in milliseconds: in user mode and
// in the kernel on its behalf (flushing files, starting children).
struct Cpu {
  double user = 0, system = 0;
  static Cpu now() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return {ms(usage.ru_utime), ms(usage.ru_stime)};
  }
  double total() const { return user + system; }
  Cpu operator-(const Cpu& other) const { return {user - other.user, system - other.system}; }
};

struct Timed {
  double wall;
  Cpu cpu;
};

// Wall and CPU milliseconds of one run of `work`.
Timed timed(const std::function<void()>& work) {
  const Cpu cpu = Cpu::now();
  const auto start = std::chrono::steady_clock::now();
  work();
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return {wall, Cpu::now() - cpu};
}

// `items` settings spread over 10 domains of their own, with a history of `entries` other
// records; false when a target is missed or a batch did not apply every setting.
bool measure(const std::string& home, const std::string& defaults, int items, int entries, int rounds,
             std::optional<Target> target) {
  const std::string tag = std::to_string(items) + "-" + std::to_string(entries);
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

  // Each run writes values the files do not hold yet; the caller's list of them is made before.
  int run = 0;
  bool appliedAll = true;
  std::vector<BatchItem> writes;
  const auto prepare = [&] {
    ++run;
    writes.clear();
    for (int i = 0; i < items; ++i) writes.push_back({settings[i], PreferenceValue::integer(i + 100000 * run)});
  };
  const auto batch = [&] {
    appliedAll = transaction.write(writes, "Before a benchmark", reader).report.appliedCount() ==
                     static_cast<std::size_t>(items) && appliedAll;
  };
  const auto floor = [&] {
    for (int d = 0; d < kDomains; ++d) {
      const auto dictionary = files.readDomain(domainName(d), false);
      platform::writeFileAtomically(*files.filePath(domainName(d), false),
                                    platform::binaryPropertyList(platform::PlistObject(*dictionary)));
      platform::runProcess(defaults, {"export", domainName(d), "-"});
    }
  };

  for (int i = 0; i < kWarmUpRounds; ++i) {
    prepare();
    batch();
    floor();
  }
  appliedAll = true;
  std::vector<double> batchMs, floorMs, ratios, cpuRatios, userRatios, floorCpuRatios;
  for (int i = 0; i < rounds; ++i) {
    prepare();
    Timed b{}, f{};
    if (i % 2 == 0) {
      b = timed(batch);
      f = timed(floor);
    } else {
      f = timed(floor);
      b = timed(batch);
    }
    batchMs.push_back(b.wall);
    floorMs.push_back(f.wall);
    ratios.push_back(b.wall / f.wall);
    cpuRatios.push_back(b.cpu.total() / f.wall);
    userRatios.push_back(b.cpu.user / f.wall);
    floorCpuRatios.push_back(f.cpu.total() / f.wall);
  }
  const double ratio = median(ratios), cpuRatio = median(cpuRatios);
  std::printf("%d settings over %d domains, a history of %d entries, %d rounds: batch %.1f ms (%s), floor %.1f ms, "
              "ratio %.2f",
              items, kDomains, entries, rounds, median(batchMs), appliedAll ? "every setting applied" : "NOT ALL APPLIED",
              median(floorMs), ratio);
  if (target) std::printf(" (target <= %.2f)", target->wall);
  std::printf("\n  batch CPU in this process %.2f of the floor", cpuRatio);
  if (target && target->cpu > 0) std::printf(" (target <= %.2f)", target->cpu);
  // The floor's own flushes and starts of `defaults` cost this process kernel time as well.
  std::printf(", of which in user mode %.2f; the floor's own CPU in this process %.2f of the floor\n",
              median(userRatios), median(floorCpuRatios));
  if (!target) return appliedAll;
  return appliedAll && ratio <= target->wall && (target->cpu <= 0 || cpuRatio <= target->cpu);
}

}  // namespace

int main(int argc, char** argv) {
  NightShiftVerifier::handleReadArgumentIfPresent(argc, argv);
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;
  const std::string defaults = (std::filesystem::path(platform::currentExecutablePath()).parent_path() / "defaults").string();

  const bool small = measure(home, defaults, 100, 0, 15, Target{1.3, 0});
  const bool large = measure(home, defaults, 1000, 10000, 11, Target{1.5, 0.5});
  const bool longHistory = measure(home, defaults, 1000, 100000, 7, std::nullopt);
  std::filesystem::remove_all(home);
  return small && large && longHistory ? 0 : 1;
}
