#pragma once
// Two Macs of one account for the sync tests. This Mac keeps its preferences in the test's home,
// where the `defaults` command reads them back; the other Mac keeps its own under a folder of its
// own. Both are signed into one local account server, each with its own application preferences,
// pending file and undo-point folder. This Mac's network can be cut and restored.

#include <QAbstractItemModelTester>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <memory>

#include "Account/DifferenceListModel.hpp"
#include "Account/MacListModel.hpp"
#include "Account/SyncModel.hpp"
#include "AccountFixture.hpp"
#include "AccountServerProcess.hpp"
#include "HeardChanges.hpp"
#include "Preferences/CFPreferenceStore.hpp"

namespace amberloom::testing {

using ui::SyncModel;

// The live session, or, while `offline` is set, a connection that fails; while `refusal` holds a
// status, every upload (PUT) is answered with it and the JSON error code `refusalCode`.
class CuttableSession final : public HttpSession {
 public:
  std::atomic<bool> offline{false};
  std::atomic<long> refusal{0};
  std::string refusalCode;  // set before `refusal`
  HttpResponse perform(const HttpRequest& request, std::stop_token stop) override {
    if (offline) throw HttpTransferError::transferFailed(7, "Couldn't connect to server");
    if (refusal && request.method == "PUT") return {refusal, "{\"error\": \"" + refusalCode + "\"}"};
    return live_.perform(request, stop);
  }

 private:
  CurlHttpSession live_;
};

inline SettingDefinition syncSetting(std::string id, std::string domain, std::string key, SettingValueType type,
                                     SettingControl control = SettingControl::toggle()) {
  SettingDefinition s;
  s.id = std::move(id);
  s.ref = SettingRef{std::move(domain), {std::move(key)}, false};
  s.type = type;
  s.control = std::move(control);
  s.label = "Label of " + s.id;
  return s;
}

inline const SettingsCatalog& syncCatalog() {
  static const SettingsCatalog catalog(
      1, 1,
      {syncSetting("dock.autohide", "com.example.dock", "autohide", SettingValueType::boolean),
       syncSetting("dock.tile", "com.example.dock", "tilesize", SettingValueType::integer,
                   SettingControl::slider({16, 128, 1})),
       syncSetting("finder.hidden", "com.example.finder", "ShowHidden", SettingValueType::boolean),
       syncSetting("finder.title", "com.example.finder", "Title", SettingValueType::string,
                   SettingControl::choice({{PreferenceValue::string("Home"), "Home"}})),
       syncSetting("dock.local", "com.example.dock", "local", SettingValueType::boolean)});
  return catalog;
}

struct SyncMac {
  std::string home;
  std::string deviceID;
  std::shared_ptr<CFPreferenceStore> store;
  DomainResolver resolver;
  std::shared_ptr<CuttableSession> http = std::make_shared<CuttableSession>();
  AccountClient client;
  AccountClient::Session session;
  std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();
  std::shared_ptr<ServerSync> transport;
  std::shared_ptr<ExternalVerifier> verifier = std::make_shared<ExternalVerifier>(defaultsPath());
  std::shared_ptr<HeardChanges> heard = std::make_shared<HeardChanges>();

  SyncMac(const AccountServerProcess& server, std::string home, std::string deviceID,
          std::shared_ptr<CFPreferenceStore> store)
      : home(std::move(home)), deviceID(std::move(deviceID)), store(std::move(store)),
        resolver{this->home, [](const std::string&) { return false; }},
        client(server.apiBase(), http),
        session(server.signIn(client, "ada@example.com", "HW-" + this->deviceID, "Mac " + this->deviceID)),
        transport(std::make_shared<ServerSync>(client, [s = session] { return std::optional(s); }, defaults,
                                               "HW-" + this->deviceID, this->home + "/Support/pending-sync.json")) {}

  SyncService service() const {
    return SyncService(syncCatalog(), SettingsService(resolver, store), resolver, store, deviceID,
                       "Mac " + deviceID, std::nullopt);
  }
  std::string historyFolder() const { return home + "/Support/History"; }
  // What this Mac's models share; `reader` in place of the `defaults` command when given.
  ui::ModelContext context(bool isDryRun = false,
                           std::shared_ptr<const ExternalPreferenceReader> reader = nullptr) const {
    return {.isDryRun = isDryRun,
            .history = SnapshotHistory(historyFolder()),
            .verifier = reader ? std::move(reader) : verifier,
            .defaults = defaults,
            .notice = heard->notice};
  }
  std::unique_ptr<SyncModel> model(bool isDryRun = false) {
    return std::make_unique<SyncModel>(context(isDryRun), service(), transport);
  }
  void set(const std::string& domain, const std::string& key, const PreferenceValue& value) {
    store->write(value, key, resolver.resolve(domain, false));
  }
  // The value as the `defaults` command sees it on this Mac.
  std::optional<PreferenceValue> seen(const std::string& domain, const std::string& key) const {
    return verifier->read(key, resolver.resolve(domain, false));
  }
};

// This Mac (the test's home) and the other Mac, signed into one fresh server.
struct TwoMacs {
  // Both Macs start without preferences, pending documents or undo points.
  bool cleared = [] {
    for (const char* path : {"/Library", "/other-mac", "/Support", "/.config"}) std::filesystem::remove_all(home() + path);
    return true;
  }();
  AccountServerProcess server;  // over a fresh data folder
  SyncMac here{server, home(), "MAC-A", std::make_shared<CFPreferenceStore>()};
  SyncMac there{server, home() + "/other-mac", "MAC-B",
                std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(home() + "/other-mac", "HOST-B"))};
};

// Runs an asynchronous operation of the model and waits until it has finished.
inline void await(SyncModel& model, void (SyncModel::*operation)(std::function<void()>)) {
  bool finished = false;
  (model.*operation)([&] { finished = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 60000));
}

}  // namespace amberloom::testing
