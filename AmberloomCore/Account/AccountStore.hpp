#pragma once
// The signed-in session of this Mac: the device token in the secret store (the keychain item of
// service/account), the account's address, this Mac's device id and the account server that
// issued the token in the application's preferences. It holds no session data itself: every access
// reads the stores afresh, so copies in different threads and processes always agree. Signed in
// means the token, the address and the device id are present; a session is handed out only for the
// server that issued it, so a token never reaches another host.
//
// Every sign-in gives this Mac a device entry of its own. The entries it held before (signed out
// since, or signed in at another server) are remembered, so that this Mac never takes its own
// earlier entry and document for another Mac's, and can take them off the account.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Account/AccountClient.hpp"
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
  // The device ids this Mac held before its current one, oldest first.
  static constexpr const char* earlierDevicesKey = "account.earlierDeviceIDs";
  // How many earlier device ids are remembered: the oldest are forgotten first.
  static constexpr std::size_t earlierDevicesKept = 16;

  // Stores the fields; touches neither store. `secrets` is the running user's secret store unless
  // a test hands in another.
  AccountStore(std::string service, std::string account, UserDefaultsRef defaults,
               std::shared_ptr<platform::SecretStore> secrets = platform::SecretStore::standard());

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

  // Remembers the device id stored so far among the earlier ones, forgets the issuing server,
  // replaces the secret, records the address and the device id, and then `server`, so that a save
  // cut short leaves no session to present anywhere. Throws AccountStoreError when the secret
  // cannot be added (the old one is gone then); throws the preferences' error when they cannot be
  // written, after taking the new secret out again.
  void save(const std::string& token, const std::string& email, const std::string& deviceID,
            const std::string& server) const;
  // Remembers the stored device id among the earlier ones, then removes the secret and the
  // preference keys; never throws. False when this Mac is still signed in afterwards (neither the
  // secret nor the keys could be removed, as on a read-only home), so the next start would find
  // the session again.
  bool clear() const noexcept;

  // The device ids this Mac held before, oldest first; never the stored one.
  std::vector<std::string> earlierDeviceIDs() const;
  // Forgets earlier device ids that no account holds any longer; never throws.
  void forgetEarlierDevices(const std::vector<std::string>& ids) const noexcept;

 private:
  // Adds the stored device id to the earlier ones; a failure to write only costs the memory.
  void rememberStoredDevice() const;
  void storeEarlierDevices(const std::vector<std::string>& ids) const;

  std::string service_;
  std::string account_;
  UserDefaultsRef defaults_;
  std::shared_ptr<platform::SecretStore> secrets_;
};

}  // namespace amberloom
