// The account server in the test's own process, on a loopback port, against what other processes
// of the machine and web pages could send it: requests written byte for byte on raw sockets where
// the HTTP client would not send them.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "AccountServer.hpp"
#include "AccountServerProcess.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "Support/Sha256.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using namespace amberloom::server;
using namespace amberloom::testing;
using namespace std::chrono_literals;

namespace {

// A server over a fresh database, serving on a thread until the test ends.
struct LiveServer {
  explicit LiveServer(AccountServer::Options options = {})
      : folder(freshFolder()), database(folder + "/accounts.sqlite"), server(database, log, std::move(options)),
        port(server.bind(0)), serving([this] { server.run(); }) {
    httpGet(url("/outbox.json"));  // answered once the server accepts
  }
  ~LiveServer() {
    server.stop();
    serving.join();
  }
  static std::string freshFolder() {
    std::string folder = home() + "/server-XXXXXX";
    if (!::mkdtemp(folder.data())) throw std::runtime_error("no folder");
    return folder;
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
  AccountClient client() const { return AccountClient(url("/api/v1"), std::make_shared<CurlHttpSession>()); }
  AccountClient::Session signIn(const std::string& email, const std::string& hardwareID) const {
    return signInByLink(client(), url(""), email, hardwareID, "Mac " + hardwareID);
  }

  std::string folder;
  AccountDatabase database;
  std::ostringstream log;
  AccountServer server;
  int port;
  std::thread serving;
};

// A connected socket from `source` to the server's port; -1 when it cannot connect.
int connectFrom(int port, const char* source = "127.0.0.1") {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in from{AF_INET, 0, {}, {}}, to{AF_INET, htons(static_cast<std::uint16_t>(port)), {}, {}};
  ::inet_pton(AF_INET, source, &from.sin_addr);
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Whether the server ends the connection within `limit` (reading past whatever it still sends).
bool endsWithin(int fd, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  char discard[4096];
  while (std::chrono::steady_clock::now() < until) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 50) <= 0) continue;
    if (::recv(fd, discard, sizeof discard, 0) <= 0) return true;
  }
  return false;
}

struct Answer {
  int status = 0;
  std::string body;
  bool closed = false;  // after a refusal: the server ended the connection
};

// Sends `request` as written and reads one answer, its body by Content-Length.
Answer roundTrip(int port, const std::string& request, const char* source = "127.0.0.1") {
  Answer answer;
  const int fd = connectFrom(port, source);
  if (fd < 0) return answer;
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string bytes;
  char buffer[4096];
  std::size_t headEnd = std::string::npos, wanted = 0;
  const auto until = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < until && (headEnd == std::string::npos || bytes.size() < wanted)) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 100) <= 0) continue;
    const auto n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (headEnd == std::string::npos && (headEnd = bytes.find("\r\n\r\n")) != std::string::npos) {
      const auto length = bytes.find("Content-Length: ");
      wanted = headEnd + 4 + (length < headEnd ? std::stoul(bytes.substr(length + 16)) : 0);
    }
  }
  if (headEnd != std::string::npos) {
    answer.status = std::stoi(bytes.substr(9, 3));
    answer.body = bytes.substr(headEnd + 4);
    if (answer.status >= 400) answer.closed = endsWithin(fd, 1500ms);
  }
  ::close(fd);
  return answer;
}

std::string request(const std::string& method, const std::string& path, const std::string& host,
                    const std::string& headers = {}, const std::string& body = {}) {
  return method + " " + path + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "\r\n" + body;
}

// A well-formed sign-in request's body, each with a verifier of its own.
std::string signInBody(const std::string& email) {
  static int made = 0;
  return writeJson(Json{{"email", email}, {"verifier_hash", sha256Hex(std::to_string(++made))}});
}

const std::string json = "Content-Type: application/json\r\n";

}  // namespace

