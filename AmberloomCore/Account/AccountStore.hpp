#pragma once
// The signed-in session of this Mac: the device token in the secret store (the keychain item of
// service/account), the account's address, this Mac's device id and the account server that
// issued the token in the application's preferences. It holds no session data itself: every access
// reads the stores afresh, so copies in different threads and processes always agree. Signed in
// means the token, the address and the device id are present; a session is handed out only for the
// server that issued it, so a token never reaches another host.
//
// Every sign-in gives this Mac a device entry of its own. Each is recorded apart from the
// preferences (DeviceEntries) until it is known to be off its account, so that this Mac never takes
// its own earlier entry and document for another Mac's, and can take them off the account, also
// after its preferences were damaged or its files removed.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Account/AccountClient.hpp"
#include "Account/DeviceEntries.hpp"
#include "Platform/SecretStore.hpp"
#include "Preferences/UserDefaults.hpp"

namespace amberloom {

// The session could not be saved: domain "AmberLoom.AccountStore", the secret store's status as
// the code, and the sentence the user sees as `what()`.
class AccountStoreError : public std::runtime_error {
 public:
  static constexpr const char* domain = "AmberLoom.AccountStore";
  explicit AccountStoreError(int code);
  int code() const { return code_; }

 private:
  int code_;
};

class AccountStore {
 public:
  struct Stored {
    std::string email;
    std::string deviceID;
    bool operator==(const Stored&) const = default;
  };

  static constexpr const char* emailKey = "account.email";
  static constexpr const char* deviceIDKey = "account.deviceID";
  // The API base of the account server that issued the token, as the client was given it.
  static constexpr const char* serverKey = "account.server";
  // Where earlier versions remembered the device ids this Mac held before its current one; still
  // read, never written.
  static constexpr const char* earlierDevicesKey = "account.earlierDeviceIDs";

  // Stores the fields; touches no store. `secrets` is the running user's secret store unless a test
  // hands in another; `entries` the record of this Mac's device entries, kept in `defaults` itself
  // unless given (the application keeps DeviceEntries::standard()).
  AccountStore(std::string service, std::string account, UserDefaultsRef defaults,
               std::shared_ptr<platform::SecretStore> secrets = platform::SecretStore::standard(),
               std::optional<DeviceEntries> entries = std::nullopt);
  // The application's session: "tv.winterbrae.amberloom.session", "device-token", the standard
  // preferences, the running user's secret store and the live record of device entries.
  static AccountStore standard();

  const std::string& service() const { return service_; }
  const std::string& account() const { return account_; }
  const UserDefaultsRef& defaults() const { return defaults_; }

  // Both preference keys as strings, else none.
  std::optional<Stored> stored() const;
  // The secret as text; none when absent, unreadable or not valid UTF-8.
  std::optional<std::string> token() const;
  bool isSignedIn() const { return stored() && token(); }
  // The account server that issued the token; none for a session saved without one.
  std::optional<std::string> server() const;
  // The token and this Mac's device id, only while signed in with a token that `server` (an
  // account client's base) issued; none otherwise, a session of another server included.
  std::optional<AccountClient::Session> session(const std::string& server) const;

  // Forgets the issuing server, replaces the secret, records the address and the device id, and
  // then `server`, so that a save cut short leaves no session to present anywhere; the device id
  // is recorded among this Mac's entries at `server` first. Throws AccountStoreError when the secret
  // cannot be added (the old one is gone then); throws the preferences' error when they cannot be
  // written, after taking the new secret out again.
  void save(const std::string& token, const std::string& email, const std::string& deviceID,
            const std::string& server) const;
  // Keeps the stored device id among this Mac's entries (it stays listed on the account), then
  // removes the secret and the preference keys; never throws. False when this Mac is still signed in afterwards (neither the
  // secret nor the keys could be removed, as on a read-only home), so the next start would find
  // the session again.
  bool clear() const noexcept;

  // The device ids this Mac held before, at any server, oldest first; never the stored one.
  std::vector<std::string> earlierDeviceIDs() const;
  // This Mac's entries at `server` that may still be listed there, the stored one included.
  std::vector<std::string> entriesAt(const std::string& server) const;
  // Forgets device ids that no account holds any longer; never throws.
  void forgetEarlierDevices(const std::vector<std::string>& ids) const noexcept;
  // Records the stored device id among this Mac's entries, for a session saved by a version that
  // kept no such record; never throws.
  void recordStoredDevice() const noexcept;

 private:
  std::string service_;
  std::string account_;
  UserDefaultsRef defaults_;
  std::shared_ptr<platform::SecretStore> secrets_;
  DeviceEntries entries_;
};

}  // namespace amberloom
