#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <functional>
#include <mutex>
#include <regex>

#include "Account/AccountClient.hpp"
#include "Support/Sha256.hpp"
#include "Account/AccountStore.hpp"
#include "AccountServerProcess.hpp"
#include "LoopbackServer.hpp"
#include "MemoryUserDefaults.hpp"
#include "ScriptedServer.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Json.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using Failure = AccountClient::Failure;

namespace {

// The live session with tighter limits than the client's own, recording what it was asked.
class LimitedSession final : public HttpSession {
 public:
  std::optional<std::chrono::milliseconds> idle;
  std::optional<std::size_t> maxBytes;
  std::vector<HttpRequest> asked;

  HttpResponse perform(const HttpRequest& request, std::stop_token stop) override {
    HttpRequest sent = request;
    {
      std::lock_guard lock(mutex_);
      asked.push_back(request);
    }
    if (idle) sent.idleTimeout = idle;
    if (maxBytes) sent.maxResponseBytes = maxBytes;
    return live_.perform(sent, stop);
  }

 private:
  std::mutex mutex_;
  CurlHttpSession live_;
};

template <class Call>
std::optional<Failure> failureOf(Call call) {
  try {
    call();
  } catch (const Failure& failure) {
    return failure;
  }
  return std::nullopt;
}

struct Operation {
  const char* name;
  std::function<void(const AccountClient&)> call;
};

const std::vector<Operation>& operations() {
  static const std::vector<Operation> all = {
      {"requestSignIn", [](const AccountClient& c) { c.requestSignIn("a@b.c"); }},
      {"pollForSession", [](const AccountClient& c) { c.pollForSession("v", "Mac", "HW"); }},
      {"account", [](const AccountClient& c) { c.account("tok"); }},
      {"removeDevice", [](const AccountClient& c) { c.removeDevice("D1", "tok"); }},
      {"deleteAccount", [](const AccountClient& c) { c.deleteAccount("tok"); }},
      {"putDocument", [](const AccountClient& c) { c.putDocument("{}", 3, "tok", "HW"); }},
      {"documents", [](const AccountClient& c) { c.documents("tok"); }},
  };
  return all;
}

}  // namespace

