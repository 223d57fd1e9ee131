#pragma once
// A generated catalogue of editable settings in 40 areas, with labels and summaries drawn from a
// fixed word list (a few beyond ASCII) by a seeded generator, so every run sees the same settings;
// and the application's preferences in memory, so a benchmark measures its work, not the files.

#include <map>
#include <random>
#include <string>

#include "Catalog/SettingsCatalog.hpp"
#include "Preferences/UserDefaults.hpp"

namespace amberloom::bench {

class MemoryDefaults : public UserDefaults {
 public:
  std::optional<PreferenceValue> value(const std::string& key) const override {
    const auto found = values_.find(key);
    return found == values_.end() ? std::nullopt : std::optional<PreferenceValue>(found->second);
  }
  void set(const std::optional<PreferenceValue>& value, const std::string& key) override {
    if (value) values_.insert_or_assign(key, *value); else values_.erase(key);
  }

 private:
  std::map<std::string, PreferenceValue> values_;
};

inline const char* const kWords[] = {
    "show",    "hide",  "window", "dock",    "finder",  "menu",    "bar",     "keyboard", "trackpad", "animation", "delay",
    "speed",   "folder", "desktop", "screenshot", "shadow", "icon", "preview", "exposé",   "café",     "größe",     "résumé",
    "scroll",  "gesture", "mission", "control", "spotlight", "clock", "battery", "sound", "display",  "accent",    "colour"};

inline std::string words(std::mt19937& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i) text += ' ';
    text += kWords[random() % std::size(kWords)];
  }
  return text;
}

inline SettingsCatalog generatedCatalog(int count) {
  std::mt19937 random(7);
  std::vector<SettingDefinition> settings;
  for (int i = 0; i < count; ++i) {
    SettingDefinition setting;
    const std::string category = "area" + std::to_string(i % 40);
    setting.id = category + "." + kWords[random() % std::size(kWords)] + std::to_string(i);
    setting.ref = SettingRef{"com.example." + category, {"key" + std::to_string(i)}, false};
    setting.label = words(random, 3 + static_cast<int>(random() % 4));
    const auto level = static_cast<SettingTextLevel>(random() % 3);
    setting.text = SettingText{words(random, 14), "", level, category, "Area " + std::to_string(i % 40), {}, {}, {}};
    setting.risk = random() % 20 == 0 ? SettingRisk::weakensSecurity : SettingRisk::none;
    settings.push_back(std::move(setting));
  }
  return SettingsCatalog(1, 1, std::move(settings));
}

}  // namespace amberloom::bench
