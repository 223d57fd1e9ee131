// The account server shared between signed-in Macs and a hostile local caller: what one caller
// sends must not starve a signed-in Mac's uploads and lists, cut its transfers, or make its
// account unfetchable. Written on raw sockets beside the application's own client.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <map>
#include <thread>

#include "AccountServer.hpp"
#include "AccountServerProcess.hpp"
#include "LiveServer.hpp"
#include "MemoryUserDefaults.hpp"
#include "Support/Json.hpp"
#include "Sync/ServerSync.hpp"
#include "Sync/SyncDocument.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using namespace amberloom::server;
using namespace amberloom::testing;
using namespace std::chrono_literals;
using Failure = AccountClient::Failure;

namespace {

// A sync document's shape around one text of `filler`.
std::string documentOf(const std::string& deviceID, const std::string& filler) {
  return writeJson(Json{{"checksum", "c"},
                        {"deviceID", deviceID},
                        {"intents", {{"k", {{"string", filler}}}}},
                        {"schemaVersion", 1}});
}

// Whether `condition` came true within `limit`, looked at every few milliseconds.
bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 30s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// The descriptors this process may open, raised first as far as it is allowed to.
std::size_t descriptorLimit() {
  rlimit files{};
  ::getrlimit(RLIMIT_NOFILE, &files);
  if (files.rlim_cur < files.rlim_max) {
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 1u << 15);
    ::setrlimit(RLIMIT_NOFILE, &files);
    ::getrlimit(RLIMIT_NOFILE, &files);
  }
  return static_cast<std::size_t>(files.rlim_cur);
}

// Adds what each socket has received by now to its entry of `received`; returns how many entries
// hold `text`.
std::size_t holding(const Sockets& sockets, std::vector<std::string>& received, const std::string& text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < sockets.fds.size(); ++i) {
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(sockets.fds[i], buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
      received[i].append(buffer, static_cast<std::size_t>(n));
    count += received[i].find(text) != std::string::npos;
  }
  return count;
}

// Whether the server has ended the connection of `fd` (nothing more to read, or an error).
bool endedByServer(int fd) {
  char byte;
  const auto n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

Failure uploadFailure(const AccountClient& client, const std::string& document, std::int64_t revision,
                      const AccountClient::Session& mac, const std::string& hardwareID) {
  try {
    client.putDocument(document, revision, mac.token, hardwareID);
  } catch (const Failure& failure) {
    return failure;
  }
  return Failure::offline("stored");
}

}  // namespace

TEST(FairShare, SignInBodiesThatStallLeaveASignedInMacItsUploadAndItsList) {
  AccountServer::Options options;
  options.connections.requestDeadline = 120s;  // the stalled bodies outlast the test on any machine
  LiveServer live(options);
  const auto client = live.client();
  const auto mac = live.signIn("ann@example.com", "HW-1");
  const std::string document = documentOf("HW-1", std::string(1u << 20, 'x'));
  // Each stalled body costs this process a descriptor at both ends.
  const std::size_t count = std::min<std::size_t>(450, (descriptorLimit() - 200) / 2);
  const std::size_t declared = AccountServer::maxOpenBodyBytes;
  const std::string head =
      request("POST", "/api/v1/auth/request", live.host(),
              json + "Expect: 100-continue\r\nContent-Length: " + std::to_string(declared) + "\r\n");
  const ServingLimits limits;
  const std::size_t wholeBodiesHeld = limits.openMemoryCeiling / (declared - 1);
  const struct {
    const char* what;
    std::size_t sent;
  } cases[] = {
      {"one byte of each body", 1},
      {"each body but its last byte", declared - 1},
  };
  std::int64_t revision = 0;
  for (const auto& c : cases) {
    Sockets stalled;
    std::vector<std::string> received(count);
    for (std::size_t i = 0; i < count; ++i) {
      stalled.fds.push_back(connectFrom(live.port));
      ::send(stalled.fds.back(), head.data(), head.size(), MSG_NOSIGNAL);
    }
    // Every body is admitted: none is refused for the memory it only promises.
    EXPECT_TRUE(waitUntil([&] { return holding(stalled, received, "HTTP/1.1 100 Continue") == count; })) << c.what;
    const std::string body(c.sent, ' ');
    for (int fd : stalled.fds) {
      for (std::size_t at = 0; at < body.size();) {
        const auto n = ::send(fd, body.data() + at, body.size() - at, MSG_NOSIGNAL);
        if (n <= 0) break;  // refused and ended: the rest is not read
        at += static_cast<std::size_t>(n);
      }
    }
    // What arrives is counted, and open requests hold no more than their share.
    if (c.sent > 1) {
      const std::size_t refused = count - std::min(count, wholeBodiesHeld);
      EXPECT_TRUE(waitUntil([&] { return holding(stalled, received, "HTTP/1.1 503") >= refused; })) << c.what;
    }

    // The signed-in Mac is served all the same.
    ASSERT_NO_THROW(revision = client.putDocument(document, revision, mac.token, "HW-1")) << c.what;
    const auto documents = client.documents(mac.token);
    ASSERT_EQ(documents.size(), 1u) << c.what;
    EXPECT_EQ(documents[0].revision, revision) << c.what;
    EXPECT_EQ(documents[0].payload, document) << c.what;
    if (c.sent == 1) {
      EXPECT_NO_THROW(live.signIn("bob@example.com", "HW-2")) << "a newcomer signs in too";
      EXPECT_EQ(holding(stalled, received, "HTTP/1.1 5"), 0u) << "a stalled body was refused";
      EXPECT_EQ(std::count_if(stalled.fds.begin(), stalled.fds.end(), endedByServer), 0) << "a stalled body was cut";
    }
  }
}

