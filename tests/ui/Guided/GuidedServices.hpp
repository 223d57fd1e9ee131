#pragma once
// The real services of the guided screens on the temporary home: a small catalogue in one test
// domain, the change history and the undo points in the application's support folder, writes read
// back through the `defaults` command, the application's preferences in memory, and a sync model
// signed out (it fetches nothing) for the list of undo points. The models announce on `heard`.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Account/SyncModel.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Guided/RecipesModel.hpp"
#include "Guided/RemovalModel.hpp"
#include "Guided/RepairModel.hpp"
#include "HeardChanges.hpp"
#include "MemoryUserDefaults.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Recipes/RecipeService.hpp"
#include "Support/HttpSession.hpp"
#include "TestHome.hpp"
#include "Upkeep/RepairScanner.hpp"
#include "Upkeep/RepairService.hpp"
#include "Upkeep/UninstallService.hpp"

namespace amberloom::testing {

struct GuidedServices {
  static constexpr const char* domain = "com.example.guided";

  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  DomainResolver resolver = DomainResolver::live();
  SettingsService settings{resolver, store};
  std::shared_ptr<const ExternalVerifier> outside = std::make_shared<ExternalVerifier>(defaultsPath());
  std::string support = home() + "/Library/Application Support/AmberLoom";
  IntentLog log{support + "/intents.json", "23F79"};
  SnapshotHistory history{SnapshotHistory::defaultFolder(home())};
  std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();
  std::shared_ptr<HeardChanges> heard = std::make_shared<HeardChanges>();
  // dock.autohide (bool toggle) and dock.size (int choice), both restarting the Dock; finder.path
  // (text), finder.hidden (bool).
  SettingsCatalog catalog{1, 1, {definition("dock.autohide", "autohide", SettingValueType::boolean, SettingControl::toggle(), {"Dock"}),
                                 definition("dock.size", "size", SettingValueType::integer,
                                            SettingControl::choice({{PreferenceValue::integer(36), "Small"},
                                                                    {PreferenceValue::integer(64), "Large"}}),
                                            {"Dock"}),
                                 definition("finder.path", "path", SettingValueType::string, SettingControl::text()),
                                 definition("finder.hidden", "hidden", SettingValueType::boolean, SettingControl::toggle())}};

  static SettingDefinition definition(std::string id, std::string key, SettingValueType type, SettingControl control,
                                      std::vector<std::string> restartsApps = {}) {
    SettingDefinition setting;
    setting.restartsApps = std::move(restartsApps);
    setting.id = std::move(id);
    setting.ref = SettingRef{domain, {std::move(key)}, false};
    setting.type = type;
    setting.label = "Label of " + setting.id;
    setting.control = std::move(control);
    return setting;
  }

  RecipeService recipeService() const { return RecipeService(catalog, settings, resolver, store, log); }
  RepairScanner repairScanner() const { return RepairScanner(catalog, settings, log, "23F79"); }
  RepairService repairService() const { return RepairService(settings, log, resolver, store); }
  UninstallService uninstallService(std::string backupFolder, UninstallService::LeaveAccount leave = {}) const {
    return UninstallService(catalog.settings(), log, settings, std::move(backupFolder), resolver, store,
                            "tv.winterbrae.amberloom", home(), std::move(leave));
  }

  // What the models share here; `reader` in place of the `defaults` command when given.
  ui::ModelContext context(bool isDryRun = false, std::optional<SnapshotHistory> undoPoints = std::nullopt,
                           std::shared_ptr<const ExternalPreferenceReader> reader = nullptr) const {
    return {.isDryRun = isDryRun,
            .history = undoPoints.value_or(history),
            .verifier = reader ? std::move(reader) : outside,
            .defaults = defaults,
            .notice = heard->notice};
  }

  std::unique_ptr<ui::RecipesModel> recipesModel(std::vector<Recipe> recipes, bool isDryRun,
                                                 std::optional<SnapshotHistory> undoPoints = std::nullopt) const {
    return std::make_unique<ui::RecipesModel>(context(isDryRun, std::move(undoPoints)), std::move(recipes),
                                              recipeService());
  }
  std::unique_ptr<ui::RepairModel> repairModel(bool isDryRun,
                                               std::optional<SnapshotHistory> undoPoints = std::nullopt,
                                               ui::RepairModel::FirstScan first = ui::RepairModel::FirstScan::now) const {
    return std::make_unique<ui::RepairModel>(context(isDryRun, std::move(undoPoints)), repairScanner(),
                                             repairService(), log, nullptr, first);
  }
  std::unique_ptr<ui::RemovalModel> removalModel(bool isDryRun, std::string backupFolder,
                                                 ui::RemovalModel::StopSync stopSync,
                                                 std::optional<SnapshotHistory> undoPoints = std::nullopt,
                                                 UninstallService::LeaveAccount leave = {}) const {
    return std::make_unique<ui::RemovalModel>(context(isDryRun, std::move(undoPoints)),
                                              uninstallService(std::move(backupFolder), std::move(leave)),
                                              std::move(stopSync));
  }
  std::unique_ptr<ui::SyncModel> syncModel(bool isDryRun = false,
                                           std::optional<SnapshotHistory> undoPoints = std::nullopt) const {
    auto transport = std::make_shared<ServerSync>(
        AccountClient("http://127.0.0.1:1/api/v1", std::make_shared<CurlHttpSession>()),
        [] { return std::optional<AccountClient::Session>(); }, defaults, "HW-THIS", support + "/pending-sync.json");
    return std::make_unique<ui::SyncModel>(context(isDryRun, std::move(undoPoints)),
                                           SyncService(catalog, settings, resolver, store, "THIS-MAC", "This Mac", log),
                                           std::move(transport));
  }

  // Another process writes the key, as `defaults write <domain> <key> <type> <value>`.
  static void writeOutside(const std::string& key, const std::string& type, const std::string& value) {
    runDefaults({"write", domain, key, type, value});
  }
  // The key as another process sees it.
  std::optional<PreferenceValue> seen(const std::string& key) const {
    return outside->read(key, resolver.resolve(domain, false));
  }
  // Undo points can no longer be stored: a file stands where the history folder's parent should be.
  static SnapshotHistory unwritableHistory() {
    writeFile(home() + "/blocked", "a file, not a folder");
    return SnapshotHistory(home() + "/blocked/History");
  }
};

}  // namespace amberloom::testing
