#include "AmberLoom/RootScene.hpp"

#include <vector>

#include "Account/AccountDeparture.hpp"
#include "Account/AccountModel.hpp"
#include "Account/AccountStore.hpp"
#include "Account/MachineIdentity.hpp"
#include "Account/SyncModel.hpp"
#include "Guided/UndoPointsModel.hpp"
#include "Backup/BackupLocator.hpp"
#include "Backup/BackupService.hpp"
#include "Browser/SettingsModel.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Guided/FirstRunModel.hpp"
#include "Guided/RecipesModel.hpp"
#include "Guided/RemovalModel.hpp"
#include "Guided/RepairModel.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/Logging.hpp"
#include "Platform/Host.hpp"
#include "Preferences/BundledResource.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Preferences/PinnedSettings.hpp"
#include "Preferences/Version.hpp"
#include "Shell/RootViewState.hpp"
#include "Support/BackgroundTask.hpp"
#include "Support/Json.hpp"
#include "Support/StaleTemporaries.hpp"
#include "Sync/LoginItemService.hpp"
#include "Sync/SyncFolder.hpp"
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

AccountStore sessionStore(const UserDefaultsRef& defaults) {
  return AccountStore("tv.winterbrae.amberloom.session", "device-token", defaults, platform::SecretStore::standard(),
                      DeviceEntries::standard());
}

}  // namespace

