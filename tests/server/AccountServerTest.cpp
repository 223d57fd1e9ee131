#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "Account/AccountClient.hpp"
#include "Support/Sha256.hpp"
#include "AccountServerProcess.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using Failure = AccountClient::Failure;

namespace {

// A body of the sync document's shape; `marker` tells uploads apart.
std::string shapedDocument(const std::string& marker) {
  return writeJson(Json{{"checksum", marker}, {"deviceID", "HW-1"}, {"intents", Json::object()}, {"schemaVersion", 1}});
}

}  // namespace

TEST(AccountServer, BadInputIsRefusedAndTheStoreKeepsAnswering) {
  auto server = std::make_unique<AccountServerProcess>();
  const std::string data = server->dataFolder();
  const AccountClient client(server->apiBase(), std::make_shared<CurlHttpSession>());
  const auto mac = server->signIn(client, "ann@example.com", "HW-1", "Studio");
  ASSERT_EQ(client.putDocument(shapedDocument("v1"), 0, mac.token, "HW-1"), 1);
  // Everything but the time each Mac was last seen, which every request moves on.
  const auto accountView = [&](const AccountClient& c) {
    auto account = c.account(mac.token);
    for (auto& device : account.devices) device.lastSeenAt = 0;
    return account;
  };
  const auto accountBefore = accountView(client);
  const auto documentsBefore = client.documents(mac.token);

  const std::pair<std::string, std::string> auth{"Authorization", "Bearer " + mac.token};
  const std::pair<std::string, std::string> hardware{"X-Device-Hardware-Id", "HW-1"};
  const std::string hash(64, 'a');
  struct Case {
    const char* method;
    std::string path;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    long status;
  };
  const Case cases[] = {
      {"POST", "/api/v1/auth/request", "not json", {}, 400},
      {"POST", "/api/v1/auth/request", R"({"email":5,"verifier_hash":")" + hash + "\"}", {}, 400},
      {"POST", "/api/v1/auth/request", R"({"email":"a@b.c","verifier_hash":"XYZ"})", {}, 400},
      {"POST", "/api/v1/auth/request", R"(["a@b.c"])", {}, 400},
      {"POST", "/api/v1/auth/poll", "{", {}, 400},
      {"POST", "/api/v1/auth/poll", R"({"verifier":"v","device_name":"M"})", {}, 400},
      {"POST", "/api/v1/auth/poll", R"({"verifier":"guess","device_name":"M","hardware_id":"H"})", {}, 404},
      {"GET", "/api/v1/me", "", {}, 401},
      {"GET", "/api/v1/me", "", {{"Authorization", "Bearer nope"}}, 401},
      {"GET", "/api/v1/documents", "", {{"Authorization", mac.token}}, 401},
      {"DELETE", "/api/v1/account", "", {{"Authorization", "Bearer " + mac.token + "x"}}, 401},
      {"PUT", "/api/v1/documents/mine", "{}", {auth, hardware, {"If-Match", "abc"}}, 400},
      {"PUT", "/api/v1/documents/mine", "{}", {auth, hardware, {"If-Match", "\"1\""}}, 400},
      {"PUT", "/api/v1/documents/mine", "{}", {auth, hardware, {"If-Match", "99999999999999999999"}}, 400},
      {"PUT", "/api/v1/documents/mine", "{}", {auth, {"If-Match", "1"}}, 400},
      {"PUT", "/api/v1/documents/mine", "{not json", {auth, hardware, {"If-Match", "1"}}, 400},
      {"PUT", "/api/v1/documents/mine", shapedDocument("x"), {auth, hardware, {"If-Match", "7"}}, 409},
      {"PUT", "/api/v1/documents/mine", std::string(17u << 20, ' '), {auth, hardware, {"If-Match", "1"}}, 413},
      {"DELETE", "/api/v1/devices/unknown", "", {auth}, 404},
      {"DELETE", "/api/v1/devices/..%2Faccount", "", {auth}, 404},
      {"GET", "/api/v1/nothing", "", {auth}, 404},
      {"POST", "/api/v1/me", "{}", {auth}, 404},
      {"GET", "/api/v1/auth/request", "", {}, 404},
      {"GET", "/confirm?code=zz", "", {}, 404},
      {"GET", "/confirm?code=" + std::string(32, '0'), "", {}, 404},
  };
  for (const auto& c : cases) {
    auto headers = c.headers;
    if (c.method == std::string("POST") || c.method == std::string("PUT"))
      headers.emplace_back("Content-Type", "application/json");
    const HttpRequest request{.method = c.method, .url = server->url(c.path), .headers = headers, .body = c.body, .timeout = {}, .idleTimeout = {}, .maxResponseBytes = {}};
    const auto response = CurlHttpSession().perform(request);
    EXPECT_EQ(response.status, c.status) << c.method << " " << c.path << " " << c.body.substr(0, 40);
    if (c.status != 404 || c.path.rfind("/confirm", 0) != 0) {
      EXPECT_TRUE(parseJson(response.body).contains("error")) << c.method << " " << c.path;
    }
  }
  EXPECT_EQ(accountView(client), accountBefore);
  EXPECT_EQ(client.documents(mac.token), documentsBefore);

  // Restarted on the same folder: the same answers. The file holds the token's hash, not the token.
  EXPECT_EQ(server->stop(), 0);
  server = std::make_unique<AccountServerProcess>(data);
  const AccountClient restarted(server->apiBase(), std::make_shared<CurlHttpSession>());
  EXPECT_EQ(restarted.documents(mac.token), documentsBefore);
  EXPECT_EQ(accountView(restarted), accountBefore);
  const std::string file = readFile(data + "/accounts.sqlite");
  EXPECT_EQ(file.find(mac.token), std::string::npos);
  EXPECT_NE(file.find(sha256Hex(mac.token)), std::string::npos);
}

