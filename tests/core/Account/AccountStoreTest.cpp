#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "Account/AccountStore.hpp"
#include "Account/MachineIdentity.hpp"
#include "Platform/AtomicFile.hpp"
#include "MemoryUserDefaults.hpp"
#include "SmallDisk.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using namespace amberloom::testing;

namespace {

const char* const kService = "tv.winterbrae.amberloom.session";
const char* const kAccount = "device-token";

// A secret store whose additions fail with a chosen status.
class RefusingSecretStore final : public platform::SecretStore {
 public:
  explicit RefusingSecretStore(int status) : status_(status) {}
  std::optional<std::string> read(const std::string&, const std::string&) const override { return secret; }
  int add(const std::string&, const std::string&, const std::string&) override { return status_; }
  int remove(const std::string&, const std::string&) override {
    secret.reset();
    return success;
  }
  std::optional<std::string> secret = "old-token";

 private:
  int status_;
};

bool isUpperCaseUUID(const std::string& text) {
  return std::regex_match(text, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}"));
}

}  // namespace

TEST(AccountStore, SignedInOnlyWithTheSecretAndBothKeys) {
  const std::string folder = home() + "/secrets";
  const auto secrets = std::make_shared<platform::FileSecretStore>(folder);
  struct Case {
    const char* what;
    std::optional<PreferenceValue> email, deviceID;
    std::optional<std::string> secret;
    bool storedPresent, tokenPresent;
  };
  const auto text = [](const char* value) { return PreferenceValue::string(value); };
  const Case cases[] = {
      {"nothing", std::nullopt, std::nullopt, std::nullopt, false, false},
      {"address only", text("a@b.c"), std::nullopt, "tok", false, true},
      {"device id only", std::nullopt, text("D1"), "tok", false, true},
      {"device id not a string", text("a@b.c"), PreferenceValue::integer(1), "tok", false, true},
      {"no secret", text("a@b.c"), text("D1"), std::nullopt, true, false},
      {"secret not UTF-8", text("a@b.c"), text("D1"), std::string("to\xC3k", 4), true, false},
      {"everything", text("a@b.c"), text("D1"), "tok", true, true},
  };
  for (const auto& c : cases) {
    const auto defaults = std::make_shared<MemoryUserDefaults>();
    const AccountStore store(kService, kAccount, defaults, secrets);
    store.clear();
    defaults->set(c.email, AccountStore::emailKey);
    defaults->set(c.deviceID, AccountStore::deviceIDKey);
    if (c.secret) {
      ASSERT_EQ(secrets->add(kService, kAccount, *c.secret), platform::SecretStore::success);
    }
    EXPECT_EQ(store.stored().has_value(), c.storedPresent) << c.what;
    EXPECT_EQ(store.token().has_value(), c.tokenPresent) << c.what;
    EXPECT_EQ(store.isSignedIn(), c.storedPresent && c.tokenPresent) << c.what;
  }

  const auto defaults = std::make_shared<MemoryUserDefaults>();
  defaults->setString("FALLBACK", MachineIdentity::fallbackKey);
  defaults->setInteger(7, "sync.serverRevision");
  const AccountStore store(kService, kAccount, defaults, secrets);
  store.save("first", "a@b.c", "D1", "https://one.example/api/v1");
  store.save("second", "c@d.e", "D2", "https://two.example/api/v1");
  EXPECT_EQ(filesBelow(folder).size(), 1u);
  EXPECT_EQ(store.token(), "second");
  EXPECT_EQ(store.stored(), (AccountStore::Stored{"c@d.e", "D2"}));

  store.clear();
  store.clear();
  EXPECT_FALSE(store.isSignedIn());
  EXPECT_TRUE(filesBelow(folder).empty());
  EXPECT_FALSE(defaults->value(AccountStore::emailKey));
  EXPECT_EQ(defaults->stringValue(MachineIdentity::fallbackKey), "FALLBACK");
  EXPECT_EQ(defaults->integerValue("sync.serverRevision"), 7);
}

// Every sign-in and sign-out leaves the device id held so far among the earlier ones, newest last,
// never the current one, never twice, and at most the newest sixteen.
TEST(AccountStore, RemembersTheDeviceEntriesThisMacHeldBefore) {
  const auto defaults = std::make_shared<MemoryUserDefaults>();
  const AccountStore store(kService, kAccount, defaults,
                           std::make_shared<platform::FileSecretStore>(home() + "/earlier-secrets"));
  using IDs = std::vector<std::string>;
  const auto save = [&](const std::string& id) { store.save("token-" + id, "a@b.c", id, "https://one.example/api/v1"); };
  const struct {
    const char* step;
    std::function<void()> act;
    IDs earlier;
  } steps[] = {
      {"first sign-in", [&] { save("D1"); }, {}},
      {"signed in again", [&] { save("D2"); }, {"D1"}},
      {"signed out", [&] { store.clear(); }, {"D1", "D2"}},
      {"signed out twice", [&] { store.clear(); }, {"D1", "D2"}},
      {"an id held before comes back", [&] { save("D1"); }, {"D2"}},
      {"entries taken off the account", [&] { store.forgetEarlierDevices({"D2", "D9"}); }, {}},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(store.earlierDeviceIDs(), s.earlier) << s.step;
  }
  for (int i = 0; i < 20; ++i) save("E" + std::to_string(i));
  const auto kept = store.earlierDeviceIDs();
  // The current entry is one of those kept.
  ASSERT_EQ(kept.size(), DeviceEntries::keptPerServer - 1);
  EXPECT_EQ(kept.front(), "E4");
  EXPECT_EQ(kept.back(), "E18");
}

