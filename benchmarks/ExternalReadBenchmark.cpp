// The cost of one read from outside the process (`ExternalVerifier::read`: one `defaults export`
// child over a domain of 300 keys, as large as a real app's, and the parse of what it prints)
// against the floor of any read by a child process: the spawn of an empty program (/bin/true),
// waited for the same way. Interleaved round by round in the same run; the target is a ratio of at
// most 1.5, the median of the rounds' ratios. A bare start of `defaults` (its usage line) is
// printed beside them, to tell the command's loading from its work.
// Run by hand from the build folder of a Release build: bin/external_read_benchmark [count].

#include <algorithm>
#include <chrono>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchmarkHome.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Platform/ProcessRunner.hpp"

using namespace amberloom;
using Clock = std::chrono::steady_clock;

namespace {

double elapsedMicroseconds(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;

  const std::string defaults =
      (std::filesystem::path(platform::currentExecutablePath()).parent_path() / "defaults").string();
  const ResolvedDomain domain{"com.example.bench", HostScope::anyHost};
  CFPreferenceStore store;
  // 300 keys of the kinds apps keep: numbers, flags, texts and small lists.
  constexpr int kKeys = 300;
  for (int i = 0; i < kKeys; ++i) {
    const std::string key = "key" + std::to_string(i);
    switch (i % 4) {
      case 0: store.write(PreferenceValue::integer(i), key, domain); break;
      case 1: store.write(PreferenceValue::boolean(i % 3 == 0), key, domain); break;
      case 2: store.write(PreferenceValue::string("a somewhat longer text value " + key), key, domain); break;
      default:
        store.write(PreferenceValue::array({PreferenceValue::string(key), PreferenceValue::real(i / 7.0)}), key, domain);
    }
  }
  const ExternalVerifier reader(defaults);
  if (reader.read("key8", domain) != PreferenceValue::integer(8)) {
    std::fprintf(stderr, "the read-back does not work: %s\n", defaults.c_str());
    return 1;
  }

  // Interleaved, so that a change in the machine's load touches both sides alike; the empty
  // program once first, unmeasured, as the read was above, so that neither side pays for loading
  // files into the page cache.
  platform::runProcess("/bin/true", {});
  std::vector<double> ratios;
  double emptyMicros = 0, spawnMicros = 0, readMicros = 0;
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    auto start = Clock::now();
    if (!platform::runProcess("/bin/true", {})) ++failures;
    const double empty = elapsedMicroseconds(start);
    start = Clock::now();
    if (!reader.read("key" + std::to_string((i * 4) % kKeys), domain)) ++failures;
    const double read = elapsedMicroseconds(start);
    start = Clock::now();
    if (!platform::runProcess(defaults, {})) ++failures;  // prints its usage and ends
    spawnMicros += elapsedMicroseconds(start);
    emptyMicros += empty;
    readMicros += read;
    ratios.push_back(read / empty);
  }
  std::sort(ratios.begin(), ratios.end());

  std::printf("%d empty programs (/bin/true):        %.0f us each\n", count, emptyMicros / count);
  std::printf("%d reads of a %d-key domain (export): %.0f us each\n", count, kKeys, readMicros / count);
  std::printf("%d bare starts of `defaults`:         %.0f us each\n", count, spawnMicros / count);
  std::printf("ratio read / empty program, median of the rounds: %.2f (target <= 1.50)\n", ratios[ratios.size() / 2]);
  std::printf("ratio read / empty program, of the totals: %.2f\n", readMicros / emptyMicros);
  std::printf("ratio bare start of `defaults` / empty program: %.2f\n", spawnMicros / emptyMicros);
  std::filesystem::remove_all(home);
  return failures == 0 ? 0 : 1;
}
