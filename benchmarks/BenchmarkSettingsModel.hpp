#pragma once
// The settings model the interface benchmarks measure: live preference files in the benchmark's
// home, the application's preferences in memory, no intent log, deck or restarts.

#include <memory>

#include "Browser/SettingsModel.hpp"
#include "GeneratedCatalog.hpp"
#include "Preferences/CFPreferenceStore.hpp"

namespace amberloom::bench {

inline std::unique_ptr<ui::SettingsModel> settingsModel(SettingsCatalog catalog) {
  const ui::ModelContext context{.history = SnapshotHistory::standard(),
                                 .verifier = std::make_shared<ExternalVerifier>("/usr/bin/defaults"),
                                 .defaults = std::make_shared<MemoryDefaults>()};
  return std::make_unique<ui::SettingsModel>(
      context, std::move(catalog), SettingsService(DomainResolver::live(), std::make_shared<CFPreferenceStore>()),
      std::nullopt, std::nullopt, ui::SettingsModel::ThisMac{Version({14, 5}), Version({1, 0}), [](const auto&) {}});
}

}  // namespace amberloom::bench
