#pragma once
// Settings and a settings model over them in the temporary home, for the catalogue window's tests.

#include <QAccessible>
#include <QQuickItem>
#include <memory>
#include <optional>
#include <string>

#include "Browser/SettingsModel.hpp"
#include "MemoryUserDefaults.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "TestHome.hpp"

namespace amberloom::testing {

// A toggle in preference domain "com.example.<category>", grouped under "<category> settings".
inline SettingDefinition browserSetting(std::string id, std::string category, std::string label,
                                        std::optional<std::string> subcategory = std::nullopt) {
  SettingDefinition setting;
  setting.id = std::move(id);
  setting.label = std::move(label);
  setting.ref = SettingRef{"com.example." + category, {setting.id.substr(setting.id.find('.') + 1)}, false};
  setting.text = SettingText{"What " + setting.label + " does", "", SettingTextLevel::basic, category,
                             category + " settings", subcategory, subcategory, {}};
  return setting;
}

// A setting of the sync-only tier, backed up and copied but not edited here.
inline SettingDefinition carriedSetting(std::string id, std::string label) {
  auto setting = browserSetting(std::move(id), "carried", std::move(label));
  setting.tier = SettingTier::syncOnly;
  return setting;
}

// What a screen reader hears of `item`: its name or its description; empty without an interface.
inline QString accessible(QQuickItem* item, QAccessible::Text which) {
  QAccessibleInterface* interface = QAccessible::queryAccessibleInterface(item);
  return interface ? interface->text(which) : QString();
}

struct BrowserFixture {
  UserDefaultsRef defaults = std::make_shared<MemoryUserDefaults>();
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();

  std::unique_ptr<ui::SettingsModel> makeModel(const SettingsCatalog& catalog, std::optional<DiscoverDeck> deck = std::nullopt,
                                               ui::SettingsModel::RestartApps restart = [](const auto&) {},
                                               ui::ChangeNoticeRef notice = nullptr) {
    const ui::ModelContext context{.history = SnapshotHistory::standard(),
                                   .verifier = std::make_shared<ExternalVerifier>(defaultsPath()),
                                   .defaults = defaults,
                                   .notice = std::move(notice)};
    return std::make_unique<ui::SettingsModel>(context, catalog, SettingsService(DomainResolver::live(), store),
                                               std::nullopt, std::move(deck),
                                               ui::SettingsModel::ThisMac{Version({14, 5}), Version({1, 0}), std::move(restart)});
  }
};

}  // namespace amberloom::testing