TEST(AccountClient, SignsInByLinkAndKeepsTheSessionPrivate) {
  AccountServerProcess server;
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());

  const std::string first = client.requestSignIn("ann@example.com");
  const std::string second = client.requestSignIn("ann@example.com");
  EXPECT_NE(first, second);
  for (const auto& verifier : {first, second}) {
    EXPECT_EQ(verifier.size(), 44u);
    EXPECT_EQ(verifier.back(), '=');
  }

  const auto session = server.signIn(client, "ann@example.com", "HW-ANN", "Ann's Mac");
  const auto account = client.account(session.token);
  EXPECT_EQ(account.email, "ann@example.com");
  ASSERT_EQ(account.devices.size(), 1u);
  EXPECT_EQ(account.devices[0].id, session.deviceID);
  EXPECT_EQ(account.devices[0].name, "Ann's Mac");
  EXPECT_TRUE(account.devices[0].isThisMac);
  EXPECT_NEAR(account.devices[0].lastSeenAt, iso8601::now(), 60);

  const auto defaults = std::make_shared<MemoryUserDefaults>();
  const AccountStore store("tv.winterbrae.amberloom.session", "device-token", defaults);
  store.save(session.token, "ann@example.com", session.deviceID, server.apiBase());
  const AccountStore again("tv.winterbrae.amberloom.session", "device-token", defaults);
  EXPECT_TRUE(again.isSignedIn());
  EXPECT_EQ(again.token(), session.token);
  EXPECT_EQ(again.stored(), (AccountStore::Stored{"ann@example.com", session.deviceID}));

  struct stat info {};
  const std::string item = platform::FileSecretStore(platform::FileSecretStore::defaultFolder())
                               .itemPath("tv.winterbrae.amberloom.session", "device-token");
  ASSERT_EQ(::stat(item.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(platform::FileSecretStore::defaultFolder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  EXPECT_NE(server.log().find(server.outboxLink("ann@example.com")), std::string::npos);
  EXPECT_EQ(server.log().find(session.token), std::string::npos);
}

TEST(AccountClient, EveryOperationAgainstTheLocalServer) {
  AccountServerProcess server;
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  const auto ann = server.signIn(client, "team@example.com", "HW-1", "Studio");
  const auto bob = server.signIn(client, "team@example.com", "HW-2", "Laptop");

  const std::string payload = R"({"checksum":"c","deviceID":"HW-1","intents":{"k":{"bool":true}},"schemaVersion":1})";
  const std::string other = R"({"checksum":"c","deviceID":"HW-2","intents":{},"schemaVersion":1})";
  EXPECT_EQ(client.putDocument(payload, 0, ann.token, "HW-1"), 1);
  EXPECT_EQ(client.putDocument(payload, 1, ann.token, "HW-1"), 2);
  EXPECT_EQ(failureOf([&] { client.putDocument(payload, 1, ann.token, "HW-1"); }), Failure::revisionStale());
  EXPECT_EQ(client.putDocument(other, 0, bob.token, "HW-2"), 1);

  const auto documents = client.documents(bob.token);
  ASSERT_EQ(documents.size(), 2u);
  EXPECT_EQ(documents[0].deviceID, ann.deviceID);
  EXPECT_EQ(documents[0].deviceName, "Studio");
  EXPECT_EQ(documents[0].revision, 2);
  EXPECT_EQ(documents[0].payload, payload);
  EXPECT_EQ(documents[1].payload, other);

  const auto seenByBob = client.account(bob.token).devices;
  ASSERT_EQ(seenByBob.size(), 2u);
  EXPECT_FALSE(seenByBob[0].isThisMac);
  EXPECT_TRUE(seenByBob[1].isThisMac);

  EXPECT_EQ(failureOf([&] { client.removeDevice("nobody", ann.token); }), Failure::server(404, "device_not_found"));
  client.removeDevice(bob.deviceID, ann.token);
  EXPECT_EQ(failureOf([&] { client.documents(bob.token); }), Failure::needsSignIn());
  EXPECT_EQ(client.documents(ann.token).size(), 1u);

  client.deleteAccount(ann.token);
  EXPECT_EQ(failureOf([&] { client.account(ann.token); }), Failure::needsSignIn());
}

TEST(AccountClient, StatusRulesAreTheSameForEveryOperation) {
  ScriptedServer server;
  const AccountClient client(server.url("/api/v1"), std::make_shared<CurlHttpSession>());
  struct Case {
    int status;
    const char* body;
    Failure expected;
  };
  const Case cases[] = {
      {401, R"({"error":"x"})", Failure::needsSignIn()},
      {409, "", Failure::revisionStale()},
      {429, "not json", Failure::tooManyRequests()},
      {500, R"({"error":"db_down"})", Failure::server(500, "db_down")},
      {500, "", Failure::server(500, "bilinmiyor")},
      {500, R"({"error":null})", Failure::server(500, "bilinmiyor")},
      {500, R"(["error"])", Failure::server(500, "bilinmiyor")},
      {503, R"({"error":7})", Failure::server(503, "bilinmiyor")},
      {404, R"({"error":"gone","extra":1})", Failure::server(404, "gone")},
      {302, "", Failure::server(302, "bilinmiyor")},
  };
  for (const auto& c : cases) {
    server.answer({c.status, c.body});
    for (const auto& operation : operations())
      EXPECT_EQ(failureOf([&] { operation.call(client); }), c.expected) << operation.name << " " << c.status;
  }
  server.answer({204, ""});
  client.removeDevice("D1", "tok");
  client.deleteAccount("tok");
  client.requestSignIn("a@b.c");
}

TEST(AccountClient, DecodesAnswersByTheRecordRules) {
  ScriptedServer server;
  const AccountClient client(server.url("/api/v1"), std::make_shared<CurlHttpSession>());
  const auto answer = [&](int status, const std::string& body) { server.answer({status, body}); };

  answer(202, "not json at all");
  EXPECT_EQ(client.pollForSession("v", "Mac", "HW"), std::nullopt);
  answer(200, R"({"device_token":"t","device_id":"d","more":1})");
  EXPECT_EQ(client.pollForSession("v", "Mac", "HW"), (AccountClient::Session{"t", "d"}));
  // A token that cannot stand in a header line (it would add lines of the server's choosing to
  // every later request), or that no header or keychain item should hold, is no token.
  const auto tokenOf = [](const std::string& token) {
    return writeJson(Json{{"device_token", token}, {"device_id", "d"}});
  };
  for (const std::string& body :
       {std::string(R"({"device_token":"t"})"), std::string(R"({"device_token":"t","device_id":5})"), std::string("[]"),
        std::string(), tokenOf("t\r\nX-Evil: 1"), tokenOf(std::string("t\0", 2)), tokenOf(""), tokenOf("t t"),
        tokenOf(std::string(100000, 'a')), tokenOf("t\u00f8ken"), tokenOf("\xe2\x80\x8btoken")}) {
    answer(200, body);
    EXPECT_EQ(failureOf([&] { client.pollForSession("v", "Mac", "HW"); }), Failure::server(200, "cozumlenemedi"))
        << body.substr(0, 80);
  }
  answer(200, tokenOf(std::string(AccountClient::maxTokenLength, 'a')));
  EXPECT_EQ(client.pollForSession("v", "Mac", "HW")->token.size(), AccountClient::maxTokenLength);

  // An upload answered without a revision record was not shown to be stored.
  for (const auto& [body, revision] : std::vector<std::pair<std::string, std::optional<std::int64_t>>>{
           {R"({"revision":9223372036854775807})", INT64_MAX}, {R"({"revision":-4})", -4}, {"{}", std::nullopt},
           {R"({"revision":"7"})", std::nullopt}, {"", std::nullopt}, {"<html>stored</html>", std::nullopt}}) {
    answer(200, body);
    if (revision)
      EXPECT_EQ(client.putDocument("{}", 0, "tok", "HW"), *revision) << body;
    else
      EXPECT_EQ(failureOf([&] { client.putDocument("{}", 0, "tok", "HW"); }), Failure::server(200, "cozumlenemedi"))
          << body;
  }

  answer(200, R"({"email":"a@b.c","devices":[{"id":"1","name":"A","last_seen_at":"2024-03-05T14:07:09+02:00",
                  "is_this_mac":false}]})");
  EXPECT_EQ(client.account("tok").devices.at(0).lastSeenAt, *iso8601::parse("2024-03-05T12:07:09Z"));

  // One stored document with `field` set to `value`: the readable one, or one spoiled in one field.
  const auto documentWith = [](const char* field, const Json& value) {
    Json document{{"device_id", "D"}, {"device_name", "N"}, {"revision", 3}, {"payload", "{}"},
                  {"updated_at", "2024-03-05T14:07:09Z"}};
    document[field] = value;
    return writeJson(Json{{"documents", Json::array({document})}});
  };
  const std::string huge(3u << 20, 'x');
  answer(200, documentWith("payload", huge));
  EXPECT_EQ(client.documents("tok").at(0).payload, huge);

  const std::string unreadable[] = {
      documentWith("updated_at", "2024-03-05T14:07:09.250Z"), documentWith("payload", Json::object()),
      documentWith("revision", 3.5), documentWith("updated_at", "2024-03-05 14:07:09"), R"({"docs":[]})", "<html>"};
  for (const auto& body : unreadable) {
    answer(200, body);
    EXPECT_THROW(client.documents("tok"), DecodingError) << body;
  }
  answer(200, R"({"email":"a@b.c","devices":[{"id":"1","name":"A","last_seen_at":"2024-03-05T14:07:09Z"}]})");
  EXPECT_THROW(client.account("tok"), DecodingError);
}

