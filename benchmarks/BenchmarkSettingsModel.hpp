#pragma once
// The settings model the interface benchmarks measure: live preference files in the benchmark's
// home, the application's preferences in memory, no intent log, deck or restarts.

#include <memory>

#include "Browser/SettingsModel.hpp"
#include "GeneratedCatalog.hpp"
#include "Preferences/CFPreferenceStore.hpp"

namespace amberloom::bench {

inline std::unique_ptr<ui::SettingsModel> settingsModel(SettingsCatalog catalog) {
  return std::make_unique<ui::SettingsModel>(
      std::move(catalog), SettingsService(DomainResolver::live(), std::make_shared<CFPreferenceStore>()), false,
      Version({14, 5}), Version({1, 0}), std::make_shared<MemoryDefaults>(), std::nullopt,
      std::make_shared<ExternalVerifier>("/usr/bin/defaults"), std::nullopt, [](const auto&) {}, nullptr);
}

}  // namespace amberloom::bench