TEST(HostileClients, RequestsTheServerMustNotTakeAreRefusedBeforeTheirBodyAndTheConnectionEnds) {
  LiveServer live;
  const auto mac = live.signIn("ann@example.com", "HW-1");
  const std::string self = "127.0.0.1:" + std::to_string(live.port);
  const std::string auth = "Authorization: Bearer " + mac.token + "\r\nIf-Match: 0\r\nX-Device-Hardware-Id: HW-1\r\n";
  const std::string body = signInBody("ann@example.com");
  const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
  const struct {
    const char* what;
    std::string request;
    int status;
  } cases[] = {
      // A page of another origin whose host name was pointed at this machine.
      {"foreign host", request("GET", "/outbox.json", "victim.example:" + std::to_string(live.port)), 421},
      {"no host", "GET /outbox.json HTTP/1.0\r\n\r\n", 421},
      {"a form post", request("POST", "/api/v1/auth/request", self, "Content-Type: text/plain\r\n" + length, body), 415},
      {"chunked", request("PUT", "/api/v1/documents/mine", self, json + auth + "Transfer-Encoding: chunked\r\n",
                          "100000\r\n" + std::string(64, 'x')), 411},
      {"compressed", request("PUT", "/api/v1/documents/mine", self, json + auth + "Content-Encoding: gzip\r\n" + length,
                             body), 415},
      {"no length", request("PUT", "/api/v1/documents/mine", self, json + auth, body), 411},
      {"too long to sign in", request("POST", "/api/v1/auth/request", self, json + "Content-Length: 1048576\r\n"), 413},
      {"a stranger's upload", request("PUT", "/api/v1/documents/mine", self,
                                      json + "Authorization: Bearer nobody\r\nContent-Length: 10000000\r\n"), 401},
  };
  for (const auto& c : cases) {
    const auto answer = roundTrip(live.port, c.request);
    EXPECT_EQ(answer.status, c.status) << c.what << ": " << answer.body;
    EXPECT_TRUE(answer.closed) << c.what;
  }
  EXPECT_TRUE(live.client().documents(mac.token).empty()) << "no refused upload was stored";

  // Its own names are served; a request for every range of the outbox gets the whole of it, once.
  std::string ranges = "Range: bytes=0-0";
  for (int i = 0; i < 1500; ++i) ranges += ",0-";
  for (const std::string& host : {"localhost:" + std::to_string(live.port), self}) {
    const auto answer = roundTrip(live.port, request("GET", "/outbox.json", host, ranges + "\r\n"));
    EXPECT_EQ(answer.status, 200) << host;
    EXPECT_EQ(parseJson(answer.body).at(0).at("email"), "ann@example.com") << host;
  }
}

TEST(HostileClients, UploadsAreSyncDocumentsUpToTheApplicationsOwnLimit) {
  LiveServer live;
  const auto mac = live.signIn("ann@example.com", "HW-1");
  const auto shaped = [](std::size_t filler) {
    return writeJson(Json{{"checksum", "c"}, {"deviceID", "D"}, {"schemaVersion", 1},
                          {"intents", {{"k", {{"string", std::string(filler, 'x')}}}}}});
  };
  const struct {
    std::string body;
    long status;
  } cases[] = {
      {"null", 400}, {"[]", 400}, {"1", 400}, {"{}", 400}, {R"({"deviceID":"D","intents":[]})", 400},
      {R"({"checksum":"c","deviceID":"","intents":{},"schemaVersion":1})", 400},
      {shaped(10), 200},
      {shaped(8u << 20), 200},  // larger than the server once took, within what the application writes
  };
  std::int64_t revision = 0;
  for (const auto& c : cases) {
    const HttpRequest put{.method = "PUT",
                          .url = live.url("/api/v1/documents/mine"),
                          .headers = {{"Authorization", "Bearer " + mac.token},
                                      {"If-Match", std::to_string(revision)},
                                      {"X-Device-Hardware-Id", "HW-1"},
                                      {"Content-Type", "application/json"}},
                          .body = c.body};
    const auto answer = CurlHttpSession().perform(put);
    EXPECT_EQ(answer.status, c.status) << c.body.substr(0, 60);
    if (answer.status == 200) ++revision;
  }
  EXPECT_EQ(revision, 2);
}