TEST(AccountServer, RacingUploadsNeverLoseAnUpdateSilently) {
  AccountServerProcess server;
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  const auto mac = server.signIn(client, "ann@example.com", "HW-1", "Studio");

  // Two writers of the same document, each starting from the revision it last saw and refreshing
  // after every refusal. Every accepted upload must get a revision of its own.
  constexpr int kUploadsEach = 15;
  std::vector<std::int64_t> accepted[2];
  const auto writer = [&](int which) {
    std::int64_t known = 0;
    for (int i = 0; i < kUploadsEach;) {
      try {
        known = client.putDocument(shapedDocument(std::to_string(which) + "/" + std::to_string(i)), known, mac.token,
                                   "HW-1");
        accepted[which].push_back(known);
        ++i;
      } catch (const Failure& failure) {
        ASSERT_EQ(failure, Failure::revisionStale());
        known = client.documents(mac.token).at(0).revision;
      }
    }
  };
  std::thread first(writer, 0), second(writer, 1);
  first.join();
  second.join();

  std::set<std::int64_t> revisions(accepted[0].begin(), accepted[0].end());
  revisions.insert(accepted[1].begin(), accepted[1].end());
  EXPECT_EQ(revisions.size(), 2u * kUploadsEach);
  EXPECT_EQ(*revisions.rbegin(), 2 * kUploadsEach);
  EXPECT_EQ(client.documents(mac.token).at(0).revision, 2 * kUploadsEach);
}

TEST(AccountServer, SignInRequestsAreThrottledAndListedInTheOutbox) {
  AccountServerProcess server;
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  const std::vector<std::string> emails = {"<b>@example.com", "b@example.com", "c@example.com", "d@example.com",
                                           "e@example.com"};
  for (const auto& email : emails) client.requestSignIn(email);
  for (int i = 0; i < 4; ++i) client.requestSignIn("e@example.com");
  // A sixth request in a row for one address sends no sixth link and takes no other's place.
  const std::string newestBefore = server.outboxLink("e@example.com");
  try {
    client.requestSignIn("E@example.com");
    ADD_FAILURE() << "a sixth link was sent";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure, Failure::tooManyRequests());
  }
  EXPECT_EQ(server.outboxLink("e@example.com"), newestBefore);

  // One entry an address: its newest link.
  const Json outbox = parseJson(httpGet(server.url(outboxJsonPath(server.outboxAddress()))));
  ASSERT_EQ(outbox.size(), emails.size());
  for (std::size_t i = 0; i < emails.size(); ++i) {
    EXPECT_EQ(outbox[i].at("email"), emails[i]);
    EXPECT_NE(server.log().find(outbox[i].at("link").get<std::string>()), std::string::npos);
  }
  const std::string page = httpGet(server.outboxAddress());
  EXPECT_NE(page.find("&lt;b&gt;@example.com"), std::string::npos);
  EXPECT_EQ(page.find("<b>@"), std::string::npos);
}
