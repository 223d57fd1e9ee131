// Who may read a sign-in link and what confirms it: the outbox opens only with its key, a link
// signs in only when pressed, and every spelling of an address is one account, in a fresh data
// folder as in one of an earlier build; accounts and documents stay within the server's capacity.

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include "AccountServerProcess.hpp"
#include "LiveServer.hpp"
#include "Support/Json.hpp"

using namespace amberloom;
using namespace amberloom::server;
using namespace amberloom::testing;
using Failure = AccountClient::Failure;

TEST(SignInByOwner, TheOutboxOpensOnlyWithTheKeyKeptInItsDataFolder) {
  const std::string data = home() + "/earlier-build";  // a folder of an earlier build: no key yet
  std::filesystem::create_directories(data);
  { AccountDatabase made(data + "/accounts.sqlite"); }
  auto server = std::make_unique<AccountServerProcess>(data);
  const std::string key = readFile(data + "/outbox-key").substr(0, 32);
  struct stat info {};
  ASSERT_EQ(::stat((data + "/outbox-key").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(server->outboxAddress(), server->url("/outbox?key=" + key));
  const std::pair<std::string, int> cases[] = {
      {"/outbox", 403}, {"/outbox.json?key=", 403}, {"/outbox.json?key=" + key.substr(1) + "0", 403},
      {"/outbox.json?key=" + key.substr(0, 31), 403}, {"/outbox.json?key=" + key, 200}, {"/outbox?key=" + key, 200}};
  for (const auto& [path, status] : cases)
    EXPECT_EQ(roundTrip(server->port(), request("GET", path, "127.0.0.1:" + std::to_string(server->port()),
                                                "Connection: close\r\n")).status, status) << path;
  server->stop();
  server = std::make_unique<AccountServerProcess>(data);
  EXPECT_EQ(server->outboxAddress(), server->url("/outbox?key=" + key)) << "a restart keeps the key";
}

TEST(SignInByOwner, ALinkSignsInWhenItsPageIsConfirmedNotWhenItIsVisited) {
  LiveServer live;
  const auto client = live.client();
  const std::string verifier = client.requestSignIn("ann@example.com");
  const std::string link = live.outboxLink("ann@example.com"), code = link.substr(link.find("code=") + 5);
  const std::string form =
      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 37\r\nConnection: close\r\n";
  const struct {
    std::string request;
    int status;
    bool signedIn;
  } steps[] = {
      {request("GET", "/confirm?code=" + code, live.host(), "Connection: close\r\n"), 200, false},
      {request("POST", "/confirm", live.host(), form + "Origin: http://evil.example\r\n", "code=" + code), 403, false},
      {request("POST", "/confirm", live.host(), form, "code=" + std::string(32, '0')), 404, false},
      {request("POST", "/confirm", live.host(), form + "Origin: http://" + live.host() + "\r\n", "code=" + code), 200,
       true},
  };
  for (const auto& step : steps) {
    const auto answer = roundTrip(live.port, step.request);
    EXPECT_EQ(answer.status, step.status) << step.request;
    if (step.status == 200 && !step.signedIn) {
      EXPECT_NE(answer.body.find(">Confirm sign-in</button>"), std::string::npos);
    }
    EXPECT_EQ(client.pollForSession(verifier, "Mac", "HW-1").has_value(), step.signedIn) << step.request;
  }
}

TEST(SignInByOwner, AnEarlierBuildsAccountsOfOneAddressKeepTheirDataAndOneOfThemTheAddress) {
  const std::string file = home() + "/accounts.sqlite";
  { AccountDatabase made(file); }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "INSERT INTO accounts (id, email, created_at) VALUES (1, 'Ann@x.com', 0), (2, 'ann@x.com', 0), "
               "(3, 'ANN@x.com', 0), (4, 'Bob@x.com', 0), (5, 'BOB@x.com', 0);"
               "INSERT INTO sign_ins (verifier_hash, email, code, created_at) VALUES ('v', 'BOB@x.com ', 'c', 9e9);",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  AccountDatabase upgraded(file);
  const char* const expected[] = {"Ann@x.com", "ann@x.com", "ANN@x.com", "bob@x.com", "BOB@x.com"};
  for (int id = 1; id <= 5; ++id) EXPECT_EQ(upgraded.email(id), expected[id - 1]) << id;
  upgraded.deleteAccount(5);  // a spelling no sign-in reaches takes no one's sign-in with it
  EXPECT_TRUE(upgraded.isSignInPending("c", 0));
}

TEST(SignInByOwner, EverySpellingOfAnAddressIsOneAccountWithinTheServersCapacity) {
  LiveServer live({}, AccountDatabase::Capacity{.accounts = 1, .storedBytes = 2000});
  const auto client = live.client();
  const auto ann = live.signIn("ann@example.com", "HW-1");
  const std::string verifier = client.requestSignIn(" Ann@EXAMPLE.com\n");  // a second Mac, the one account
  confirmLink(live.outboxLink("ann@example.com"));
  EXPECT_EQ(client.account(client.pollForSession(verifier, "Mac", "HW-2")->token).devices.size(), 2u);
  EXPECT_EQ(roundTrip(live.port, signInRequest(live.host(), "bob@example.com")).status, 507);
  const auto upload = [&](std::size_t bytes) {
    const std::string document = writeJson(Json{{"checksum", "c"}, {"deviceID", "HW-1"}, {"intents", Json::object()},
                                                {"schemaVersion", 1}, {"deviceName", std::string(bytes, 'x')}});
    try {
      return client.putDocument(document, client.documents(ann.token).size(), ann.token, "HW-1") > 0 ? "stored" : "";
    } catch (const Failure& failure) {
      return failure == Failure::server(507, "server_full") ? "server_full" : "other";
    }
  };
  EXPECT_STREQ(upload(1000), "stored");
  EXPECT_STREQ(upload(3000), "server_full");
}
