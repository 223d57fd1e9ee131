#pragma once
// The services of this Mac that the window's models and the unattended sync at login both work
// through, wired once: the live preference store under the settings service, the change history
// of this system build, this Mac's device in sync documents and on the account server, and the
// `defaults` command confirming every write. Production wiring only.

#include <memory>
#include <string>

#include "Account/AccountClient.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Kit/ModelContext.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/PreferenceStore.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Sync/ServerSync.hpp"
#include "Sync/SyncService.hpp"

namespace amberloom::app {

struct AppServices {
  std::string home;
  UserDefaultsRef defaults;  // the application's own preferences
  PreferenceStoreRef store;  // shared by every service
  SettingsCatalog catalog;
  SettingsService settings;  // over the live domain resolver and `store`
  std::string osBuild;       // this system's build
  IntentLog intents;         // the change history, tagged with `osBuild`

  // Over the current home and the system build read now.
  AppServices(UserDefaultsRef defaults, PreferenceStoreRef store, SettingsCatalog catalog);

  // Builds, compares and copies this Mac's documents as this Mac's device.
  SyncService syncService() const;
  // This Mac's documents on the account server signed in with the stored session.
  std::shared_ptr<ServerSync> serverSync() const;
  // The stored undo points of this home.
  SnapshotHistory undoHistory() const;
  // Reads written keys back through the `defaults` command.
  std::shared_ptr<const ExternalPreferenceReader> verifier() const;
  // What the window's models share: practice mode off, this home's undo points, the `defaults`
  // command, the application's preferences and `notice`.
  ui::ModelContext modelContext(ui::ChangeNoticeRef notice) const;

  static AccountClient accountClient();
  // The `defaults` command: beside the executable in a build, else where the installation keeps it.
  static std::string defaultsToolPath();
};

}  // namespace amberloom::app