TEST(AccountClient, SendsTheWireProtocol) {
  ScriptedServer server;
  const auto session = std::make_shared<LimitedSession>();
  const AccountClient client(server.url("/api/v1"), session);
  server.answer({202, ""});
  const auto whateverTheAnswer = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const DecodingError&) {
    } catch (const Failure&) {  // an upload answered without a revision
    }
  };

  const std::string verifier = client.requestSignIn("ann@example.com");
  client.pollForSession(verifier, "Ann's Mac", "HW-1");
  whateverTheAnswer([&] { client.account(""); });
  client.removeDevice("../account", "tok");
  client.removeDevice("a b/\xC3\xBC", "tok");
  client.deleteAccount("tok");
  whateverTheAnswer([&] { client.putDocument(R"({"x":"a/b"})", 0, "tok", "HW-1"); });
  whateverTheAnswer([&] { client.putDocument("{}", -3, "tok", "HW-1"); });
  whateverTheAnswer([&] { client.documents("tok"); });

  struct Expected {
    const char* method;
    const char* target;
    std::optional<std::string> authorization;
    std::optional<std::string> ifMatch;
  };
  const Expected expected[] = {
      {"POST", "/api/v1/auth/request", std::nullopt, std::nullopt},
      {"POST", "/api/v1/auth/poll", std::nullopt, std::nullopt},
      {"GET", "/api/v1/me", "Bearer", std::nullopt},  // an empty token is still sent; HTTP trims the blank
      {"DELETE", "/api/v1/devices/..%2Faccount", "Bearer tok", std::nullopt},
      {"DELETE", "/api/v1/devices/a%20b%2F%C3%BC", "Bearer tok", std::nullopt},
      {"DELETE", "/api/v1/account", "Bearer tok", std::nullopt},
      {"PUT", "/api/v1/documents/mine", "Bearer tok", "0"},
      {"PUT", "/api/v1/documents/mine", "Bearer tok", "-3"},
      {"GET", "/api/v1/documents", "Bearer tok", std::nullopt},
  };
  const auto received = server.received();
  ASSERT_EQ(received.size(), std::size(expected));
  for (std::size_t i = 0; i < received.size(); ++i) {
    const auto& r = received[i];
    EXPECT_EQ(r.method, expected[i].method) << i;
    EXPECT_EQ(r.target, expected[i].target) << i;
    EXPECT_EQ(r.header("Authorization"), expected[i].authorization) << i;
    EXPECT_EQ(r.header("If-Match"), expected[i].ifMatch) << i;
    EXPECT_EQ(r.header("Content-Type").has_value(), !r.body.empty()) << i;
    if (!r.body.empty()) {
      EXPECT_EQ(r.header("Content-Type"), "application/json") << i;
    }
    EXPECT_EQ(session->asked[i].idleTimeout, AccountClient::currentIdleTimeout()) << i;
  }
  EXPECT_EQ(parseJson(received[0].body),
            (Json{{"email", "ann@example.com"}, {"verifier_hash", sha256Hex(verifier)}}));
  EXPECT_EQ(parseJson(received[1].body),
            (Json{{"verifier", verifier}, {"device_name", "Ann's Mac"}, {"hardware_id", "HW-1"}}));
  EXPECT_EQ(received[6].body, R"({"x":"a/b"})");
  EXPECT_EQ(received[6].header("X-Device-Hardware-Id"), "HW-1");
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  for (const char* id : {"", ".", ".."})
    EXPECT_THROW(client.removeDevice(id, "tok"), AccountClient::InvalidDeviceID) << id;
  EXPECT_EQ(server.received().size(), std::size(expected));
}

