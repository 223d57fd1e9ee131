#pragma once
// One Mac for the account tests: its preferences in memory, its keychain items in the test's home,
// and an account model over a given server. Polls run every 40 ms unless a test says otherwise.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "Account/AccountModel.hpp"
#include "MemoryUserDefaults.hpp"
#include "Platform/SecretStore.hpp"
#include "Support/HttpSession.hpp"
#include "TestHome.hpp"

// QTest's own waiting macros report to QTest, not to GoogleTest.
#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return (condition); }, 60000)) << #condition

namespace amberloom::testing {

using ui::AccountModel;

// Where nothing listens: every request fails as offline.
inline const std::string nowhere = "http://127.0.0.1:1/api/v1";

struct AccountMac {
  std::shared_ptr<platform::SecretStore> secrets = std::make_shared<platform::FileSecretStore>(home() + "/keys");
  std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();

  std::string name = "Test Mac";  // this Mac's name now
  AccountStore store() const { return AccountStore("tv.winterbrae.amberloom", "device-token", defaults, secrets); }
  static AccountClient client(const std::string& base) {
    return AccountClient(base, std::make_shared<CurlHttpSession>());
  }
  std::unique_ptr<AccountModel> model(const std::string& base,
                                      std::chrono::milliseconds pollInterval = std::chrono::milliseconds(40),
                                      std::chrono::milliseconds waitLimit = std::chrono::minutes(15)) const {
    return std::make_unique<AccountModel>(client(base), store(), name, "HW-THIS",
                                          AccountModel::Timing{pollInterval, waitLimit});
  }
};

inline void startSignIn(AccountModel& model, const QString& typed) {
  model.setEmail(typed);
  model.signIn();
}

}  // namespace amberloom::testing
