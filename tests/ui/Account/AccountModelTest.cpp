// The account model against the local account server and against scripted answers: signing in by
// the mailed link, giving up the wait, the account's Macs, signing out, deleting the account and
// the sentence each failure ends in. Polls run every 40 ms here instead of every 2 seconds.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "Account/AccountModel.hpp"
#include "AccountServerProcess.hpp"
#include "MemoryUserDefaults.hpp"
#include "Platform/SecretStore.hpp"
#include "ScriptedServer.hpp"
#include "Support/HttpSession.hpp"
#include "TestHome.hpp"

using amberloom::AccountClient;
using amberloom::AccountStore;
using amberloom::AccountStoreError;
using amberloom::CurlHttpSession;
using amberloom::testing::AccountServerProcess;
using amberloom::testing::httpGet;
using amberloom::testing::ScriptedServer;
using amberloom::ui::AccountModel;

namespace {

constexpr auto fast = AccountModel::Timing{std::chrono::milliseconds(40), std::chrono::seconds(30)};
// Where nothing listens: every request fails as offline.
const std::string nowhere = "http://127.0.0.1:1/api/v1";

// A secret store that refuses every new item.
class RefusingSecretStore final : public amberloom::platform::SecretStore {
 public:
  std::optional<std::string> read(const std::string&, const std::string&) const override { return std::nullopt; }
  int add(const std::string&, const std::string&, const std::string&) override { return ioError; }
  int remove(const std::string&, const std::string&) override { return success; }
};

struct Mac {
  std::shared_ptr<amberloom::platform::SecretStore> secrets =
      std::make_shared<amberloom::platform::FileSecretStore>(amberloom::testing::home() + "/keys");
  std::shared_ptr<amberloom::testing::MemoryUserDefaults> defaults =
      std::make_shared<amberloom::testing::MemoryUserDefaults>();

  AccountStore store() const { return AccountStore("tv.winterbrae.amberloom", "device-token", defaults, secrets); }
  std::unique_ptr<AccountModel> model(const std::string& base, AccountModel::Timing timing = fast) const {
    return std::make_unique<AccountModel>(client(base), store(), "Test Mac", "HW-THIS", timing);
  }
  static AccountClient client(const std::string& base) {
    return AccountClient(base, std::make_shared<CurlHttpSession>());
  }
};

void startSignIn(AccountModel& model, const QString& typed) {
  model.setEmail(typed);
  model.signIn();
}

// QTest's own waiting macros report to QTest, not to GoogleTest.
#define ASSERT_EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return (condition); }, 10000)) << #condition

// Lets queued answers and timers run for a while.
void settle(int milliseconds = 400) { QTest::qWait(milliseconds); }

}  // namespace