TEST(FairShare, EveryAccountStaysFetchableAsItsDocumentsAreLimitedToWhatOneAnswerHolds) {
  // An account's share of the memory the server has: its documents may take 2 MiB as listed.
  AccountServer::Options options;
  options.connections.memoryCeiling = 11u << 20;
  options.connections.openMemoryCeiling = 1u << 20;
  options.signIns.perAddress = 8;  // seven Macs of one account sign in within the minute
  LiveServer live(options);
  const auto client = live.client();
  std::vector<AccountClient::Session> macs;
  for (int i = 0; i < 7; ++i) macs.push_back(live.signIn("ann@example.com", "HW-" + std::to_string(i)));
  std::map<int, std::int64_t> revisions;
  const std::string large(975'000, 'x');
  const auto full = Failure::server(413, "account_full");
  const struct {
    int mac;
    std::string filler;
    bool stored;
    std::size_t listed;  // the documents the account lists afterwards
  } uploads[] = {
      // Seven documents of nearly half the limit each: two fit in one answer.
      {0, large, true, 1}, {1, large, true, 2}, {2, large, false, 2}, {3, large, false, 2},
      {4, large, false, 2}, {5, large, false, 2}, {6, large, false, 2},
      // A Mac whose document shrinks makes room for another.
      {0, "small", true, 2}, {2, large, true, 3},
      // Counted as listed: a slash takes four bytes there, two in the document.
      {3, std::string(50'000, '/'), false, 3}, {3, std::string(100'000, 'x'), true, 4},
  };
  for (const auto& upload : uploads) {
    const std::string hardwareID = "HW-" + std::to_string(upload.mac);
    const std::string document = documentOf(hardwareID, upload.filler);
    if (upload.stored) {
      ASSERT_NO_THROW(revisions[upload.mac] =
                          client.putDocument(document, revisions[upload.mac], macs[upload.mac].token, hardwareID))
          << upload.mac;
    } else {
      EXPECT_EQ(uploadFailure(client, document, revisions[upload.mac], macs[upload.mac], hardwareID), full)
          << upload.mac;
    }
    if (upload.stored || upload.mac == 6) {
      EXPECT_EQ(client.documents(macs[upload.mac].token).size(), upload.listed) << upload.mac;
    }
  }

  // The application keeps what it could not send to be sent again, and says why.
  {
    const std::string pending = home() + "/pending-sync.json";
    ServerSync sync(client, [&] { return std::optional(macs[5]); }, std::make_shared<MemoryUserDefaults>(), "HW-5",
                    pending);
    const SyncDocument mine{"HW-5", "Mac HW-5", {{"k", PreferenceValue::string(large)}}};
    const auto outcome = sync.publish(mine).get();
    EXPECT_EQ(outcome, ServerSync::Outcome::queued(
                           "Your Macs' settings together are more than the server keeps for one account."));
    EXPECT_EQ(readFile(pending), mine.encoded());
  }

  // An account filled before its documents were limited cannot be listed: it is told so, not to
  // ask again. Its Macs may still store what takes no more room than before, and once one takes
  // less, the account is listed again.
  const std::string extra = documentOf("HW-4", large);
  ASSERT_EQ(live.database.putDocument(macs[4].deviceID, 0, extra, extra.size() + 2, 0).state,
            AccountDatabase::Upload::State::stored);
  const std::string auth = "Authorization: Bearer " + macs[0].token + "\r\nConnection: close\r\n";
  const auto refused = roundTrip(live.port, request("GET", "/api/v1/documents", live.host(), auth));
  EXPECT_EQ(refused.status, 507);
  EXPECT_EQ(refused.head.find("Retry-After"), std::string::npos);
  EXPECT_EQ(parseJson(refused.body).at("error"), "documents_too_large");
  for (const auto& filler : {large, std::string("small")})
    EXPECT_NO_THROW(revisions[1] = client.putDocument(documentOf("HW-1", filler), revisions[1], macs[1].token, "HW-1"));
  EXPECT_EQ(client.documents(macs[0].token).size(), 5u);
}

TEST(FairShare, AConnectionFloodPushesOutIdleConnectionsAndNeverATransferThatIsMoving) {
  AccountServer::Options options;
  options.connections.maxConnections = 32;
  LiveServer live(options);
  const auto client = live.client();
  const auto here = live.signIn("ann@example.com", "HW-1");
  const auto other = live.signIn("ann@example.com", "HW-2");
  const std::string othersDocument = documentOf("HW-2", std::string(8u << 20, 'x'));
  ASSERT_EQ(client.putDocument(othersDocument, 0, other.token, "HW-2"), 1);

  // A download of the list and an upload of this Mac's document, each on a socket with small buffers
  // so that both are still under way on the server's side while the flood comes.
  const auto smallBuffers = [](int fd) {
    const int bytes = 32 << 10;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    return fd;
  };
  const std::string auth = "Authorization: Bearer " + here.token + "\r\nConnection: close\r\n";
  const int download = smallBuffers(connectFrom(live.port));
  const std::string list = request("GET", "/api/v1/documents", live.host(), auth);
  ::send(download, list.data(), list.size(), MSG_NOSIGNAL);
  const std::string mine = documentOf("HW-1", std::string(3u << 20, 'y'));
  const std::string uploadHead = json + auth + "If-Match: 0\r\nX-Device-Hardware-Id: HW-1\r\n";
  const std::string upload = request("PUT", "/api/v1/documents/mine", live.host(),
                                     uploadHead + "Content-Length: " + std::to_string(mine.size()) + "\r\n", mine);
  const int uploading = smallBuffers(connectFrom(live.port));

  // Both keep moving, slowly until the flood is over (a few KiB every 20 ms: the download would take
  // seconds, the upload more), and at full speed afterwards; the upload's last bytes wait for it.
  std::atomic<bool> underWay = false, flooded = false;
  std::string downloaded, uploadAnswer;
  std::thread transfers([&] {
    constexpr std::size_t kHeldBack = 64u << 10;
    std::size_t sent = 0;
    bool downloadEnded = false, uploadEnded = false;
    std::vector<char> buffer(256u << 10);
    const auto until = std::chrono::steady_clock::now() + 120s;
    while (!(downloadEnded && uploadEnded) && std::chrono::steady_clock::now() < until) {
      const bool slow = !flooded;
      if (slow) std::this_thread::sleep_for(20ms);
      const std::size_t held = slow ? kHeldBack : 0, step = slow ? 16u << 10 : 256u << 10;
      pollfd waits[2] = {{downloadEnded ? -1 : download, POLLIN, 0}, {uploadEnded ? -1 : uploading, POLLIN, 0}};
      ::poll(waits, 2, slow ? 0 : 2);
      if (waits[0].revents & (POLLIN | POLLHUP)) {
        const auto n = ::recv(download, buffer.data(), step, 0);
        downloadEnded = n <= 0;
        if (n > 0) downloaded.append(buffer.data(), static_cast<std::size_t>(n));
      }
      if (waits[1].revents & (POLLIN | POLLHUP)) {
        const auto n = ::recv(uploading, buffer.data(), step, 0);
        uploadEnded = n <= 0;
        if (n > 0) uploadAnswer.append(buffer.data(), static_cast<std::size_t>(n));
      }
      if (sent + held < upload.size()) {
        const auto n = ::send(uploading, upload.data() + sent, std::min(step / 2, upload.size() - held - sent),
                              MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) sent += static_cast<std::size_t>(n);
      }
      underWay = sent > 0 && !downloaded.empty();
    }
  });
  ASSERT_TRUE(waitUntil([&] { return underWay.load(); }));

  // Far more connections than the server keeps: silent ones, and ones that begin a head.
  Sockets flood;
  for (int i = 0; i < 200; ++i) {
    flood.fds.push_back(connectFrom(live.port));
    if (i % 2) ::send(flood.fds.back(), "GET /outbox.json HTTP/1.1\r\n", 27, MSG_NOSIGNAL);
  }
  const auto pushedOut = [&] { return std::count_if(flood.fds.begin(), flood.fds.end(), endedByServer); };
  EXPECT_TRUE(waitUntil([&] { return pushedOut() >= 200 + 2 - 32; })) << pushedOut();
  flooded = true;
  transfers.join();

  const auto listed = parseAnswer(downloaded);
  ASSERT_EQ(listed.status, 200) << downloaded.substr(0, 200);
  ASSERT_NE(listed.head.find("Content-Length: " + std::to_string(listed.body.size())), std::string::npos)
      << "the download was cut after " << listed.body.size() << " bytes";
  EXPECT_EQ(parseJson(listed.body).at("documents").at(0).at("payload"), othersDocument);
  const auto stored = parseAnswer(uploadAnswer);
  ASSERT_EQ(stored.status, 200) << uploadAnswer;
  EXPECT_EQ(parseJson(stored.body).at("revision"), 1);
  ::close(download);
  ::close(uploading);
}

TEST(FairShare, OneAccountsStalledUploadsLeaveAnotherAccountItsUploadListAndSignIn) {
  AccountServer::Options options;
  options.connections.requestDeadline = 120s;  // the stalled bodies outlast the test on any machine
  LiveServer live(options);
  const auto client = live.client();
  const auto hog = live.signIn("hog@example.com", "HW-H");
  const auto ann = live.signIn("ann@example.com", "HW-1");
  // Uploads announcing 16 MiB and sending half, more of them than one account's share holds.
  const std::string head = "Authorization: Bearer " + hog.token + "\r\nIf-Match: 0\r\nX-Device-Hardware-Id: HW-H\r\n";
  const std::string stalling = request("PUT", "/api/v1/documents/mine", live.host(),
                                       json + head + "Content-Length: 16777216\r\n", std::string(8u << 20, ' '));
  Sockets stalled;
  for (int i = 0; i < 10; ++i) {
    stalled.fds.push_back(connectFrom(live.port));
    ::send(stalled.fds.back(), stalling.data(), stalling.size(), MSG_NOSIGNAL);  // the refused end early
  }
  std::vector<std::string> received(stalled.fds.size());
  EXPECT_TRUE(waitUntil([&] { return holding(stalled, received, "HTTP/1.1 503") > 0; })) << "more than its share";
  const std::string document = documentOf("HW-1", std::string(4u << 20, 'x'));
  ASSERT_NO_THROW(client.putDocument(document, 0, ann.token, "HW-1"));
  EXPECT_EQ(client.documents(ann.token).at(0).payload, document);
  EXPECT_NO_THROW(live.signIn("bob@example.com", "HW-2"));
}

TEST(FairShare, ShortRequestsOfASignedInMacCompleteUnderAFloodOfIdleConnects) {
  AccountServerProcess server;
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  const auto mac = server.signIn(client, "ann@example.com", "HW-1", "Studio");
  // Each idle connect costs this process a descriptor; the server keeps far fewer than come.
  const std::size_t count = std::min<std::size_t>(12'000, descriptorLimit() - 300);
  Sockets flood;
  std::atomic<bool> asking = true;
  std::thread flooding([&] {  // connects again whenever the server sheds one, until the Mac is done
    flood.fds.assign(count, -1);
    while (asking)
      for (int& fd : flood.fds)
        if (fd < 0 || endedByServer(fd)) {
          if (fd >= 0) ::close(fd);
          fd = connectFrom(server.port(), "127.0.0.1", SOCK_NONBLOCK);
        }
  });
  const std::string me = request("GET", "/api/v1/me", "127.0.0.1:" + std::to_string(server.port()),
                                 "Authorization: Bearer " + mac.token + "\r\nConnection: close\r\n");
  int served = 0;
  for (int i = 0; i < 30; ++i) served += roundTrip(server.port(), me).status == 200;
  asking = false;
  flooding.join();
  EXPECT_EQ(served, 30) << "of 30 beside " << count << " idle connects";
}
