// The account model against the local account server and against scripted answers: signing in by
// the mailed link, giving up the wait, the account's Macs, signing out, deleting the account and
// the sentence each failure ends in.

#include <atomic>
#include <filesystem>

#include "AccountFixture.hpp"
#include "AccountServerProcess.hpp"
#include "ScriptedServer.hpp"
#include "SmallDisk.hpp"

using namespace amberloom::testing;
using amberloom::AccountClient;

namespace {

std::string messageOf(const AccountModel& model) { return model.message().toStdString(); }

void signInByLink(AccountModel& model, const AccountServerProcess& server) {
  startSignIn(model, QStringLiteral("ada@example.com"));
  ASSERT_EVENTUALLY(model.state() == AccountModel::Waiting);
  confirmLink(server.outboxLink("ada@example.com"));
  ASSERT_EVENTUALLY(model.state() == AccountModel::SignedIn);
}

// From now on the server never finishes an answer; returns once `send` has made a request reach it.
void awaitUnansweredRequest(ScriptedServer& server, const std::function<void()>& send) {
  server.answer({200, "", true});
  const auto sent = server.received().size();
  send();
  ASSERT_EVENTUALLY(server.received().size() > sent);
}

}  // namespace

TEST(AccountModel, signsInByTheMailedLinkThenLoadsTheMacsAndSignsOut) {
  AccountServerProcess server;
  AccountMac mac;
  auto model = mac.model(server.apiBase());
  startSignIn(*model, QStringLiteral("  Ada@Example.COM\n"));
  EXPECT_EQ(model->state(), AccountModel::Sending);
  ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
  EXPECT_EQ(model->stateEmail(), QStringLiteral("ada@example.com")) << "sent trimmed and in lower case";
  EXPECT_EQ(model->email(), QStringLiteral("  Ada@Example.COM\n")) << "the field keeps what was typed";
  QTest::qWait(300);
  EXPECT_EQ(model->state(), AccountModel::Waiting) << "nothing confirmed yet";

  confirmLink(server.outboxLink("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedIn);
  EXPECT_EQ(model->stateEmail(), QStringLiteral("ada@example.com"));
  EXPECT_EQ(mac.model(server.apiBase())->state(), AccountModel::SignedIn) << "the next start finds the session";

  model->loadAccount();
  ASSERT_EVENTUALLY(model->devices().size() == 1u);
  EXPECT_EQ(model->devices()[0].name, "Test Mac");

  model->signOut();
  EXPECT_EQ(model->state(), AccountModel::SignedOut);
  EXPECT_FALSE(model->session());
  EXPECT_FALSE(mac.store().stored());
}

// Signing out on the real stores with ~/Library on a disk of its own: a full disk still lets the
// device token go, so the next start is signed out; a read-only one keeps the whole session, and
// the user is told it will be back instead of being shown a plain sign-out.
TEST(AccountModel, signingOutSaysSoWhenThisMacCannotForgetTheSession) {
  struct Case {
    const char* disk;
    bool readOnly;
    bool forgotten;
  };
  for (const Case& c : {Case{"full", false, true}, Case{"read-only", true, false}}) {
    SCOPED_TRACE(c.disk);
    SmallDisk library(home() + "/Library", 1 << 20);
    if (!library.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
    AccountServerProcess server;
    const amberloom::AccountStore store("tv.winterbrae.amberloom.session", "device-token",
                                        amberloom::StoreUserDefaults::standard());
    const auto model = [&] {
      return std::make_unique<AccountModel>(AccountMac::client(server.apiBase()), store, "Test Mac", "HW-THIS",
                                            AccountModel::Timing{std::chrono::milliseconds(40), std::chrono::minutes(15)});
    };
    auto signedIn = model();
    signInByLink(*signedIn, server);
    if (c.readOnly)
      library.setReadOnly(true);
    else
      library.fill();

    signedIn->signOut();
    EXPECT_EQ(signedIn->state(), AccountModel::SignedOut);
    EXPECT_EQ(model()->state(), c.forgotten ? AccountModel::SignedOut : AccountModel::SignedIn) << "the next start";
    if (c.forgotten)
      EXPECT_EQ(messageOf(*signedIn), "");
    else
      EXPECT_EQ(messageOf(*signedIn), "AmberLoom could not forget the session on this Mac and will be signed in "
                                      "again when it next opens. Sign out again once your Library folder can be "
                                      "written to.");
  }
}

TEST(AccountModel, aWaitThatWasGivenUpSignsNobodyIn) {
  {
    // The link is opened after the user gave up: no later poll collects it.
    AccountServerProcess server;
    AccountMac mac;
    auto model = mac.model(server.apiBase());
    startSignIn(*model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
    model->cancelWaiting();
    confirmLink(server.outboxLink("ada@example.com"));
    QTest::qWait(300);
    EXPECT_EQ(model->state(), AccountModel::SignedOut);
    EXPECT_FALSE(mac.store().stored());
  }
  // A poll already on its way when the user gives up: its answer (here the broken-off transfer)
  // is dropped.
  ScriptedServer server;
  AccountMac mac;
  auto model = mac.model(server.url("/api/v1"));
  server.answer({202, ""});
  startSignIn(*model, QStringLiteral("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
  ASSERT_NO_FATAL_FAILURE(awaitUnansweredRequest(server, [] {}));
  model->cancelWaiting();
  QTest::qWait(300);
  EXPECT_EQ(model->state(), AccountModel::SignedOut);
  EXPECT_FALSE(model->hasMessage()) << messageOf(*model);
}

TEST(AccountModel, theWaitLastsAsLongAsTheLinkIsValid) {
  EXPECT_EQ(AccountModel::Timing{}.waitLimit, std::chrono::minutes(15));
  AccountServerProcess server;
  auto model = AccountMac().model(server.apiBase(), std::chrono::milliseconds(40), std::chrono::milliseconds(300));
  startSignIn(*model, QStringLiteral("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
  EXPECT_EQ(model->message(), AccountModel::linkNotConfirmed);
}

TEST(AccountModel, aSignInTheServerForgotAtTheEndOfTheWaitReadsAsUnconfirmed) {
  const struct {
    std::chrono::milliseconds pollInterval, waitLimit;
    std::string message;
  } cases[] = {
      {std::chrono::milliseconds(200), std::chrono::milliseconds(100), AccountModel::linkNotConfirmed.toStdString()},
      // Early in the wait the server's answer is worded as it came.
      {std::chrono::milliseconds(40), std::chrono::minutes(10),
       "The server could not complete the request (404, sign_in_not_found)."},
  };
  for (const auto& c : cases) {
    ScriptedServer server;
    AccountMac mac;
    auto model = mac.model(server.url("/api/v1"), c.pollInterval, c.waitLimit);
    server.answer({202, "{}"});
    startSignIn(*model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
    server.answer({404, R"({"error":"sign_in_not_found"})"});
    ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
    EXPECT_EQ(messageOf(*model), c.message);
  }
}

TEST(AccountModel, aSessionOfAnotherServerIsNoSessionHere) {
  AccountMac mac;
  mac.store().save("token", "ada@example.com", "D-1", "https://api.winterbrae.tv/api/v1");
  const auto model = mac.model(nowhere);
  EXPECT_EQ(model->state(), AccountModel::SignedOut);
  EXPECT_FALSE(model->session());
}

// A session this server did not issue (an earlier version kept no server; or the server moved):
// signed out, with the address filled in and the reason said. The new sign-in takes this Mac's
// earlier entry off the account, so that it is listed once and its old document is gone.
TEST(AccountModel, aSessionToSignInAgainKeepsItsAddressAndLeavesNoSecondEntry) {
  AccountServerProcess server;
  AccountMac mac;
  const auto client = AccountMac::client(server.apiBase());
  const auto earlier = server.signIn(client, "ada@example.com", "HW-THIS", "Test Mac");
  client.putDocument(R"({"checksum":"0","deviceID":"THIS","intents":{},"schemaVersion":1})", 0, earlier.token,
                     "HW-THIS");
  const std::string movedFrom = "http://127.0.0.1:9/api/v1";
  const struct {
    const char* what;
    std::optional<std::string> issuer;
    QString message;
  } cases[] = {
      {"an earlier version's", std::nullopt, AccountModel::earlierBuildSession},
      {"another server's", movedFrom, AccountModel::otherServerSession.arg(QString::fromStdString(movedFrom))},
  };
  std::unique_ptr<AccountModel> model;
  for (const auto& c : cases) {
    mac.store().save(earlier.token, "ada@example.com", earlier.deviceID, c.issuer.value_or(""));
    if (!c.issuer) mac.defaults->remove(amberloom::AccountStore::serverKey);
    model = mac.model(server.apiBase());
    EXPECT_EQ(model->state(), AccountModel::SignedOut) << c.what;
    EXPECT_EQ(model->email(), QStringLiteral("ada@example.com")) << c.what;
    EXPECT_EQ(model->message(), c.message) << c.what;
  }

  model->signIn();
  ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
  EXPECT_FALSE(model->hasMessage());
  confirmLink(server.outboxLink("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedIn);
  ASSERT_EVENTUALLY(mac.store().earlierDeviceIDs().empty());
  ASSERT_EQ(model->devices().size(), 1u);
  EXPECT_EQ(model->devices()[0].id, model->session()->deviceID);
  EXPECT_EQ(client.account(model->session()->token).devices.size(), 1u);
  EXPECT_EQ(client.documents(model->session()->token).size(), 0u) << "the earlier entry's document went with it";
}

TEST(AccountModel, removesMacsAndDeletesTheAccount) {
  AccountServerProcess server;
  auto model = AccountMac().model(server.apiBase());
  signInByLink(*model, server);
  const auto other = server.signIn(AccountMac::client(server.apiBase()), "ada@example.com", "HW-OTHER", "Other Mac");
  model->loadAccount();
  ASSERT_EVENTUALLY(model->devices().size() == 2u);

  // Another Mac: the list is loaded again. This Mac: signed out here.
  model->removeDevice(QString::fromStdString(other.deviceID));
  ASSERT_EVENTUALLY(model->devices().size() == 1u);
  EXPECT_EQ(model->devices()[0].name, "Test Mac");
  model->removeDevice(QString::fromStdString(model->session()->deviceID));
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
  EXPECT_FALSE(model->session());

  signInByLink(*model, server);
  const std::string token = model->session()->token;
  model->deleteAccount();
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
  EXPECT_FALSE(model->session());
  EXPECT_THROW(AccountMac::client(server.apiBase()).account(token), AccountClient::Failure);
}

TEST(AccountModel, eachFailureEndsInItsSentence) {
  // A keychain that will not take the session: the Mac stays signed out with the store's sentence.
  struct RefusingSecretStore final : amberloom::platform::SecretStore {
    std::optional<std::string> read(const std::string&, const std::string&) const override { return {}; }
    int add(const std::string&, const std::string&, const std::string&) override { return ioError; }
    int remove(const std::string&, const std::string&) override { return success; }
  };
  struct Case {
    std::optional<ScriptedServer::Answer> answer;  // none: nothing listens
    std::string message;
    bool refusingKeychain = false;
  };
  const Case cases[] = {
      {ScriptedServer::Answer{500, R"({"error":"maintenance"})"},
       "The server could not complete the request (500, maintenance)."},
      // A code of megabytes is cut to one short line rather than handed to the page whole.
      {ScriptedServer::Answer{500, R"({"error":"a)" + std::string(4 << 20, 'x') + R"(z"})"},
       "The server could not complete the request (500, a" + std::string(31, 'x') + "\u2026" +
           std::string(31, 'x') + "z)."},
      {ScriptedServer::Answer{429, ""}, "Too many attempts. Try again in a few minutes."},
      {ScriptedServer::Answer{409, ""},
       "The server already holds a newer copy of this Mac's settings. Sync again to send the ones this Mac has now."},
      {ScriptedServer::Answer{401, ""}, "This session is no longer valid. Please sign in again."},
      // The link request takes any 2xx; the poll cannot read the answer.
      {ScriptedServer::Answer{200, "<html>"}, "The server could not complete the request (200, cozumlenemedi)."},
      {std::nullopt, "There seems to be no internet connection. Your settings keep working on this Mac."},
      {ScriptedServer::Answer{200, R"({"device_token":"t","device_id":"D-1"})"},
       amberloom::AccountStoreError(amberloom::platform::SecretStore::ioError).what(), true},
  };
  for (const Case& c : cases) {
    ScriptedServer server;
    if (c.answer) server.answer(*c.answer);
    AccountMac mac;
    if (c.refusingKeychain) mac.secrets = std::make_shared<RefusingSecretStore>();
    auto model = mac.model(c.answer ? server.url("/api/v1") : nowhere);
    startSignIn(*model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut && model->hasMessage());
    EXPECT_EQ(messageOf(*model), c.message);
    EXPECT_FALSE(mac.store().stored()) << c.message;
  }
}

TEST(AccountModel, leavingOnePageDropsOnlyTheLoadThatPageAskedFor) {
  AccountMac mac;
  auto server = std::make_unique<ScriptedServer>();
  mac.store().save("token", "ada@example.com", "D-1", server->url("/api/v1"));
  auto model = mac.model(server->url("/api/v1"));
  // The account page of the main window and that of the settings window, both waiting.
  int left = 0;
  ASSERT_NO_FATAL_FAILURE(awaitUnansweredRequest(*server, [&] { left = model->loadAccount(); }));
  ASSERT_NO_FATAL_FAILURE(awaitUnansweredRequest(*server, [&] { model->loadAccount(); }));
  model->cancelLoading(left);
  server.reset();  // releases the answers: the page still open hears how its load ended
  ASSERT_EVENTUALLY(model->hasMessage());
}

TEST(AccountModel, anAddressNeedsFourCharactersAsAReaderCountsThem) {
  for (const auto& [typed, sent] : {std::pair{"a@😀", false}, {"a@e\u0301\u0301", false}, {"a@😀😀", true}}) {
    auto model = AccountMac().model(nowhere);
    startSignIn(*model, QString::fromUtf8(typed));
    EXPECT_EQ(model->state() == AccountModel::Sending, sent) << typed;
    EXPECT_EQ(model->message() == AccountModel::incompleteAddress, !sent) << typed;
  }
}

TEST(AccountModel, loadingReportsFailuresButALoadBrokenOffChangesNothing) {
  const std::string stale = "The server could not complete the request (503, maintenance).";
  ScriptedServer server;
  AccountMac mac;
  mac.store().save("token", "ada@example.com", "D-1", server.url("/api/v1"));
  auto model = mac.model(server.url("/api/v1"));
  server.answer({503, R"({"error":"maintenance"})"});
  model->loadAccount();
  ASSERT_EVENTUALLY(messageOf(*model) == stale);

  // Leaving the page while the server is silent: the message stays what it was.
  int load = 0;
  ASSERT_NO_FATAL_FAILURE(awaitUnansweredRequest(server, [&] { load = model->loadAccount(); }));
  model->cancelLoading(load);
  QTest::qWait(300);
  EXPECT_EQ(messageOf(*model), stale);
}

// Another Mac took this one off the account: the next request with its token is refused, and this
// Mac is signed out with the reason and its address kept, whichever request met the refusal. A
// refusal of a token that a later sign-in has replaced changes nothing.
TEST(AccountModel, aRefusedSessionSignsOutWithItsReasonAndKeepsTheAddress) {
  AccountServerProcess server;
  const auto client = AccountMac::client(server.apiBase());
  const struct {
    const char* road;
    std::function<void(AccountModel&, const AccountClient::Session& other)> meet;
  } roads[] = {
      {"the account page", [](AccountModel& model, const AccountClient::Session&) { model.loadAccount(); }},
      {"removing another Mac",
       [](AccountModel& model, const AccountClient::Session& other) {
         model.removeDevice(QString::fromStdString(other.deviceID));
       }},
      {"deleting the account", [](AccountModel& model, const AccountClient::Session&) { model.deleteAccount(); }},
      {"a sync of this Mac's settings",
       [](AccountModel& model, const AccountClient::Session&) { model.refusalListener()(model.session()->token); }},
  };
  int account = 0;
  for (const auto& road : roads) {
    SCOPED_TRACE(road.road);
    // An account of its own for each road: the server sends an address only so many links a minute.
    const std::string email = "ada" + std::to_string(++account) + "@example.com";
    AccountMac mac;
    std::filesystem::remove_all(home() + "/keys");
    auto model = mac.model(server.apiBase());
    startSignIn(*model, QString::fromStdString(email));
    ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
    confirmLink(server.outboxLink(email));
    ASSERT_EVENTUALLY(model->state() == AccountModel::SignedIn);
    const auto thisMac = *model->session();
    const auto other = server.signIn(client, email, "HW-OTHER", "Other Mac");
    model->sessionRefused("a token replaced since");
    EXPECT_EQ(model->state(), AccountModel::SignedIn);

    client.removeDevice(thisMac.deviceID, other.token);
    road.meet(*model, other);
    ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
    EXPECT_EQ(model->message(), AccountModel::sessionRefusedMessage);
    EXPECT_EQ(model->email(), QString::fromStdString(email));
    EXPECT_FALSE(mac.store().token());
    EXPECT_EQ(mac.store().earlierDeviceIDs(), std::vector<std::string>{thisMac.deviceID})
        << "kept as this Mac's, for the next sign-in to retire if it is still listed";
    EXPECT_EQ(mac.model(server.apiBase())->state(), AccountModel::SignedOut) << "the next start is signed out too";
  }
}

// The network goes while the wait for the link runs: the polls fail and are tried again, so the
// link opened meanwhile still signs this Mac in once the network is back. A refusal still ends the
// wait at once, and giving up ends it while the polls fail.
TEST(AccountModel, aPollThatCannotReachTheServerIsTriedAgainUntilTheLinkIsConfirmed) {
  struct CountingCut final : amberloom::HttpSession {
    std::atomic<bool> offline{false};
    std::atomic<int> failed{0};
    amberloom::HttpResponse perform(const amberloom::HttpRequest& request, std::stop_token stop) override {
      if (!offline) return live.perform(request, stop);
      ++failed;
      throw amberloom::HttpTransferError::transferFailed(7, "Couldn't connect to server");
    }
    amberloom::CurlHttpSession live;
  };
  AccountServerProcess server;
  for (const char* ending : {"confirmed", "cancelled"}) {
    SCOPED_TRACE(ending);
    const auto http = std::make_shared<CountingCut>();
    AccountMac mac;
    AccountModel model(AccountClient(server.apiBase(), http), mac.store(), "Test Mac", "HW-THIS",
                       AccountModel::Timing{std::chrono::milliseconds(40), std::chrono::minutes(15)});
    startSignIn(model, QStringLiteral("ada@example.com"));
    ASSERT_EVENTUALLY(model.state() == AccountModel::Waiting);
    http->offline = true;
    ASSERT_EVENTUALLY(http->failed >= 3);
    EXPECT_EQ(model.state(), AccountModel::Waiting);
    if (std::string(ending) == "cancelled") {
      model.cancelWaiting();
      EXPECT_EQ(model.state(), AccountModel::SignedOut);
      continue;
    }
    confirmLink(server.outboxLink("ada@example.com"));
    http->offline = false;
    ASSERT_EVENTUALLY(model.state() == AccountModel::SignedIn);
    EXPECT_FALSE(model.hasMessage());
  }

  // A poll the server refuses (the sign-in is unknown to it) ends the wait with its sentence.
  ScriptedServer scripted;
  scripted.answer({200, "{}"});
  auto model = AccountMac().model(scripted.url("/api/v1"));
  startSignIn(*model, QStringLiteral("ada@example.com"));
  ASSERT_EVENTUALLY(model->state() == AccountModel::Waiting);
  scripted.answer({404, R"({"error":"unknown_sign_in"})"});
  ASSERT_EVENTUALLY(model->state() == AccountModel::SignedOut);
  EXPECT_EQ(messageOf(*model), "The server could not complete the request (404, unknown_sign_in).");
}