TEST(AccountModel, signsInByTheMailedLinkThenLoadsTheMacsAndSignsOut) {
  AccountServerProcess server;
  Mac mac;
  auto model = mac.model(server.apiBase());
  EXPECT_EQ(model->state(), AccountModel::SignedOut);

  startSignIn(*model, QStringLiteral("  Ada@Example.COM\n"));
  EXPECT_EQ(model->state(), AccountModel::Sending);
  ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
  EXPECT_EQ(model->stateEmail(), QStringLiteral("ada@example.com")) << "sent trimmed and in lower case";
  EXPECT_EQ(model->email(), QStringLiteral("  Ada@Example.COM\n")) << "the field keeps what was typed";
  settle();
  EXPECT_EQ(model->state(), AccountModel::Waiting) << "nothing confirmed yet";

  httpGet(server.outboxLink("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedIn);
  EXPECT_EQ(model->stateEmail(), QStringLiteral("ada@example.com"));
  EXPECT_FALSE(model->hasMessage());
  ASSERT_TRUE(model->session());

  // The next start finds the session.
  auto restarted = mac.model(server.apiBase());
  EXPECT_EQ(restarted->state(), AccountModel::SignedIn);
  EXPECT_EQ(restarted->email(), QStringLiteral("ada@example.com"));

  model->loadAccount();
  ASSERT_EVENTUALLY(model->devices().size() == 1u);
  EXPECT_EQ(model->devices()[0].name, "Test Mac");
  EXPECT_EQ(model->devices()[0].id, model->session()->deviceID);

  model->signOut();
  EXPECT_EQ(model->state(), AccountModel::SignedOut);
  EXPECT_FALSE(model->session());
  EXPECT_FALSE(mac.store().stored());
  EXPECT_EQ(model->email(), QStringLiteral("  Ada@Example.COM\n"));
}

TEST(AccountModel, aWaitThatWasGivenUpSignsNobodyIn) {
  {
    // The link is opened after the user gave up: no later poll collects it.
    AccountServerProcess server;
    Mac mac;
    auto model = mac.model(server.apiBase());
    startSignIn(*model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
    model->cancelWaiting();
    EXPECT_EQ(model->state(), AccountModel::SignedOut);
    httpGet(server.outboxLink("ada@example.com"));
    settle();
    EXPECT_EQ(model->state(), AccountModel::SignedOut);
    EXPECT_FALSE(model->hasMessage());
    EXPECT_FALSE(mac.store().stored());
  }
  {
    // A poll already on its way when the user gives up: its answer is dropped, even when broken off.
    ScriptedServer server;
    Mac mac;
    auto model = mac.model(server.url("/api/v1"));
    server.answer({202, ""});
    startSignIn(*model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
    server.answer({200, "", true});
    const auto sent = server.received().size();
    ASSERT_EVENTUALLY(server.received().size() > sent);
    model->cancelWaiting();
    settle();
    EXPECT_EQ(model->state(), AccountModel::SignedOut);
    EXPECT_FALSE(model->hasMessage()) << model->message().toStdString();
  }
}

TEST(AccountModel, theWaitGivesUpWhenItsTimeIsOver) {
  EXPECT_EQ(AccountModel::Timing{}.waitLimit, std::chrono::minutes(15)) << "as long as the link is valid";
  AccountServerProcess server;
  Mac mac;
  auto model = mac.model(server.apiBase(), {std::chrono::milliseconds(40), std::chrono::milliseconds(300)});
  startSignIn(*model, QStringLiteral("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
  EXPECT_EQ(model->message(), AccountModel::linkNotConfirmed);
}

TEST(AccountModel, removesMacsAndDeletesTheAccount) {
  AccountServerProcess server;
  Mac mac;
  auto model = mac.model(server.apiBase());
  const auto signIn = [&] {
    startSignIn(*model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
    httpGet(server.outboxLink("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::SignedIn);
  };
  signIn();
  const auto other = server.signIn(Mac::client(server.apiBase()), "ada@example.com", "HW-OTHER", "Other Mac");
  model->loadAccount();
  ASSERT_EVENTUALLY(model->devices().size() == 2u);

  // Another Mac: the list is loaded again, this Mac stays signed in.
  model->removeDevice(QString::fromStdString(other.deviceID));
  ASSERT_EVENTUALLY(model->devices().size() == 1u);
  EXPECT_EQ(model->devices()[0].name, "Test Mac");
  EXPECT_EQ(model->state(), AccountModel::SignedIn);

  // This Mac: signed out here.
  model->removeDevice(QString::fromStdString(model->session()->deviceID));
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
  EXPECT_FALSE(model->session());

  signIn();
  const std::string token = model->session()->token;
  model->deleteAccount();
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
  EXPECT_FALSE(model->session());
  EXPECT_THROW(Mac::client(server.apiBase()).account(token), AccountClient::Failure);
}

TEST(AccountModel, eachFailureEndsInItsSentence) {
  const std::string offline = "There seems to be no internet connection. Your settings keep working on this Mac.";
  struct Case {
    const char* what;
    std::optional<ScriptedServer::Answer> answer;  // none: nothing listens
    std::string message;
  };
  const Case cases[] = {
      {"server error", ScriptedServer::Answer{500, R"({"error":"maintenance"})"},
       "The server could not complete the request (500, maintenance)."},
      {"too many", ScriptedServer::Answer{429, ""}, "Too many attempts. Try again in a few minutes."},
      {"stale session", ScriptedServer::Answer{401, ""}, "This session is no longer valid. Please sign in again."},
      // The link request takes any 2xx; the poll cannot read the answer.
      {"garbage", ScriptedServer::Answer{200, "<html>"}, "The server could not complete the request (200, cozumlenemedi)."},
      {"server down", std::nullopt, offline},
  };
  for (const Case& c : cases) {
    ScriptedServer server;
    if (c.answer) server.answer(*c.answer);
    Mac mac;
    auto model = mac.model(c.answer ? server.url("/api/v1") : nowhere);
    startSignIn(*model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut && model->hasMessage());
    EXPECT_EQ(model->message().toStdString(), c.message) << c.what;
  }

  // A session the keychain will not take leaves the Mac signed out with the store's sentence.
  ScriptedServer server;
  server.answer({200, R"({"device_token":"t","device_id":"D-1"})"});
  Mac refusing;
  refusing.secrets = std::make_shared<RefusingSecretStore>();
  auto model = refusing.model(server.url("/api/v1"));
  startSignIn(*model, QStringLiteral("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut && model->hasMessage());
  EXPECT_EQ(model->message().toStdString(), AccountStoreError(amberloom::platform::SecretStore::ioError).what());
  EXPECT_FALSE(refusing.store().stored());

  // Errors that are not the server's speak for themselves.
  EXPECT_EQ(AccountModel::describe(std::make_exception_ptr(AccountClient::Failure::revisionStale())).toStdString(),
            AccountClient::Failure::revisionStale().what());
  EXPECT_EQ(AccountModel::describe(std::make_exception_ptr(std::runtime_error("disk full"))), QStringLiteral("disk full"));
}

TEST(AccountModel, loadingReportsFailuresButALoadBrokenOffChangesNothing) {
  ScriptedServer server;
  Mac mac;
  mac.store().save("token", "ada@example.com", "D-1");
  auto model = mac.model(server.url("/api/v1"));
  ASSERT_EQ(model->state(), AccountModel::SignedIn);

  server.answer({401, ""});
  model->loadAccount();
  ASSERT_EVENTUALLY(model->message() == QStringLiteral("This session is no longer valid. Please sign in again."));

  // Leaving the page while the server is silent: the message stays what it was.
  server.answer({200, "", true});
  const auto sent = server.received().size();
  model->loadAccount();
  ASSERT_EVENTUALLY(server.received().size() > sent);
  model->cancelLoading();
  settle();
  EXPECT_EQ(model->message(), QStringLiteral("This session is no longer valid. Please sign in again."));
  EXPECT_TRUE(model->devices().empty());
}

TEST(AccountModel, takesOnlyAnAddressThatLooksComplete) {
  const std::pair<const char*, bool> addresses[] = {
      {"a@b", false}, {"a@bc", true}, {"abcd", false}, {"  a@b \n", false}, {"", false}, {" A@BC ", true},
  };
  Mac mac;
  for (const auto& [typed, accepted] : addresses) {
    auto model = mac.model(nowhere);
    startSignIn(*model, QString::fromUtf8(typed));
    EXPECT_EQ(model->state(), accepted ? AccountModel::Sending : AccountModel::SignedOut) << typed;
    EXPECT_EQ(model->message(), accepted ? QString() : AccountModel::incompleteAddress) << typed;
  }
}
