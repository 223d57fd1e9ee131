#include "AmberLoom/AppServices.hpp"

#include <filesystem>

#include "Account/MachineIdentity.hpp"
#include "Backup/BackupService.hpp"
#include "Catalog/CatalogEndpoints.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/DomainResolver.hpp"
#include "SelfTest/ProcessInfo.hpp"

namespace amberloom::app {

AppServices::AppServices(UserDefaultsRef defaults, PreferenceStoreRef store, SettingsCatalog catalog)
    : home(platform::homeDirectory()),
      defaults(std::move(defaults)),
      store(std::move(store)),
      catalog(std::move(catalog)),
      settings(DomainResolver::live(), this->store),
      osBuild(currentOSBuild(ProcessInfo::current())),
      intents(IntentLog::standard(osBuild)) {}

SyncService AppServices::syncService() const {
  return SyncService(catalog, settings, DomainResolver::live(), store, BackupService::currentDeviceID(),
                     BackupService::currentDeviceName(), intents);
}

std::shared_ptr<ServerSync> AppServices::serverSync() const {
  return std::make_shared<ServerSync>(accountClient(), nullptr, defaults, MachineIdentity::hardwareID());
}

SnapshotHistory AppServices::undoHistory() const { return SnapshotHistory(SnapshotHistory::defaultFolder(home)); }

std::shared_ptr<const ExternalPreferenceReader> AppServices::verifier() const {
  return std::make_shared<ExternalVerifier>(defaultsToolPath());
}

ui::ModelContext AppServices::modelContext(ui::ChangeNoticeRef notice) const {
  return ui::ModelContext{.isDryRun = false,
                          .history = undoHistory(),
                          .verifier = verifier(),
                          .defaults = defaults,
                          .notice = std::move(notice)};
}

AccountClient AppServices::accountClient() {
  return AccountClient::standard(std::string(CatalogEndpoints::productionHost));
}

std::string AppServices::defaultsToolPath() {
  const std::filesystem::path folder = std::filesystem::path(platform::currentExecutablePath()).parent_path();
  const auto beside = (folder / "defaults").string();
  if (platform::isExecutableFile(beside)) return beside;
  return (folder.parent_path() / "libexec" / "amberloom" / "defaults").string();
}

}  // namespace amberloom::app
