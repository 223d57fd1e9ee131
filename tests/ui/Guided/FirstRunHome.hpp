#pragma once
// A prepared home for the first-run tests: a small catalogue over the real preference files, this
// Mac's values, backups of this and other Macs in a backup folder, and a first-run model made the
// way the application makes it, reading back through the `defaults` stand-in.

#include <QTest>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Backup/BackupLocator.hpp"
#include "Backup/BackupService.hpp"
#include "Backup/PersonalisationScanner.hpp"
#include "Guided/FirstRunModel.hpp"
#include "HeardChanges.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "TestHome.hpp"
#include <gtest/gtest.h>

namespace amberloom::testing {

struct PrefKey {
  std::string domain, key;
  std::optional<PreferenceValue> value;
};
// Two Dock values the first-run tests set.
inline const PrefKey tile16{"com.example.dock", "tilesize", PreferenceValue::integer(16)};
inline const PrefKey autohide{"com.example.dock", "autohide", PreferenceValue::boolean(true)};

class FirstRunHome {
 public:
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  DomainResolver resolver = DomainResolver::live();
  std::shared_ptr<const ExternalPreferenceReader> outside = std::make_shared<ExternalVerifier>(defaultsPath());
  std::string folder = home() + "/Cloud/AmberLoom";
  std::string historyFolder = SnapshotHistory::defaultFolder(home());
  std::shared_ptr<HeardChanges> heard = std::make_shared<HeardChanges>();
  // Groups dock (3), finder (1), clock (1); the clock is written by the system.
  SettingsCatalog catalog{1, 1,
                          {setting("dock.tilesize", "com.example.dock", "tilesize", false, SettingValueType::integer),
                           setting("dock.autohide", "com.example.dock", "autohide"),
                           setting("dock.magnify", "com.example.dock", "magnification"),
                           setting("finder.extensions", "NSGlobalDomain", "AppleShowAllExtensions"),
                           setting("clock.seconds", "com.example.clock", "ShowSeconds", true)}};

  // Starts from an empty home: no preferences, no backups, no undo points.
  FirstRunHome() {
    for (const char* path : {"/Library", "/Cloud", "/blocked"}) std::filesystem::remove_all(home() + path);
  }

  static SettingDefinition setting(std::string id, std::string domain, std::string key, bool systemWritten = false,
                                   SettingValueType type = SettingValueType::boolean) {
    SettingDefinition definition;
    definition.type = type;
    definition.id = std::move(id);
    definition.ref = SettingRef{std::move(domain), {std::move(key)}, false};
    definition.systemWritten = systemWritten;
    return definition;
  }

  void set(const std::vector<PrefKey>& keys) const {
    for (const auto& k : keys) store->write(k.value, k.key, resolver.resolve(k.domain, false));
  }
  std::optional<PreferenceValue> seen(const std::string& domain, const std::string& key) const {
    return outside->read(key, resolver.resolve(domain, false));
  }

  BackupService service(std::string deviceID = "THIS-MAC", std::string name = "Studio") const {
    return BackupService(catalog, resolver, store, std::move(deviceID), std::move(name), [] { return 735000000.0; });
  }
  // Writes a backup of what this home holds now, as the Mac `deviceID` would.
  std::string backUpAs(const std::string& deviceID, const std::string& name) const {
    return service(deviceID, name).createBackup(folder);
  }

  // The model as a screen that lists the backups has it: made, then its folder read.
  std::unique_ptr<ui::FirstRunModel> model(bool isDryRun = false, std::optional<std::string> history = {}) const {
    auto made = madeModel(isDryRun, std::move(history));
    made->refreshBackups();
    settle(*made);
    return made;
  }

  // Waits until the model's backup and every read of its folder have ended.
  static void settle(const ui::FirstRunModel& model) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model.progress()->isRunning() && !model.readingBackups(); }, 60000));
  }

  // The model as the application makes it at start, before any screen showed it.
  std::unique_ptr<ui::FirstRunModel> madeModel(bool isDryRun = false, std::optional<std::string> history = {}) const {
    const auto scan = PersonalisationScanner(catalog, SettingsService(resolver, store), [this] {
                        return BackupLocator{home()}.findBackups(folder, service().fileName());
                      }).scan(Version({15}), Version({1}));
    const ui::ModelContext context{
        .isDryRun = isDryRun,
        .history = SnapshotHistory(history.value_or(historyFolder), [] { return 736000000.0; }),
        .verifier = outside,
        .defaults = nullptr,  // the wizard keeps nothing in the application's preferences
        .notice = heard->notice};
    return std::make_unique<ui::FirstRunModel>(context, scan, service(), folder, resolver, store);
  }
};

}  // namespace amberloom::testing
