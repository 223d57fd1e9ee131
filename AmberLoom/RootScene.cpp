#include "AmberLoom/RootScene.hpp"

#include <filesystem>
#include <vector>

#include "Account/AccountClient.hpp"
#include "Account/AccountModel.hpp"
#include "Account/AccountStore.hpp"
#include "Account/MachineIdentity.hpp"
#include "Account/SyncModel.hpp"
#include "Backup/BackupLocator.hpp"
#include "Backup/BackupService.hpp"
#include "Backup/PersonalisationScanner.hpp"
#include "Browser/AppRestarter.hpp"
#include "Browser/SettingsModel.hpp"
#include "Catalog/CatalogEndpoints.hpp"
#include "Catalog/DiscoverCard.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/IntentLog.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Guided/FirstRunModel.hpp"
#include "Guided/RecipesModel.hpp"
#include "Guided/RemovalModel.hpp"
#include "Guided/RepairModel.hpp"
#include "Guided/UndoPointsModel.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/Logging.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/BundledResource.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/PinnedSettings.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Preferences/Version.hpp"
#include "Recipes/RecipeService.hpp"
#include "Shell/RootViewState.hpp"
#include "SelfTest/SettingHealth.hpp"
#include "Support/BackgroundTask.hpp"
#include "Support/StaleTemporaries.hpp"
#include "Sync/LoginItemService.hpp"
#include "Sync/ServerSync.hpp"
#include "Sync/SyncFolder.hpp"
#include "Sync/SyncService.hpp"
#include "Upkeep/RepairScanner.hpp"
#include "Upkeep/RepairService.hpp"
#include "Upkeep/UninstallService.hpp"

