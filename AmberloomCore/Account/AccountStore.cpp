#include "Account/AccountStore.hpp"

#include <unicode/utf8.h>

#include <algorithm>

#include "Support/Log.hpp"

namespace amberloom {
namespace {

bool isValidUTF8(const std::string& text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  if (static_cast<std::size_t>(length) != text.size()) return false;
  for (std::int32_t at = 0; at < length;) {
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    if (c < 0) return false;
  }
  return true;
}

}  // namespace

AccountStoreError::AccountStoreError(int code)
    : std::runtime_error("Oturum bu Mac'e kaydedilemedi (Keychain hatasi " + std::to_string(code) + ")."),
      code_(code) {}

AccountStore::AccountStore(std::string service, std::string account, UserDefaultsRef defaults,
                           std::shared_ptr<platform::SecretStore> secrets, std::optional<DeviceEntries> entries)
    : service_(std::move(service)), account_(std::move(account)), defaults_(std::move(defaults)),
      secrets_(std::move(secrets)), entries_(entries ? std::move(*entries) : DeviceEntries(defaults_)) {}

AccountStore AccountStore::standard() {
  return AccountStore("tv.winterbrae.amberloom.session", "device-token", StoreUserDefaults::standard(),
                      platform::SecretStore::standard(), DeviceEntries::standard());
}

std::optional<AccountStore::Stored> AccountStore::stored() const {
  auto email = defaults_->stringValue(emailKey);
  auto deviceID = defaults_->stringValue(deviceIDKey);
  if (!email || !deviceID) return std::nullopt;
  return Stored{std::move(*email), std::move(*deviceID)};
}

std::optional<std::string> AccountStore::token() const {
  auto bytes = secrets_->read(service_, account_);
  if (!bytes || !isValidUTF8(*bytes)) return std::nullopt;
  return bytes;
}

std::optional<std::string> AccountStore::server() const { return defaults_->stringValue(serverKey); }

std::optional<AccountClient::Session> AccountStore::session(const std::string& server) const {
  const auto issuer = this->server();
  if (!issuer || *issuer != server) return std::nullopt;
  auto signedIn = stored();
  if (!signedIn) return std::nullopt;
  auto secret = token();
  if (!secret) return std::nullopt;
  return AccountClient::Session{std::move(*secret), std::move(signedIn->deviceID)};
}

void AccountStore::save(const std::string& token, const std::string& email, const std::string& deviceID,
                        const std::string& server) const {
  // Recorded before anything else: a save cut short must not leave an entry nobody knows is this Mac's.
  recordStoredDevice();
  entries_.add(server, deviceID);
  defaults_->remove(serverKey);
  secrets_->remove(service_, account_);
  if (const int status = secrets_->add(service_, account_, token); status != platform::SecretStore::success)
    throw AccountStoreError(status);
  try {
    defaults_->setString(email, emailKey);
    defaults_->setString(deviceID, deviceIDKey);
    defaults_->setString(server, serverKey);
  } catch (...) {
    // A session stored in part signs nobody in; its token is not left behind on disk either.
    secrets_->remove(service_, account_);
    throw;
  }
}

bool AccountStore::clear() const noexcept {
  recordStoredDevice();
  secrets_->remove(service_, account_);
  for (const char* key : {serverKey, emailKey, deviceIDKey}) {
    try {
      defaults_->remove(key);
    } catch (const std::exception&) {
      // Signing out must always complete; a key that cannot be removed is left for the next clear.
      log::dropped(log::Area::account, std::string("Signing out could not remove \"") + key + "\" from the preferences");
    }
  }
  return !isSignedIn();
}

std::vector<std::string> AccountStore::earlierDeviceIDs() const {
  auto ids = defaults_->stringsOfArray(earlierDevicesKey).value_or(std::vector<std::string>{});
  for (auto& id : entries_.all())
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(std::move(id));
  const auto current = defaults_->stringValue(deviceIDKey);
  std::erase_if(ids, [&](const std::string& id) { return id.empty() || id == current; });
  return ids;
}

std::vector<std::string> AccountStore::entriesAt(const std::string& server) const { return entries_.at(server); }

void AccountStore::forgetEarlierDevices(const std::vector<std::string>& ids) const noexcept {
  entries_.forget(ids);
  auto kept = defaults_->stringsOfArray(earlierDevicesKey).value_or(std::vector<std::string>{});
  const auto before = kept.size();
  std::erase_if(kept, [&](const std::string& id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); });
  if (kept.size() == before) return;
  try {
    defaults_->setStringArray(kept, earlierDevicesKey);
  } catch (const std::exception&) {
    // Remembered a little longer, an entry that is gone costs only a request that finds nothing.
    log::dropped(log::Area::account, "An earlier device entry of this Mac cannot be forgotten");
  }
}

void AccountStore::recordStoredDevice() const noexcept {
  try {
    const auto current = defaults_->stringValue(deviceIDKey);
    if (current && !current->empty()) entries_.add(server().value_or(""), *current);
  } catch (...) {
    log::dropped(log::Area::account, "This Mac's device entry cannot be recorded");
  }
}

}  // namespace amberloom
