// Times building and encoding this Mac's sync document from the built-in catalogue, on a home
// whose global domain holds 7,500 keys and where every catalogued setting has a value. Prints the
// median in milliseconds against its target (50 ms), and as a ratio to one uncached parse of the
// global domain's file in the same run.
// Run by hand from the build folder: bin/sync_document_benchmark [runs].

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchmarkHome.hpp"
#include "MedianTime.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Sync/SyncService.hpp"

using namespace amberloom;
using bench::medianMilliseconds;

namespace {

PreferenceValue sampleValue(SettingValueType type, int i) {
  switch (type) {
    case SettingValueType::boolean: return PreferenceValue::boolean(i % 2);
    case SettingValueType::integer: return PreferenceValue::integer(i);
    case SettingValueType::real: return PreferenceValue::real(i + 0.25);
    case SettingValueType::string: return PreferenceValue::string("value/" + std::to_string(i));
    case SettingValueType::dictionary: return PreferenceValue::dictionary({{"k", PreferenceValue::integer(i)}});
    case SettingValueType::array: return PreferenceValue::array({PreferenceValue::string("a"), PreferenceValue::integer(i)});
  }
  return PreferenceValue::boolean(true);
}

// 7,500 top-level keys of every kind a global domain holds, written as one file.
void fillGlobalDomain(const std::string& home) {
  platform::PlistDictionary keys;
  for (int i = 0; i < 7500; ++i) {
    const std::string key = "com.example.filler" + std::to_string(i);
    keys.emplace(key, sampleValue(static_cast<SettingValueType>(i % 6), i).propertyList());
  }
  platform::writeFileAtomically(home + "/Library/Preferences/.GlobalPreferences.plist",
                                platform::binaryPropertyList(platform::PlistObject(std::move(keys))));
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;
  ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);

  fillGlobalDomain(home);
  const auto resolver = DomainResolver::live();
  const auto store = std::make_shared<CFPreferenceStore>();
  const SettingsService settings(resolver, store);
  const auto catalog = SettingsCatalog::bundled();
  int i = 0;
  for (const auto& setting : catalog.settings()) {
    if (setting.channel != SettingChannel::defaults) continue;
    try {
      settings.apply(sampleValue(setting.type, ++i), setting);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s: %s\n", setting.id.c_str(), error.what());
    }
  }
  const SyncService sync(catalog, settings, resolver, store, "00000000-0000-0000-0000-000000000000", "Bench Mac",
                         std::nullopt);

  std::size_t bytes = 0, count = 0;
  const double document = medianMilliseconds(runs, [&] {
    const auto current = sync.currentDocument();
    count = current.intents.size();
    bytes = current.encoded().size();
  });
  // A fresh store has parsed no preference file yet: the first document of a run.
  const double cold = medianMilliseconds(runs, [&] {
    const auto freshStore = std::make_shared<CFPreferenceStore>();
    const SyncService fresh(catalog, SettingsService(resolver, freshStore), resolver, freshStore, "0", "Bench Mac",
                            std::nullopt);
    bytes = fresh.currentDocument().encoded().size();
  });
  // A fresh PreferenceFiles has nothing parsed yet.
  const double globalRead = medianMilliseconds(
      runs, [&] { (void)platform::PreferenceFiles::live().readDomain(platform::kAnyApplicationID, false); });

  std::printf("document: %zu settings, %zu bytes\n", count, bytes);
  std::printf("build + encode: %.2f ms (target < 50 ms); with nothing parsed yet: %.2f ms\n", document, cold);
  std::printf("one uncached global-domain parse: %.2f ms; ratio %.2f\n", globalRead, document / globalRead);
  std::filesystem::remove_all(home);
  return document < 50 && cold < 50 ? 0 : 1;
}
