// The cost of one read from outside the process (`ExternalVerifier::read`, one `defaults export`
// child) against one spawn of an empty process, measured in the same run. The `defaults` command
// should start almost as fast as an empty program: the target is a ratio of at most 1.5.
// Run by hand from the build folder: bin/external_read_benchmark [count].

#include <algorithm>
#include <chrono>
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
  for (int i = 0; i < 20; ++i) store.write(PreferenceValue::integer(i), "key" + std::to_string(i), domain);
  store.write(PreferenceValue::string("a somewhat longer text value"), "text", domain);
  const ExternalVerifier reader(defaults);
  if (reader.read("key7", domain) != PreferenceValue::integer(7)) {
    std::fprintf(stderr, "the read-back does not work: %s\n", defaults.c_str());
    return 1;
  }

  // Interleaved, so that a change in the machine's load touches both sides alike.
  double spawnMicros = 0, readMicros = 0;
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    auto start = Clock::now();
    if (!platform::runProcess("/bin/true", {})) ++failures;
    spawnMicros += elapsedMicroseconds(start);
    start = Clock::now();
    if (!reader.read("key" + std::to_string(i % 20), domain)) ++failures;
    readMicros += elapsedMicroseconds(start);
  }

  std::printf("%d empty spawns (/bin/true): %.0f us each\n", count, spawnMicros / count);
  std::printf("%d ExternalVerifier::read:   %.0f us each\n", count, readMicros / count);
  std::printf("ratio: %.2f (target <= 1.50)\n", readMicros / spawnMicros);
  std::filesystem::remove_all(home);
  return failures == 0 ? 0 : 1;
}
