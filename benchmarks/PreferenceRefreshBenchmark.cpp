// Reading the current value of every built-in setting (what the settings window does each time
// the application comes to the front) on a realistic home: a global domain of 7,500 keys and 50 app
// domains of 300 keys each. Printed against parsing each of those files once, in the same run:
// the first refresh should cost at most 2x that parse, a refresh with nothing changed at most 0.25x.
// Run by hand from the build folder: bin/preference_refresh_benchmark [runs].

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "BenchmarkHome.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "MedianTime.hpp"
#include "Changes/SettingsService.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Preferences/CFPreferenceStore.hpp"

using namespace amberloom;
using platform::PlistArray;
using platform::PlistDictionary;
using platform::PlistObject;
using bench::medianMilliseconds;

namespace {

constexpr int kGlobalKeys = 7500;
constexpr int kAppDomains = 50;
constexpr int kAppKeys = 300;

// A value of the kind a setting of `type` holds.
PlistObject sampleValue(SettingValueType type) {
  switch (type) {
    case SettingValueType::boolean: return PlistObject(true);
    case SettingValueType::integer: return PlistObject(2);
    case SettingValueType::real: return PlistObject(1.5);
    case SettingValueType::string: return PlistObject("a value");
    case SettingValueType::dictionary: return PlistObject(PlistDictionary{{"inner", PlistObject(1)}});
    case SettingValueType::array: return PlistObject(PlistArray{PlistObject(1), PlistObject(2)});
  }
  return PlistObject(0);
}

// What other programs leave in a preference file: texts, numbers, flags, dates, data, small
// arrays and dictionaries, in that mix.
PlistObject fillerValue(int i) {
  switch (i % 8) {
    case 0: return PlistObject("window frame " + std::to_string(i) + " 120 340 800 600");
    case 1: return PlistObject(std::int64_t{i} * 37);
    case 2: return PlistObject(i * 0.25);
    case 3: return PlistObject(i % 3 == 0);
    case 4: return PlistObject(platform::PlistDate{700000000.0 + i});
    case 5: return PlistObject(platform::PlistData(24, static_cast<std::uint8_t>(i)));
    case 6: return PlistObject(PlistArray{PlistObject("recent " + std::to_string(i)), PlistObject(i), PlistObject(true)});
    default: return PlistObject(PlistDictionary{{"name", PlistObject("item " + std::to_string(i))}, {"count", PlistObject(i)}});
  }
}

// Stores `value` at `path` inside `dictionary`, making the dictionaries on the way.
void place(PlistDictionary& dictionary, const std::vector<std::string>& path, std::size_t at, const PlistObject& value) {
  if (at + 1 == path.size()) {
    dictionary[path[at]] = value;
    return;
  }
  auto& child = dictionary[path[at]];
  if (!child.is<PlistDictionary>()) child = PlistObject(PlistDictionary{});
  place(std::get<PlistDictionary>(child.value), path, at + 1, value);
}

// Writes the home's files; returns their paths.
std::vector<std::string> writeRealisticHome(const SettingsCatalog& catalog) {
  const DomainResolver resolver = DomainResolver::live();
  const platform::PreferenceFiles files = platform::PreferenceFiles::live();
  // The global domain first, then the app domains in the order the catalogue names them.
  std::vector<std::pair<std::string, bool>> domains{{"NSGlobalDomain", false}};
  for (const auto& setting : catalog.settings()) {
    const std::pair<std::string, bool> domain{setting.ref.domain, setting.ref.byHost};
    if (setting.channel == SettingChannel::defaults && domains.size() < 1 + kAppDomains &&
        std::find(domains.begin(), domains.end(), domain) == domains.end())
      domains.push_back(domain);
  }
  std::vector<std::string> paths;
  for (const auto& [name, byHost] : domains) {
    PlistDictionary contents;
    for (const auto& setting : catalog.settings())
      if (setting.ref.domain == name && setting.ref.byHost == byHost && !setting.ref.path.empty())
        place(contents, setting.ref.path, 0, sampleValue(setting.type));
    const int keys = name == "NSGlobalDomain" && !byHost ? kGlobalKeys : kAppKeys;
    for (int i = 0; static_cast<int>(contents.size()) < keys; ++i) contents["Filler" + std::to_string(i)] = fillerValue(i);
    const auto resolved = resolver.resolve(name, byHost);
    const auto path = files.filePath(resolved.applicationID, byHost);
    if (!path) continue;
    platform::writeFileAtomically(*path, platform::binaryPropertyList(PlistObject(std::move(contents))));
    paths.push_back(*path);
  }
  return paths;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;
  const std::string& home = *temporaryHome;

  const SettingsCatalog catalog = SettingsCatalog::bundled();
  const auto paths = writeRealisticHome(catalog);
  std::vector<std::string> contents(paths.size());
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    platform::readWholeFile(paths[i], contents[i]);
    bytes += contents[i].size();
  }

  std::vector<const SettingDefinition*> settings;
  for (const auto& setting : catalog.settings()) settings.push_back(&setting);
  int unset = 0;
  const auto refresh = [&](const SettingsService& service) {
    unset = 0;
    for (const auto& value : service.currentValues(settings))
      if (!value) ++unset;
  };

  const double parse = medianMilliseconds(runs, [&] {
    for (const auto& file : contents)
      if (!platform::parsePropertyList(file)) std::abort();
  });
  // Each cold refresh starts with a store of its own, as the application does once at start.
  const double cold = medianMilliseconds(runs, [&] {
    const SettingsService service(DomainResolver::live(), std::make_shared<CFPreferenceStore>());
    refresh(service);
  });
  const SettingsService cached(DomainResolver::live(), std::make_shared<CFPreferenceStore>());
  refresh(cached);
  const double warm = medianMilliseconds(runs, [&] { refresh(cached); });
  const SettingsService uncached(DomainResolver::live(),
                                 std::make_shared<CFPreferenceStore>(platform::PreferenceFiles::live()));
  const double reparsing = medianMilliseconds(std::min(runs, 5), [&] { refresh(uncached); });

  std::printf("%zu settings over %zu files (%zu bytes); %d read as unset\n", catalog.settings().size(),
              paths.size(), bytes, unset);
  std::printf("parse each file once (baseline):   %8.2f ms\n", parse);
  std::printf("first refresh:                     %8.2f ms  ratio %.2f (target <= 2.00: %s)\n", cold,
              cold / parse, cold <= 2 * parse ? "met" : "MISSED");
  std::printf("refresh with nothing changed:      %8.2f ms  ratio %.2f (target <= 0.25: %s)\n", warm,
              warm / parse, warm <= 0.25 * parse ? "met" : "MISSED");
  std::printf("refresh parsing every read:        %8.2f ms  ratio %.2f\n", reparsing, reparsing / parse);
  std::filesystem::remove_all(home);
  return 0;
}
