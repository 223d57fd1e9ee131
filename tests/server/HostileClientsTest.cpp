// The account server in the test's own process, on a loopback port, against what other processes
// of the machine and web pages could send it: requests written byte for byte on raw sockets where
// the HTTP client would not send them.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "AccountServer.hpp"
#include "AccountServerProcess.hpp"
#include "LiveServer.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "Support/Sha256.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using namespace amberloom::server;
using namespace amberloom::testing;
using namespace std::chrono_literals;
using Failure = AccountClient::Failure;

TEST(HostileClients, RequestsTheServerMustNotTakeAreRefusedBeforeTheirBodyAndTheConnectionEnds) {
  LiveServer live;
  const auto mac = live.signIn("ann@example.com", "HW-1");
  const std::string upload = "Authorization: Bearer " + mac.token + "\r\nIf-Match: 0\r\nX-Device-Hardware-Id: HW-1\r\n";
  const struct {
    const char* what;
    std::string request;
    int status;
  } cases[] = {
      // A page of another origin whose host name was pointed at this machine.
      {"foreign host", request("GET", "/outbox.json", "victim.example:" + std::to_string(live.port)), 421},
      {"no host", "GET /outbox.json HTTP/1.0\r\n\r\n", 421},
      {"a form post", signInRequest(live.host(), "ann@example.com", "Content-Type: text/plain\r\n"), 415},
      {"chunked", request("PUT", "/api/v1/documents/mine", live.host(), json + upload + "Transfer-Encoding: chunked\r\n",
                          "100000\r\n" + std::string(64, 'x')), 411},
      {"compressed", request("PUT", "/api/v1/documents/mine", live.host(),
                             json + upload + "Content-Encoding: gzip\r\nContent-Length: 2\r\n", "{}"), 415},
      {"no length", request("PUT", "/api/v1/documents/mine", live.host(), json + upload, "{}"), 411},
      {"long sign-in", request("POST", "/api/v1/auth/request", live.host(), json + "Content-Length: 1048576\r\n"), 413},
      {"a stranger's upload", request("PUT", "/api/v1/documents/mine", live.host(),
                                      json + "Authorization: Bearer x\r\nContent-Length: 10000000\r\n"), 401},
  };
  for (const auto& c : cases) {
    const auto answer = roundTrip(live.port, c.request);
    EXPECT_EQ(answer.status, c.status) << c.what << ": " << answer.body;
    EXPECT_TRUE(answer.closed) << c.what;
  }
  EXPECT_TRUE(live.client().documents(mac.token).empty()) << "no refused upload was stored";

  // Its own names are served; a request for every range of the outbox gets all of it, once.
  std::string ranges = "Connection: close\r\nRange: bytes=0-0";
  for (int i = 0; i < 1500; ++i) ranges += ",0-";
  for (const std::string& host : {"localhost:" + std::to_string(live.port), live.host()}) {
    const auto answer = roundTrip(live.port, request("GET", live.outboxJson(), host, ranges + "\r\n"));
    EXPECT_EQ(answer.status, 200) << host;
    EXPECT_EQ(parseJson(answer.body).at(0).at("email"), "ann@example.com") << host;
  }
}