TEST(AccountClient, TransportFailuresAreOffline) {
  const auto isOffline = [](const std::optional<Failure>& failure, const std::string& mentions) {
    return failure && failure->errorCase() == Failure::Case::offline &&
           failure->offlineDescription().find(mentions) != std::string::npos;
  };
  const auto session = std::make_shared<LimitedSession>();
  session->maxBytes = 1u << 20;

  const AccountClient refused("http://" + LoopbackServer::closedHost() + "/api/v1", session);
  EXPECT_TRUE(isOffline(failureOf([&] { refused.account("tok"); }), "transferFailed"));
  const AccountClient plainRemote("http://example.com/api/v1", session);
  EXPECT_TRUE(isOffline(failureOf([&] { plainRemote.account("tok"); }), "unsupportedURL"));

  ScriptedServer server;
  const AccountClient client(server.url("/api/v1"), session);
  server.answer({200, std::string((1u << 20) + 1, ' ')});
  EXPECT_TRUE(isOffline(failureOf([&] { client.documents("tok"); }), "transferFailed"));

  session->idle = std::chrono::milliseconds(300);
  server.answer({200, "{}", true});
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(isOffline(failureOf([&] { client.documents("tok"); }), "timedOut"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

  std::stop_source stop;
  stop.request_stop();
  EXPECT_TRUE(isOffline(failureOf([&] { client.documents("tok", stop.get_token()); }), "cancelled"));
}

TEST(AccountClient, StandardBaseTakesOnlyALoopbackOverride) {
  ::unsetenv("AMBERLOOM_ACCOUNT_URL");
  EXPECT_EQ(AccountClient::standard("api.example.net").base(), "https://api.example.net/api/v1");
  ::setenv("AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:8123/api/v1", 1);
  EXPECT_EQ(AccountClient::standard("api.example.net").base(), "http://127.0.0.1:8123/api/v1");
  for (const char* taken : {"HTTP://LOCALHOST:8123/api/v1", "https://[::1]/api/v1", "http://127.0.0.1", "http://localhost?x#y"}) {
    ::setenv("AMBERLOOM_ACCOUNT_URL", taken, 1);
    EXPECT_EQ(AccountClient::standard("api.example.net").base(), taken);
  }
  for (const char* refused : {"http://evil.example/api/v1", "https://127.0.0.1.evil.example/api/v1", "file:///tmp",
                              "http://127.0.0.1@evil.example/", "http://127.0.0.1:80@evil.example/",
                              "http://127.0.0.1\\@evil.example/", "http://127.0.0.1%2f@evil.example/",
                              "http://127.0.0.1:/", "http://127.0.0.1:8o/", "http://[::1]x/", " http://127.0.0.1/",
                              "http://127.0.0.1/\n", "ftp://127.0.0.1/"}) {
    ::setenv("AMBERLOOM_ACCOUNT_URL", refused, 1);
    EXPECT_EQ(AccountClient::standard("api.example.net").base(), "https://api.example.net/api/v1") << refused;
  }
  ::unsetenv("AMBERLOOM_ACCOUNT_URL");
}
