#pragma once
// The preference files of a well-used Mac: a global domain of 7,500 keys, and (for restores) a
// value under every catalogued root.

#include <cstdint>
#include <string>

#include "Catalog/SettingsCatalog.hpp"
#include "Changes/SettingsService.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/PlistCoding.hpp"

namespace amberloom::bench {

// 7,500 keys of every kind, the catalogue's global keys first (each true), written as one binary
// file.
inline void writeGlobalDomain(const std::string& home, const SettingsCatalog& catalog) {
  platform::PlistDictionary keys;
  for (const auto& setting : catalog.settings())
    if (setting.ref.domain == "NSGlobalDomain" && !setting.ref.byHost && !setting.ref.path.empty())
      keys.emplace(setting.ref.path.front(), platform::PlistObject(true));
  for (int i = 0; keys.size() < 7500; ++i) {
    const std::string key = "Bench" + std::to_string(i);
    switch (i % 4) {
      case 0: keys.emplace(key, platform::PlistObject(static_cast<std::int64_t>(i))); break;
      case 1: keys.emplace(key, platform::PlistObject("value " + std::to_string(i))); break;
      case 2: keys.emplace(key, platform::PlistObject(i * 0.5)); break;
      default: keys.emplace(key, platform::PlistObject(platform::PlistArray{platform::PlistObject(true)}));
    }
  }
  platform::writeFileAtomically(home + "/Library/Preferences/.GlobalPreferences.plist",
                                platform::binaryPropertyList(platform::PlistObject(std::move(keys))));
}

// A value of the setting's type; the second set differs from the first in every value.
inline PreferenceValue sampleValue(SettingValueType type, bool second = false) {
  switch (type) {
    case SettingValueType::boolean: return PreferenceValue::boolean(!second);
    case SettingValueType::integer: return PreferenceValue::integer(second ? 3 : 2);
    case SettingValueType::real: return PreferenceValue::real(second ? 2.5 : 1.5);
    case SettingValueType::string: return PreferenceValue::string(second ? "changed since" : "benchmark");
    case SettingValueType::dictionary: return PreferenceValue::dictionary({{"k", PreferenceValue::integer(second ? 2 : 1)}});
    case SettingValueType::array: return PreferenceValue::array({PreferenceValue::integer(second ? 2 : 1)});
  }
  return PreferenceValue::boolean(!second);
}

// Gives every catalogued setting of the defaults channel a value (of the second set when asked),
// so that a backup holds every root; returns how many settings took one.
inline std::size_t setEverySetting(const SettingsCatalog& catalog, const SettingsService& settings,
                                   bool secondValues = false) {
  std::size_t set = 0;
  for (const auto& setting : catalog.settings()) {
    if (setting.channel == SettingChannel::nightShift || setting.ref.path.empty()) continue;
    try {
      settings.apply(sampleValue(setting.type, secondValues), setting);
      ++set;
    } catch (const std::exception&) {
      // A root that another setting made a non-dictionary keeps that value.
    }
  }
  return set;
}

}  // namespace amberloom::bench
