// The built account server against local clients that try to wear it out rather than to fool it:
// hundreds of sockets that stall, heads far beyond any real one, floods of sign-ins. Written on
// raw sockets.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <map>
#include <thread>

#include "AccountServerProcess.hpp"
#include "LiveServer.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using namespace std::chrono_literals;

namespace {

// The most memory process `pid` has held at once, in bytes.
std::size_t peakMemory(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stoull(line.substr(6)) * 1024;
  return 0;
}

std::string hostOf(const AccountServerProcess& server) { return "127.0.0.1:" + std::to_string(server.port()); }

}  // namespace

TEST(ResourceExhaustion, AFreshRequestIsAnsweredWithinASecondWhileHundredsOfSocketsStall) {
  AccountServerProcess server;
  const std::string host = hostOf(server);
  // Four ways of holding a connection: silent, a head that trickles, a body that never comes, and
  // a kept-alive connection asking something now and then.
  const std::string openings[] = {
      "",
      "GET /outbox.json HTTP/1.1\r\n",
      request("POST", "/api/v1/auth/request", host, "Content-Type: application/json\r\nContent-Length: 4000\r\n", "{"),
      request("GET", outboxJsonPath(server.outboxAddress()), host),
  };
  Sockets stalled;
  for (int i = 0; i < 200; ++i) {
    stalled.fds.push_back(connectFrom(server.port()));
    ::send(stalled.fds.back(), openings[i % 4].data(), openings[i % 4].size(), MSG_NOSIGNAL);
  }
  std::atomic<bool> stalling = true;
  std::thread trickle([&] {
    const std::string again = request("GET", outboxJsonPath(server.outboxAddress()), host);
    for (int round = 1; stalling; ++round) {
      std::this_thread::sleep_for(100ms);
      for (std::size_t i = 1; i < stalled.fds.size(); i += 4) ::send(stalled.fds[i], "X-Slow: 1\r\n", 11, MSG_NOSIGNAL);
      for (std::size_t i = 3; round % 10 == 0 && i < stalled.fds.size(); i += 4)
        ::send(stalled.fds[i], again.data(), again.size(), MSG_NOSIGNAL);
    }
  });

  for (int attempt = 0; attempt < 5; ++attempt) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(roundTrip(server.port(), request("GET", outboxJsonPath(server.outboxAddress()), host,
                                               "Connection: close\r\n")).status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << "attempt " << attempt;
    std::this_thread::sleep_for(300ms);
  }
  // The application's own client signs in meanwhile.
  const auto started = std::chrono::steady_clock::now();
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  EXPECT_NO_THROW(server.signIn(client, "ann@example.com", "HW-1", "Studio"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  stalling = false;
  trickle.join();
}

TEST(ResourceExhaustion, HeadsOfSixteenMegabytesAreCutShortAndTheServerStaysSmall) {
  AccountServerProcess server;
  const std::string filler(16u << 20, 'x');
  const std::string hogs[] = {"GET /outbox.json HTTP/1.1\r\nX-Filler: " + filler, "GET /" + filler};  // a header, a request line
  // 128 at once, each sending until the server ends its connection, and reading what it answers.
  Sockets sockets;
  std::vector<std::size_t> sent(128, 0);
  std::vector<std::string> received(128);
  std::vector<bool> done(128, false);
  for (std::size_t i = 0; i < 128; ++i) sockets.fds.push_back(connectFrom(server.port(), "127.0.0.1", SOCK_NONBLOCK));
  const auto until = std::chrono::steady_clock::now() + 15s;
  for (std::size_t left = 128; left > 0 && std::chrono::steady_clock::now() < until;) {
    std::vector<pollfd> waits;
    std::vector<std::size_t> which;
    for (std::size_t i = 0; i < 128; ++i)
      if (!done[i]) {
        waits.push_back({sockets.fds[i], static_cast<short>(POLLIN | (sent[i] < hogs[i % 2].size() ? POLLOUT : 0)), 0});
        which.push_back(i);
      }
    ::poll(waits.data(), waits.size(), 100);
    for (std::size_t w = 0; w < waits.size(); ++w) {
      const std::size_t i = which[w];
      const std::string& hog = hogs[i % 2];
      char buffer[4096];
      if (waits[w].revents & POLLIN) {
        const auto n = ::recv(waits[w].fd, buffer, sizeof buffer, 0);
        if (n > 0) received[i].append(buffer, static_cast<std::size_t>(n));
        done[i] = n <= 0;
      } else if (waits[w].revents & POLLOUT) {
        const auto n = ::send(waits[w].fd, hog.data() + sent[i], std::min<std::size_t>(1u << 20, hog.size() - sent[i]),
                              MSG_NOSIGNAL);
        if (n > 0) sent[i] += static_cast<std::size_t>(n);
        done[i] = n < 0 && errno != EAGAIN;
      } else if (waits[w].revents & (POLLERR | POLLHUP)) {
        done[i] = true;
      }
      if (done[i]) --left;
    }
  }
  for (std::size_t i = 0; i < 128; ++i) {
    EXPECT_TRUE(done[i]) << "connection " << i << " was kept";
    EXPECT_EQ(parseAnswer(received[i]).status, 431) << "connection " << i;
  }
  EXPECT_LT(peakMemory(server.pid()), 256u << 20);
  EXPECT_EQ(roundTrip(server.port(), request("GET", outboxJsonPath(server.outboxAddress()), hostOf(server))).status,
            200);
}

TEST(ResourceExhaustion, AFloodOfSignInsForMadeUpAddressesLeavesNewcomersAndOwnersTheirLinks) {
  AccountServerProcess server;
  const std::string host = hostOf(server);
  const AccountClient client(server.apiBase(), std::make_shared<CurlHttpSession>());
  server.signIn(client, "ann@example.com", "HW-1", "Studio");

  // One caller asks for more made-up addresses than every newcomer once had between them in a minute.
  std::map<int, int> answers;
  for (int i = 0; i < 150; ++i)
    ++answers[roundTrip(server.port(), signInRequest(host, "nobody" + std::to_string(i) + "@example.com")).status];
  EXPECT_EQ(answers, (std::map<int, int>{{202, 150}}));
  EXPECT_NO_THROW(server.signIn(client, "newcomer@example.com", "HW-2", "Laptop"));

  // Others asking for a real address again and again are refused past its links, and put none out
  // of use: its owner's link still signs the owner in.
  const std::string verifier = client.requestSignIn("ann@example.com");
  const std::string annsLink = server.outboxLink("ann@example.com");
  answers.clear();
  for (int i = 0; i < 8; ++i) ++answers[roundTrip(server.port(), signInRequest(host, "ann@example.com")).status];
  EXPECT_EQ(answers, (std::map<int, int>{{202, 3}, {429, 5}}));
  confirmLink(annsLink);
  EXPECT_TRUE(client.pollForSession(verifier, "Mini", "HW-3"));
  const auto outbox = parseJson(httpGet(server.url(outboxJsonPath(server.outboxAddress()))));
  EXPECT_EQ(outbox.size(), 152u) << "each address's newest link";
  EXPECT_EQ(outbox.back().at("email"), "ann@example.com");
}