RootScene::Resources RootScene::loadResources() {
  AppServices services(StoreUserDefaults::standard(), std::make_shared<CFPreferenceStore>(), bundledCatalogOrEmpty());
  const SettingsCatalog& catalog = services.catalog;

  const BackupLocator locator{services.home};
  std::string folder = SyncFolder::current(*services.defaults, locator);
  // What writes killed part-way left behind, before anything reads those folders.
  sweepStaleTemporaries(services.home, folder,
                        BackupLocator::fileName(BackupService::currentDeviceID(platform::Host::current(), services.defaults)));
  // Read before any model exists, so it sees the Mac as the user left it. Only the wizard shows
  // it, and once the first run is done no window of this run shows the wizard.
  PersonalisationScan scan;
  if (!services.defaults->boolValue(ui::RootViewState::completedKey).value_or(false)) {
    // This Mac's own backup, left by a run that quit before the wizard was done, is no second set.
    const std::string ownFile =
        BackupLocator::fileName(BackupService::currentDeviceID(platform::Host::current(), services.defaults));
    scan = PersonalisationScanner(catalog, services.settings,
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
  auto interrupted = InterruptedBatches(services.undoHistory(), SnapshotService(services.store, DomainResolver::live())).find();
  std::optional<ManualGuide> guide;
  try {
    guide = ManualGuide::bundled();
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "The built-in manual guide cannot be read; it is left out:"
                                   << ui::currentError();
  }
  return Resources{std::move(services), std::move(folder), std::move(deck), std::move(recipes),
                   std::move(guide),    std::move(scan),   std::move(interrupted)};
}

RootScene RootScene::make() { return make(loadResources()); }

RootScene RootScene::make(Resources resources) {
  const AppServices& services = resources.services;
  const std::string& folder = resources.syncFolder;
  const SettingsCatalog& catalog = services.catalog;

  // Every write announces what it touched here, and every model that shows values or undo points
  // listens: the models are connected to each other only through this notice.
  const ui::ModelContext context = services.modelContext(std::make_shared<ui::ChangeNotice>());

  RootScene scene;
  scene.catalog =
      ui::SettingsModel::live(context, catalog, services.settings, services.intents, std::move(resources.deck));
  const auto transport = services.serverSync();
  scene.sync = ui::SyncModel::live(context, services.syncService(), transport, ui::SyncModel::FirstRefresh::whenAsked);
  // Every confirmed change shares this Mac's values while automatic sync is on. Held weakly: the
  // settings model must not keep the sync model alive.
  scene.catalog->setOnIntentRecorded([weakSync = std::weak_ptr<ui::SyncModel>(scene.sync)] {
    const auto syncModel = weakSync.lock();
    if (syncModel && syncModel->isAutoSyncOn()) syncModel->publish();
  });
  scene.undoPoints = std::make_shared<ui::UndoPointsModel>(*scene.sync, std::move(resources.interrupted));

  scene.recipes = ui::RecipesModel::live(context, std::move(resources.recipes), catalog, services.settings,
                                         services.store, services.intents);
  // The check reads the whole change history and every setting it names: on a worker.
  scene.repairs = ui::RepairModel::live(context, catalog, services.settings, services.store, services.intents,
                                        services.osBuild, ui::RepairModel::FirstScan::inBackground);

  // Removal turns sync off as the sync page would, so that page and the next "Sync now" know it.
  // Held weakly: a removal model left open must not keep the sync model alive.
  const auto turnOffAutoSync = [weakSync = std::weak_ptr<ui::SyncModel>(scene.sync)]() -> std::optional<std::string> {
    const auto syncModel = weakSync.lock();
    return syncModel ? syncModel->turnOffAutoSync() : std::nullopt;
  };
  scene.makeRemovalModel = [context, services, folder, turnOffAutoSync] {
    const UserDefaultsRef defaults = services.defaults;
    UninstallService uninstall(services.catalog.settings(), services.intents, services.settings, folder,
                               DomainResolver::live(), services.store, bundleIdentifier(), services.home,
                               [defaults] { return AccountDeparture(AppServices::accountClient(), sessionStore(defaults)).leave(); });
    return ui::RemovalModel::live(context, std::move(uninstall), turnOffAutoSync);
  };

  scene.guide = std::move(resources.guide);

  BackupService backups(catalog, DomainResolver::live(), services.store, BackupService::currentDeviceID(),
                        BackupService::currentDeviceName());
  scene.firstRun = ui::FirstRunModel::live(context, std::move(resources.scan), std::move(backups), folder,
                                           services.store);

  scene.account = std::make_shared<ui::AccountModel>(AppServices::accountClient(), sessionStore(services.defaults),
                                                     BackupService::currentDeviceName(), MachineIdentity::hardwareID());
  // A sync refused for this Mac's session signs it out, as the account page's own requests do.
  transport->setSessionRefused(
      [refused = scene.account->refusalListener()](const AccountClient::Session& session) { refused(session.token); });
  // My Macs shows the Macs of the account signed in now, and sync at login reaches its server.
  const auto followAccount = [account = scene.account.get(), syncModel = scene.sync.get()] {
    const bool signedIn = account->state() == ui::AccountModel::SignedIn;
    syncModel->setAccount(signedIn ? std::optional(account->stateEmail().toStdString()) : std::nullopt);
    // Registered while another server signed this Mac in, the run at login would go there.
    if (signedIn && syncModel->isAutoSyncOn()) LoginItemService(LoginItemService::agentPlist).renew();
  };
  followAccount();
  QObject::connect(scene.account.get(), &ui::AccountModel::stateChanged, scene.sync.get(), followAccount);
  // Both pages name another Mac as its document does.
  scene.account->setMacNames([syncModel = std::weak_ptr(scene.sync)] {
    const auto sync = syncModel.lock();
    return sync ? sync->entryNames() : std::map<std::string, std::string>{};
  });
  QObject::connect(scene.sync.get(), &ui::SyncModel::othersChanged, scene.account.get(),
                   [account = scene.account.get()] { account->macNamesChanged(); });
  return scene;
}

void RootScene::startAfterFirstFrame() const { sync->refresh(); }

void RootScene::runBackgroundSync() {
  const UserDefaultsRef defaults = StoreUserDefaults::standard();
  if (!defaults->boolValue(ui::SyncModel::autoSyncKey).value_or(false)) return;

  std::optional<SettingsCatalog> catalog;
  try {
    catalog = SettingsCatalog::bundled();
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "Sync at login stops: the built-in catalogue cannot be read:"
                                   << ui::currentError();
    return;
  }
  const AppServices services(defaults, std::make_shared<CFPreferenceStore>(), std::move(*catalog));
  const SyncService sync = services.syncService();
  const auto server = services.serverSync();

  // A document that cannot be sent waits in the pending file; the run goes on either way.
  const auto published = awaitResult(server->publish(sync.currentDocument()));
  if (published.outcomeCase() != ServerSync::Outcome::Case::published)
    qCInfo(ui::lcApp).noquote() << "Sync at login did not share this Mac's settings:" << published.reason().c_str();
  std::optional<SyncService::ReadResult> others;
  try {
    others = awaitResult(server->fetchOthers());
  } catch (...) {
    qCWarning(ui::lcApp).noquote() << "Sync at login stops: the other Macs' settings cannot be fetched:"
                                   << ui::currentError();
    return;
  }
  const auto additions = sync.missingHere(*others, PinnedSettings::load(*defaults));
  if (additions.empty()) return;
  // Its undo point is listed in the window's Recent changes like any other.
  sync.apply(additions, *services.verifier(), "your other Macs", services.undoHistory());
}

}  // namespace amberloom::app
