#pragma once
// The signed-in session of this Mac: the device token in the secret store (the keychain item of
// service/account), the account's address and this Mac's device id in the application's
// preferences. It holds no session data itself: every access reads the stores afresh, so copies
// in different threads and processes always agree. Signed in means all three are present.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

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

  // Replaces the secret, then records the address and the device id. Throws AccountStoreError when
  // the secret cannot be added (the old one is gone then, the preferences untouched); throws the
  // preferences' error when they cannot be written.
  void save(const std::string& token, const std::string& email, const std::string& deviceID) const;
  // Removes the secret and both preference keys; never fails.
  void clear() const;

 private:
  std::string service_;
  std::string account_;
  UserDefaultsRef defaults_;
  std::shared_ptr<platform::SecretStore> secrets_;
};

}  // namespace amberloom