TEST(HostileClients, StalledClientsAreCutOffWhileOthersAreServed) {
  AccountServer::Options options;
  options.connections.requestDeadline = 1s;
  LiveServer live(options);
  // More stalled sockets than the server once had threads, each sending a header line now and then.
  std::vector<int> stalled;
  for (int i = 0; i < 12; ++i) {
    stalled.push_back(connectFrom(live.port));
    ::send(stalled.back(), "GET /outbox.json HTTP/1.1\r\n", 27, MSG_NOSIGNAL);
  }
  std::atomic<bool> trickling = true;
  std::thread trickle([&] {
    while (trickling) {
      for (int fd : stalled) ::send(fd, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL);
      std::this_thread::sleep_for(200ms);
    }
  });

  const auto started = std::chrono::steady_clock::now();
  const auto answer = roundTrip(live.port, request("GET", "/outbox.json", "127.0.0.1:" + std::to_string(live.port)));
  EXPECT_EQ(answer.status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  for (int fd : stalled) EXPECT_TRUE(endsWithin(fd, 4s)) << "a request that never finished arriving was kept";
  trickling = false;
  trickle.join();
  for (int fd : stalled) ::close(fd);
}

TEST(HostileClients, SignInsAreThrottledPerAddressAndAccountCountingOnlyWellFormedOnes) {
  AccountServer::Options options;
  options.signInsInAll = 7;
  LiveServer live(options);
  const std::string self = "127.0.0.1:" + std::to_string(live.port);
  const auto signIn = [&](const std::string& email, const char* source) {
    const std::string body = signInBody(email);
    const std::string headers = json + "Connection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    return roundTrip(live.port, request("POST", "/api/v1/auth/request", self, headers, body), source).status;
  };
  const std::string garbage = json + "Connection: close\r\nContent-Length: 3\r\n";
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(roundTrip(live.port, request("POST", "/api/v1/auth/request", self, garbage, "{]!")).status, 400);
  const struct {
    const char* email;
    const char* source;
    int status;
  } steps[] = {
      {"a@example.com", "127.0.0.1", 202}, {"a@example.com", "127.0.0.1", 202}, {"a@example.com", "127.0.0.1", 202},
      {"a@example.com", "127.0.0.1", 202}, {"a@example.com", "127.0.0.1", 202},
      {"A@example.com", "127.0.0.1", 429},  // the sixth for that account from that address
      {"b@example.com", "127.0.0.1", 202},  // another account
      {"a@example.com", "127.0.0.2", 202},  // another address
      {"c@example.com", "127.0.0.3", 429},  // everyone's ceiling
  };
  for (const auto& step : steps) EXPECT_EQ(signIn(step.email, step.source), step.status) << step.email << step.source;
}

TEST(HostileClients, EverySignInIsADeviceOfItsOwnWhateverHardwareIdItReports) {
  LiveServer live;
  // A cloned disk, or someone who learnt the victim's hardware id.
  const auto first = live.signIn("ann@example.com", "HW-SAME");
  const auto second = live.signIn("ann@example.com", "HW-SAME");
  EXPECT_NE(first.deviceID, second.deviceID);
  const auto client = live.client();
  EXPECT_EQ(client.account(first.token).devices.size(), 2u) << "the first Mac is still signed in";
  client.putDocument(R"({"checksum":"c","deviceID":"one","intents":{},"schemaVersion":1})", 0, first.token, "HW-SAME");
  client.putDocument(R"({"checksum":"c","deviceID":"two","intents":{},"schemaVersion":1})", 0, second.token, "HW-SAME");
  EXPECT_EQ(client.documents(first.token).size(), 2u);
}

TEST(HostileClients, AccountDataIsPrivateExpiresAndGoesWithItsAccount) {
  std::atomic<std::int64_t> now = 1'700'000'000;
  AccountServer::Options options;
  options.clock = [&] { return now.load(); };
  LiveServer live(options);
  struct stat info {};
  ASSERT_EQ(::stat((live.folder + "/accounts.sqlite").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // A sign-in still waits at the very end of the application's 15-minute wait.
  const auto client = live.client();
  const std::string verifier = client.requestSignIn("ann@example.com");
  now += 15 * 60 + 10;
  EXPECT_EQ(client.pollForSession(verifier, "Mac", "HW-1"), std::nullopt);

  // A token is good while used; after half a year without use it is not.
  const auto mac = live.signIn("ann@example.com", "HW-1");
  now += 179 * 24 * 3600;
  EXPECT_EQ(client.account(mac.token).email, "ann@example.com");
  now += 181 * 24 * 3600;
  try {
    client.account(mac.token);
    ADD_FAILURE() << "an expired token still signs its Mac in";
  } catch (const AccountClient::Failure& failure) {
    EXPECT_EQ(failure, AccountClient::Failure::needsSignIn());
  }

  // Deleting the account takes its address out of the outbox.
  const auto other = live.signIn("bob@example.com", "HW-2");
  client.deleteAccount(other.token);
  EXPECT_EQ(outboxLink(live.url(""), "bob@example.com"), "");
  EXPECT_NE(outboxLink(live.url(""), "ann@example.com"), "");

  // An upload that arrives as its device is removed is refused as a sign-in problem.
  const auto third = live.signIn("cy@example.com", "HW-3");
  const auto caller = live.database.authenticate(sha256Hex(third.token), now);
  ASSERT_TRUE(caller);
  ASSERT_TRUE(live.database.removeDevice(caller->accountID, caller->deviceID));
  EXPECT_EQ(live.database.putDocument(caller->deviceID, 0, "{}", now).state, AccountDatabase::Upload::State::noDevice);
}

TEST(HostileClients, ABurstOfConnectionsWaitsToBeAcceptedRatherThanBeingDropped) {
  AccountServerProcess server;
  ::kill(server.pid(), SIGSTOP);  // nothing is accepted meanwhile
  std::vector<int> sockets;
  int connected = 0;
  for (int i = 0; i < 64; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in to{AF_INET, htons(static_cast<std::uint16_t>(server.port())), {}, {}};
    ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    sockets.push_back(fd);
  }
  std::this_thread::sleep_for(300ms);
  for (int fd : sockets) {
    pollfd entry{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    if (::poll(&entry, 1, 0) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
      ++connected;
  }
  ::kill(server.pid(), SIGCONT);
  for (int fd : sockets) ::close(fd);
  EXPECT_EQ(connected, 64);
}