TEST(AccountStore, AFailedAddThrowsItsStatusAndLeavesThePreferences) {
  const auto defaults = std::make_shared<MemoryUserDefaults>();
  defaults->setString("old@b.c", AccountStore::emailKey);
  const auto secrets = std::make_shared<RefusingSecretStore>(platform::SecretStore::ioError);
  const AccountStore store(kService, kAccount, defaults, secrets);
  try {
    store.save("new", "new@b.c", "D9", "https://one.example/api/v1");
    FAIL() << "saved without a secret";
  } catch (const AccountStoreError& error) {
    EXPECT_EQ(error.code(), -36);
    EXPECT_STREQ(AccountStoreError::domain, "AmberLoom.AccountStore");
    EXPECT_STREQ(error.what(), "Oturum bu Mac'e kaydedilemedi (Keychain hatasi -36).");
  }
  EXPECT_EQ(defaults->stringValue(AccountStore::emailKey), "old@b.c");
  EXPECT_FALSE(defaults->value(AccountStore::deviceIDKey));
  EXPECT_FALSE(secrets->secret);  // the old item went first, as the keychain's replace does
}

// The real stores with ~/Library/Preferences on a full disk of its own: the token still fits in the
// keychain folder, the account's keys do not. The sign-in fails as a whole: no token is left behind.
TEST(AccountStore, ASessionWhoseKeysCannotBeStoredLeavesNoTokenBehind) {
  SmallDisk preferences(home() + "/Library/Preferences", 1 << 20);
  if (!preferences.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
  preferences.fill();
  const AccountStore store(kService, kAccount, StoreUserDefaults::standard());
  EXPECT_THROW(store.save("token-1", "ada@b.c", "D1", "https://one.example/api/v1"), platform::FileWriteError);
  EXPECT_FALSE(store.token());
  EXPECT_TRUE(filesBelow(home() + "/Library/Keychains").empty());
}

TEST(FileSecretStore, KeepsEachItemPrivateAndInsideItsFolder) {
  const std::string root = home() + "/private-items";
  const std::string folder = root + "/Keychains/AmberLoom";
  std::filesystem::create_directories(folder);
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);  // made too wide by someone else
  platform::FileSecretStore store(folder);

  const std::pair<std::string, std::string> items[] = {{"..", ".."}, {"a/b", "c"}, {"a", "b/c"}, {"a,b", "c"}, {"a", "b,c"}};
  for (const auto& [service, account] : items)
    ASSERT_EQ(store.add(service, account, service + "|" + account), platform::SecretStore::success) << service;
  EXPECT_EQ(store.add("a", "b/c", "again"), platform::SecretStore::duplicateItem);
  EXPECT_EQ(filesBelow(folder).size(), std::size(items));
  EXPECT_EQ(filesBelow(root).size(), std::size(items));
  for (const auto& [service, account] : items) {
    EXPECT_EQ(store.read(service, account), service + "|" + account);
    struct stat info {};
    ASSERT_EQ(::stat(store.itemPath(service, account).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
  }
  struct stat info {};
  ASSERT_EQ(::stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(MachineIdentity, TheFallbackIsMadeOnceAndKeptAcrossRuns) {
  MemoryUserDefaults untouched;
  EXPECT_EQ(MachineIdentity::hardwareID("1234ABCD-0000-0000-0000-000000000000", untouched),
            "1234ABCD-0000-0000-0000-000000000000");
  EXPECT_FALSE(untouched.value(MachineIdentity::fallbackKey));

  // Each run builds its own view of the live preferences.
  const std::string first = MachineIdentity::hardwareID(std::nullopt, *StoreUserDefaults::standard());
  EXPECT_TRUE(isUpperCaseUUID(first)) << first;
  EXPECT_EQ(MachineIdentity::hardwareID(std::nullopt, *StoreUserDefaults::standard()), first);
  EXPECT_EQ(StoreUserDefaults::standard()->stringValue(MachineIdentity::fallbackKey), first);
  EXPECT_TRUE(isUpperCaseUUID(MachineIdentity::hardwareID()));
}