namespace amberloom::app {

namespace {

SettingsCatalog bundledCatalogOrEmpty() {
  try {
    return SettingsCatalog::bundled();
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "The built-in catalogue cannot be read; the settings list stays empty:"
                                   << ui::currentError();
    return SettingsCatalog(1, 0, {});
  }
}

std::string osBuild() { return currentOSBuild(ProcessInfo::current()); }

AccountClient accountClient() { return AccountClient::standard(std::string(CatalogEndpoints::productionHost)); }

std::shared_ptr<const ExternalPreferenceReader> verifier() {
  return std::make_shared<ExternalVerifier>(RootScene::defaultsToolPath());
}

// The application's identifier from its information list; none when it names none.
std::optional<std::string> bundleIdentifier() {
  try {
    const Json info = parseJson(BundledResource::data("Info"));
    const Json* identifier = info.is_object() ? optionalMember(info, "CFBundleIdentifier") : nullptr;
    if (identifier && identifier->is_string()) return identifier->get<std::string>();
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "The built-in information list cannot be read for its identifier:"
                                   << ui::currentError();
  }
  return std::nullopt;
}

// The stored undo points, made afresh for each model that keeps or lists them.
SnapshotHistory undoHistory(const std::string& home) { return SnapshotHistory(SnapshotHistory::defaultFolder(home)); }

AccountStore sessionStore(const UserDefaultsRef& defaults) {
  return AccountStore("tv.winterbrae.amberloom.session", "device-token", defaults);
}

// Removing the application's files takes its session: this Mac leaves its account first, when it
// is signed in and the server answers. Nobody waits for the answer.
void leaveAccountBeforeRemoval(const UserDefaultsRef& defaults) {
  const AccountClient client = accountClient();
  const auto session = sessionStore(defaults).session(client.base());
  if (!session) return;
  runInBackground([client, session = *session] {
    try {
      client.removeDevice(session.deviceID, session.token);
    } catch (...) {
      // Unreachable: the entry stays on the account until removed there; its token is gone.
      qCWarning(ui::lcApp).noquote() << "This Mac could not be taken off its account before its files were removed:"
                                     << ui::currentError();
    }
  });
}

}  // namespace

std::string RootScene::defaultsToolPath() {
  const std::filesystem::path folder = std::filesystem::path(platform::currentExecutablePath()).parent_path();
  const auto beside = (folder / "defaults").string();
  if (platform::isExecutableFile(beside)) return beside;
  return (folder.parent_path() / "libexec" / "amberloom" / "defaults").string();
}

RootScene::Resources RootScene::loadResources() {
  const UserDefaultsRef defaults = StoreUserDefaults::standard();
  std::string home = platform::homeDirectory();
  const PreferenceStoreRef store = std::make_shared<CFPreferenceStore>();
  SettingsCatalog catalog = bundledCatalogOrEmpty();

  const BackupLocator locator{home};
  std::string folder = SyncFolder::current(*defaults, locator);
  // What writes killed part-way left behind, before anything reads those folders.
  sweepStaleTemporaries(home, folder);
  // Read before any model exists, so it sees the Mac as the user left it. Only the wizard shows
  // it, and once the first run is done no window of this run shows the wizard.
  PersonalisationScan scan;
  if (!defaults->boolValue(ui::RootViewState::completedKey).value_or(false)) {
    // This Mac's own backup, left by a run that quit before the wizard was done, is no second set.
    const std::string ownFile = BackupLocator::fileName(BackupService::currentDeviceID(platform::Host::current(), defaults));
    scan = PersonalisationScanner(catalog, SettingsService(DomainResolver::live(), store),
                                  [locator, folder, ownFile] { return locator.findBackups(folder, ownFile); })
               .scan(Version::current(), Version::currentApp());
  }

  std::optional<DiscoverDeck> deck;
  try {
    deck = DiscoverDeck::bundled(catalog);
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "The built-in discover cards cannot be read; none is shown:"
                                   << ui::currentError();
  }
  std::vector<Recipe> recipes = ui::RecipesModel::bundledRecipes(catalog);
  std::optional<ManualGuide> guide;
  try {
    guide = ManualGuide::bundled();
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "The built-in manual guide cannot be read; it is left out:"
                                   << ui::currentError();
  }
  return Resources{std::move(home), defaults,          store,
                   std::move(folder), std::move(catalog), std::move(deck),
                   std::move(recipes), std::move(guide),  std::move(scan)};
}

RootScene RootScene::make() { return make(loadResources()); }

RootScene RootScene::make(Resources resources) {
  const UserDefaultsRef& defaults = resources.defaults;
  const std::string& home = resources.home;
  const std::string& folder = resources.syncFolder;
  const SettingsCatalog& catalog = resources.catalog;

  // The store, a resolver and the settings service every other service shares.
  const PreferenceStoreRef store = resources.store;
  const SettingsService service(DomainResolver::live(), store);
  const IntentLog intents = IntentLog::standard(osBuild());

  // Every write announces what it touched here, and every model that shows values or undo points
  // listens: the models are connected to each other only through this notice.
  const auto notice = std::make_shared<ui::ChangeNotice>();

  RootScene scene;
  scene.catalog = std::make_shared<ui::SettingsModel>(
      catalog, service, false, Version::current(), Version::currentApp(), defaults, intents, verifier(),
      std::move(resources.deck),
      [](const std::vector<std::string>& names) { ui::AppRestarter::killall(names); }, notice);

  SyncService sync(catalog, service, DomainResolver::live(), store, BackupService::currentDeviceID(),
                   BackupService::currentDeviceName(), intents);
  auto transport = std::make_shared<ServerSync>(accountClient(), nullptr, defaults, MachineIdentity::hardwareID());
  scene.sync = std::make_shared<ui::SyncModel>(std::move(sync), transport, false, undoHistory(home), verifier(),
                                               defaults, notice);
  // Every confirmed change shares this Mac's values while automatic sync is on. Held weakly: the
  // settings model must not keep the sync model alive.
  scene.catalog->setOnIntentRecorded([weakSync = std::weak_ptr<ui::SyncModel>(scene.sync)] {
    const auto syncModel = weakSync.lock();
    if (syncModel && syncModel->isAutoSyncOn()) syncModel->publish();
  });
  scene.undoPoints = std::make_shared<ui::UndoPointsModel>(*scene.sync);

  scene.recipes = std::make_shared<ui::RecipesModel>(
      std::move(resources.recipes), RecipeService(catalog, service, DomainResolver::live(), store, intents), false,
      undoHistory(home), verifier(), defaults, notice);

  scene.repairs = std::make_shared<ui::RepairModel>(
      RepairScanner(catalog, service, intents, osBuild()), RepairService(service, intents, DomainResolver::live(), store),
      false, undoHistory(home), verifier(), defaults, IntentLog::standard(osBuild()), notice);

  // Removal turns sync off as the sync page would, so that page and the next "Sync now" know it.
  // Held weakly: a removal model left open must not keep the sync model alive.
  const auto stopSync = [weakSync = std::weak_ptr<ui::SyncModel>(scene.sync)]() -> std::optional<std::string> {
    std::optional<std::string> autoSyncLeftOn;
    if (const auto syncModel = weakSync.lock()) autoSyncLeftOn = syncModel->turnOffAutoSync();
    const auto loginItemLeftOn = LoginItemService(LoginItemService::agentPlist).disable();
    return autoSyncLeftOn ? autoSyncLeftOn : loginItemLeftOn;
  };
  scene.makeRemovalModel = [catalog, intents, service, store, folder, home, notice, defaults, stopSync] {
    UninstallService uninstall(catalog.settings(), intents, service, folder, DomainResolver::live(), store,
                               bundleIdentifier(), home, [defaults] { leaveAccountBeforeRemoval(defaults); });
    return std::make_unique<ui::RemovalModel>(std::move(uninstall), false, undoHistory(home), verifier(), stopSync,
                                              notice);
  };

  scene.guide = std::move(resources.guide);

  BackupService backups(std::move(resources.catalog), DomainResolver::live(), store, BackupService::currentDeviceID(),
                        BackupService::currentDeviceName());
  scene.firstRun = std::make_shared<ui::FirstRunModel>(std::move(resources.scan), std::move(backups), folder, false,
                                                       DomainResolver::live(), store, verifier(), undoHistory(home),
                                                       notice);

  scene.account = std::make_shared<ui::AccountModel>(accountClient(), sessionStore(defaults),
                                                     BackupService::currentDeviceName(), MachineIdentity::hardwareID());
  // My Macs shows the Macs of the account signed in now, and sync at login reaches its server.
  const auto followAccount = [account = scene.account.get(), syncModel = scene.sync.get()] {
    const bool signedIn = account->state() == ui::AccountModel::SignedIn;
    syncModel->setAccount(signedIn ? std::optional(account->stateEmail().toStdString()) : std::nullopt);
    // Registered while another server signed this Mac in, the run at login would go there.
    if (signedIn && syncModel->isAutoSyncOn()) LoginItemService(LoginItemService::agentPlist).renew();
  };
  followAccount();
  QObject::connect(scene.account.get(), &ui::AccountModel::stateChanged, scene.sync.get(), followAccount);
  return scene;
}

void RootScene::runBackgroundSync() {
  const UserDefaultsRef defaults = StoreUserDefaults::standard();
  if (!defaults->boolValue(ui::SyncModel::autoSyncKey).value_or(false)) return;

  const PreferenceStoreRef store = std::make_shared<CFPreferenceStore>();
  const SettingsService service(DomainResolver::live(), store);
  std::optional<SettingsCatalog> catalog;
  try {
    catalog = SettingsCatalog::bundled();
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "Sync at login stops: the built-in catalogue cannot be read:"
                                   << ui::currentError();
    return;
  }
  const IntentLog intents = IntentLog::standard(osBuild());
  const SyncService sync(*catalog, service, DomainResolver::live(), store, BackupService::currentDeviceID(),
                         BackupService::currentDeviceName(), intents);
  ServerSync server(accountClient(), nullptr, defaults, MachineIdentity::hardwareID());

  // A document that cannot be sent waits in the pending file; the run goes on either way.
  const auto published = awaitResult(server.publish(sync.currentDocument()));
  if (published.outcomeCase() != ServerSync::Outcome::Case::published)
    qCInfo(ui::lcApp).noquote() << "Sync at login did not share this Mac's settings:" << published.reason().c_str();
  std::optional<SyncService::ReadResult> others;
  try {
    others = awaitResult(server.fetchOthers());
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "Sync at login stops: the other Macs' settings cannot be fetched:"
                                   << ui::currentError();
    return;
  }
  const auto additions = sync.missingHere(*others, PinnedSettings::load(*defaults));
  if (additions.empty()) return;
  // Its undo point is listed in the window's Recent changes like any other.
  sync.apply(additions, ExternalVerifier(defaultsToolPath()), "your other Macs", SnapshotHistory::standard());
}

}  // namespace amberloom::app