TEST(HostileClients, StalledClientsAreCutOffWhileOthersAreServed) {
  AccountServer::Options options;
  options.connections.requestDeadline = 1s;
  LiveServer live(options);
  // More stalled sockets than the server once had threads, each sending a header line now and then.
  std::vector<int> stalled;
  for (int i = 0; i < 12; ++i) stalled.push_back(connectFrom(live.port));
  std::atomic<bool> trickling = true;
  std::thread trickle([&] {
    for (int fd : stalled) ::send(fd, "GET /outbox.json HTTP/1.1\r\n", 27, MSG_NOSIGNAL);
    while (trickling) {
      for (int fd : stalled) ::send(fd, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL);
      std::this_thread::sleep_for(200ms);
    }
  });
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(roundTrip(live.port, request("GET", live.outboxJson(), live.host(), "Connection: close\r\n")).status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  for (int fd : stalled) {
    std::string ignored;
    EXPECT_TRUE(readToEnd(fd, ignored, 4s)) << "a request that never finished arriving was kept";
    ::close(fd);
  }
  trickling = false;
  trickle.join();
}

TEST(HostileClients, RequestsAreFramedByTheServerItselfWithinItsHeadAndMemoryLimits) {
  AccountServer::Options options;
  options.connections.memoryCeiling = 4u << 10;
  LiveServer live(options);
  const auto signIn = [&](const std::string& email, const std::string& headers = {}) {
    const std::string full = signInRequest(live.host(), email);
    const auto head = full.find("\r\n\r\n") + 2;
    return std::pair{full.substr(0, head) + headers + "\r\n", full.substr(head + 2)};
  };
  const auto [plainHead, plainBody] = signIn("a@example.com");
  const auto [waitingHead, waitingBody] = signIn("b@example.com", "Expect: 100-continue\r\n");
  const std::string me = request("GET", "/api/v1/me", live.host());
  const std::string bulky = R"({"email":"c@example.com","verifier_hash":")" + std::string(64, 'a') + "\"," +
                            R"("padding":")" + std::string(3000, ' ') + "\"}";
  const struct {
    const char* what;
    std::vector<std::string> pieces;  // sent one by one, a moment apart
    std::vector<int> statuses;
    bool retryLater = false;
  } cases[] = {
      {"two requests in one write", {me + request("GET", "/api/v1/me", live.host(), "Connection: close\r\n")}, {401, 401}},
      {"a body in pieces", {plainHead, plainBody.substr(0, 10), plainBody.substr(10)}, {202}},
      {"a client waiting for leave to send", {waitingHead, waitingBody}, {100, 202}},
      {"a line ending in a bare line feed", {request("GET", "/api/v1/me", live.host(), "X-Odd: 1\nConnection: close\r\n")}, {401}},
      {"a head over 8 KiB", {me.substr(0, me.size() - 2) + "X-Long: " + std::string(9000, 'x') + "\r\n\r\n"}, {431}},
      {"a body beyond the memory left", {request("POST", "/api/v1/auth/request", live.host(),
                                                 json + "Content-Length: " + std::to_string(bulky.size()) + "\r\n",
                                                 bulky)}, {503}, true},
  };
  for (const auto& c : cases) {
    const int fd = connectFrom(live.port);
    for (const auto& piece : c.pieces) {
      ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
      std::this_thread::sleep_for(100ms);
    }
    std::string bytes;
    EXPECT_TRUE(readToEnd(fd, bytes, 3s)) << c.what;
    ::close(fd);
    std::vector<int> statuses;
    for (auto at = bytes.find("HTTP/1.1 "); at != std::string::npos; at = bytes.find("HTTP/1.1 ", at + 1))
      statuses.push_back(std::stoi(bytes.substr(at + 9, 3)));
    EXPECT_EQ(statuses, c.statuses) << c.what << "\n" << bytes;
    EXPECT_EQ(bytes.find("Retry-After: 1\r\n") != std::string::npos, c.retryLater) << c.what;
  }

  // An answer that would pass the ceiling is not built up in memory for a GET: it is asked again later.
  for (int i = 0; i < 50; ++i) roundTrip(live.port, signInRequest(live.host(), "user" + std::to_string(i) + "@example.com"));
  const auto outbox = roundTrip(live.port, request("GET", live.outboxJson(), live.host()));
  EXPECT_EQ(outbox.status, 503);
  EXPECT_NE(outbox.head.find("Retry-After: 1"), std::string::npos);
  EXPECT_EQ(parseJson(outbox.body).at("error"), "busy");
}

TEST(HostileClients, SignInLinksAreCountedPerAddressAndARequestBeyondThemPutsNoLinkOutOfUse) {
  AccountServer::Options options;
  options.signIns.perAddress = 2;
  LiveServer live(options);
  const std::string garbage = json + "Connection: close\r\nContent-Length: 3\r\n";
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(roundTrip(live.port, request("POST", "/api/v1/auth/request", live.host(), garbage, "{]!")).status, 400);
  const auto outboxSize = [&] {
    return parseJson(roundTrip(live.port, request("GET", live.outboxJson(), live.host(), "Connection: close\r\n")).body)
        .size();
  };
  // The owner asks first; then another caller asks for the same address again and again.
  const auto client = live.client();
  const std::string owners = client.requestSignIn("a@example.com");
  const std::string ownersLink = live.outboxLink("a@example.com");
  const struct {
    const char* email;
    int status;
    std::size_t outboxEntries;
  } steps[] = {
      {"A@example.com", 202, 1},  // its second link, shown in place of the owner's
      {"a@example.com", 429, 1},  // beyond its links: refused, and nothing changes
      {"A@EXAMPLE.COM", 429, 1},
      {"b@example.com", 202, 2},  // every address has links of its own, made up or not
      {"c@example.com", 202, 3},
      {"d@example.com", 202, 4},
  };
  for (const auto& step : steps) {
    const auto answer = roundTrip(live.port, signInRequest(live.host(), step.email));
    EXPECT_EQ(answer.status, step.status) << step.email;
    const auto retry = answer.head.find("Retry-After: ");
    EXPECT_EQ(retry != std::string::npos, step.status == 429) << step.email;
    if (retry != std::string::npos) {
      const int seconds = std::stoi(answer.head.substr(retry + 13));
      EXPECT_TRUE(seconds >= 1 && seconds <= 60) << seconds;
    }
    EXPECT_EQ(outboxSize(), step.outboxEntries) << step.email;
  }
  // The owner's own request now is told to wait, and the owner's link still signs the owner in.
  try {
    client.requestSignIn("a@example.com");
    ADD_FAILURE() << "a third link was sent";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure, Failure::tooManyRequests());
  }
  EXPECT_NE(confirmLink(ownersLink).find("Signed in"), std::string::npos);
  EXPECT_TRUE(client.pollForSession(owners, "Mac", "HW-1"));
}

