// Who may read a sign-in link and what confirms it: the outbox opens only with the key of its data
// folder (an earlier build's folder gets one), whose address scripts/run prints; a link signs in
// only when pressed; every spelling of an address is one account, also in an earlier build's file.

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include "ChildProcess.hpp"
#include "LiveServer.hpp"
#include "Support/Json.hpp"

using namespace amberloom;
using namespace amberloom::server;
using namespace amberloom::testing;
using Failure = AccountClient::Failure;

TEST(SignInByOwner, TheOutboxOpensOnlyWithTheKeyOfItsDataFolderWhoseAddressTheRunScriptPrints) {
  const std::string build = home() + "/build", looked = home() + "/looked";
  const std::string data = home() + "/Library/Application Support/AmberLoom Account Server";
  std::filesystem::create_directories(data);
  { AccountDatabase earlier(data + "/accounts.sqlite"); }  // an earlier build's folder, without a key
  std::filesystem::create_directories(build + "/bin");
  std::filesystem::create_symlink(AMBERLOOM_ACCOUNT_SERVER_PATH, build + "/bin/amberloom-account-server");
  // The application's stand-in runs until the test has looked (it reads the pipe until the test
  // opens and closes it); the server stops with it.
  ASSERT_EQ(::mkfifo(looked.c_str(), 0600), 0);
  writeFile(build + "/bin/AmberLoom", "#!/bin/sh\nexec cat '" + looked + "' >/dev/null\n");
  ::chmod((build + "/bin/AmberLoom").c_str(), 0755);
  ChildProcess run({std::string(AMBERLOOM_SOURCE_DIR) + "/scripts/run"},
                   {{"AMBERLOOM_BUILD_DIR", build}, {"AMBERLOOM_NO_BUILD", "1"}, {"AMBERLOOM_ACCOUNT_URL", ""}, {"DISPLAY", ":0"}});
  std::string address;
  ASSERT_TRUE(run.waitUntil([&] {
    const std::string out = run.standardOutput();
    if (const auto at = out.find("open http://"); at != std::string::npos)
      address = out.substr(at + 5, out.find(' ', at + 5) - at - 5);
    return !address.empty();
  })) << run.standardError();
  struct stat info {};
  ASSERT_EQ(::stat((data + "/outbox-key").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const std::string key = readFile(data + "/outbox-key").substr(0, 32);
  EXPECT_TRUE(address.ends_with("/outbox?key=" + key)) << address;
  const std::string host = address.substr(7, address.find("/outbox") - 7);
  const std::pair<std::string, int> cases[] = {
      {"/outbox", 403}, {"/outbox.json?key=", 403}, {"/outbox.json?key=" + key.substr(1) + "0", 403},
      {"/outbox.json?key=" + key.substr(0, 31), 403}, {"/outbox.json?key=" + key, 200}, {"/outbox?key=" + key, 200}};
  for (const auto& [path, status] : cases)
    EXPECT_EQ(roundTrip(std::stoi(host.substr(10)), request("GET", path, host, "Connection: close\r\n")).status, status)
        << path;
  writeFile(looked, "");
  EXPECT_EQ(run.waitForExit(), 0);
}

TEST(SignInByOwner, ALinkSignsInWhenItsPageIsConfirmedNotWhenItIsVisited) {
  LiveServer live;
  const auto client = live.client();
  const std::string verifier = client.requestSignIn("ann@example.com");
  const std::string link = live.outboxLink("ann@example.com"), code = link.substr(link.find("code=") + 5);
  const std::string form = "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 37\r\nConnection: close\r\n";
  const struct {
    std::string request;
    int status;
    bool signedIn;
  } steps[] = {
      {request("GET", "/confirm?code=" + code, live.host(), "Connection: close\r\n"), 200, false},
      {request("POST", "/confirm", live.host(), form + "Origin: http://evil.example\r\n", "code=" + code), 403, false},
      {request("POST", "/confirm", live.host(), form + "Origin: http://" + live.host() + "\r\n", "code=" + code), 200, true},
  };
  for (const auto& step : steps) {
    const auto answer = roundTrip(live.port, step.request);
    EXPECT_EQ(answer.status, step.status) << step.request;
    EXPECT_EQ(answer.body.find(">Confirm sign-in</button>") != std::string::npos, step.status == 200 && !step.signedIn);
    EXPECT_EQ(client.pollForSession(verifier, "Mac", "HW-1").has_value(), step.signedIn) << step.request;
  }
}

TEST(SignInByOwner, EverySpellingOfAnAddressIsOneAccountWithinTheServersCapacity) {
  LiveServer live({}, AccountDatabase::Capacity{.accounts = 1, .storedBytes = 2000});
  const auto client = live.client();
  const auto ann = live.signIn("ann@example.com", "HW-1");
  const std::string verifier = client.requestSignIn(" Ann@EXAMPLE.com\n");  // a second Mac, the one account
  confirmLink(live.outboxLink("ann@example.com"));
  EXPECT_EQ(client.account(client.pollForSession(verifier, "Mac", "HW-2")->token).devices.size(), 2u);
  EXPECT_EQ(roundTrip(live.port, signInRequest(live.host(), "bob@example.com")).status, 507);
  for (const auto& [bytes, stored] : {std::pair{1000, true}, std::pair{3000, false}}) {
    const std::string document = writeJson(Json{{"checksum", "c"}, {"deviceID", "HW-1"}, {"intents", Json::object()},
                                                {"schemaVersion", 1}, {"deviceName", std::string(bytes, 'x')}});
    try {
      EXPECT_TRUE(client.putDocument(document, stored ? 0 : 1, ann.token, "HW-1") && stored) << bytes;
    } catch (const Failure& failure) {
      EXPECT_TRUE(failure == Failure::server(507, "server_full") && !stored) << bytes;
    }
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