TEST(HostileClients, AccountDataIsOwnedByTheDeviceExpiresAndGoesWithItsAccount) {
  std::atomic<std::int64_t> now = 1'700'000'000;
  AccountServer::Options options;
  options.clock = [&] { return now.load(); };
  LiveServer live(options);
  const auto client = live.client();
  struct stat info {};
  ASSERT_EQ(::stat((live.folder + "/accounts.sqlite").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // Whatever hardware id a Mac reports (a cloned disk, a forged id), it gets an entry of its own.
  const auto first = live.signIn("ann@example.com", "HW-SAME");
  const auto second = live.signIn("ann@example.com", "HW-SAME");
  EXPECT_NE(first.deviceID, second.deviceID);
  EXPECT_EQ(client.account(first.token).devices.size(), 2u) << "the first Mac is still signed in";

  // Uploads are sync documents, up to the size the application itself writes.
  const auto failure = [&](const std::string& body) {
    try {
      client.putDocument(body, 0, first.token, "HW-SAME");
    } catch (const Failure& f) {
      return f;
    }
    return Failure::offline("stored");
  };
  for (const char* body : {"null", "[]", "1", "{}", R"({"checksum":"c","deviceID":"","intents":{},"schemaVersion":1})"})
    EXPECT_EQ(failure(body), Failure::server(400, "bad_document")) << body;
  const std::string large = writeJson(Json{{"checksum", "c"}, {"deviceID", "D"}, {"schemaVersion", 1},
                                           {"intents", {{"k", {{"string", std::string(8u << 20, 'x')}}}}}});
  EXPECT_EQ(client.putDocument(large, 0, first.token, "HW-SAME"), 1);

  // A sign-in still waits at the very end of the application's 15-minute wait.
  const std::string verifier = client.requestSignIn("bob@example.com");
  now += 15 * 60 + 10;
  EXPECT_EQ(client.pollForSession(verifier, "Mac", "HW-2"), std::nullopt);
  // Its outbox entry goes with its link.
  EXPECT_NE(live.outboxLink("bob@example.com"), "");
  now += 60;
  EXPECT_EQ(live.outboxLink("bob@example.com"), "");

  // Deleting an account takes its address out of the outbox.
  client.deleteAccount(live.signIn("bob@example.com", "HW-2").token);
  EXPECT_EQ(live.outboxLink("bob@example.com"), "");

  // An upload arriving as its device is removed is refused as a sign-in problem, not a fault.
  const auto caller = live.database.authenticate(sha256Hex(second.token), now);
  ASSERT_TRUE(caller && live.database.removeDevice(caller->accountID, caller->deviceID));
  EXPECT_EQ(live.database.putDocument(caller->deviceID, 0, "{}", 4, now).state,
            AccountDatabase::Upload::State::noDevice);

  // A token is good while used; after half a year without use it is not.
  now += 179 * 24 * 3600;
  EXPECT_EQ(client.account(first.token).email, "ann@example.com");
  now += 181 * 24 * 3600;
  EXPECT_EQ(failure("{}"), Failure::needsSignIn());
}

TEST(HostileClients, ABurstOfConnectionsWaitsToBeAcceptedRatherThanBeingDropped) {
  AccountServerProcess server;
  ::kill(server.pid(), SIGSTOP);  // nothing is accepted meanwhile
  std::vector<int> sockets;
  for (int i = 0; i < 64; ++i) sockets.push_back(connectFrom(server.port(), "127.0.0.1", SOCK_NONBLOCK));
  std::this_thread::sleep_for(300ms);
  int connected = 0;
  for (int fd : sockets) {
    pollfd entry{fd, POLLOUT, 0};
    connected += ::poll(&entry, 1, 0) == 1 && !(entry.revents & (POLLERR | POLLHUP));
    ::close(fd);
  }
  ::kill(server.pid(), SIGCONT);
  EXPECT_EQ(connected, 64);
}
