// Puts the local account server (its production limits, on a loopback port in this process) under
// load: 50 Macs that each sign in by the outbox link and then make 200 requests (uploads against
// their revision, fetches of every document, the account), while 200 stalled sockets (half of them
// sending one header line every 2 seconds, half announcing a 64 KiB sign-in body and sending one
// byte of it) connect again whenever they are cut off. Prints the latency
// percentiles of the requests, the errors, and the writes the server acknowledged but no longer
// holds. Run by hand from the build folder: bin/account_server_load [clients] [requests] [stalled].

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Account/AccountClient.hpp"
#include "AccountServer.hpp"
#include "BenchmarkHome.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Json.hpp"
#include "Sync/SyncDocument.hpp"

using namespace amberloom;
using Clock = std::chrono::steady_clock;

namespace {

std::string httpGet(const std::string& url) {
  HttpRequest request;
  request.url = url;
  return CurlHttpSession().perform(request).body;
}

// A socket that has begun a request head, or (`body`) a sign-in whose body stops after a byte;
// or -1.
int beginStalling(const sockaddr_in& to, bool body) {
  const std::string opening =
      body ? "POST /api/v1/auth/request HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(ntohs(to.sin_port)) +
                 "\r\nContent-Type: application/json\r\nContent-Length: 65536\r\n\r\n{"
           : "GET /outbox.json HTTP/1.1\r\n";
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
      ::send(fd, opening.data(), opening.size(), MSG_NOSIGNAL) > 0)
    return fd;
  ::close(fd);
  return -1;
}

// `count` sockets that stall (every other one in its body, the rest sending a request head one
// line every 2 seconds), connecting again when cut off.
void stall(int port, int count, const std::atomic<bool>& running, std::atomic<int>& cutOff) {
  sockaddr_in to{AF_INET, htons(static_cast<std::uint16_t>(port)), {}, {}};
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  std::vector<int> sockets(static_cast<std::size_t>(count), -1);
  for (std::size_t i = 0; i < sockets.size(); ++i) sockets[i] = beginStalling(to, i % 2);
  while (running) {
    for (int i = 0; i < 20 && running; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (std::size_t i = 0; i < sockets.size(); ++i) {
      int& fd = sockets[i];
      const bool body = i % 2;
      char byte;
      const bool quiet = fd >= 0 && ::recv(fd, &byte, 1, MSG_DONTWAIT) < 0 && errno == EAGAIN;
      if (quiet && (body || ::send(fd, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL) > 0)) continue;
      if (fd >= 0) {
        ::close(fd);
        ++cutOff;
      }
      fd = beginStalling(to, body);
    }
  }
  for (int fd : sockets)
    if (fd >= 0) ::close(fd);
}

struct Results {
  std::mutex mutex;
  std::vector<double> milliseconds;
  int errors = 0;
  int lostWrites = 0;
  void add(const std::vector<double>& times, int failed, int lost) {
    std::lock_guard lock(mutex);
    milliseconds.insert(milliseconds.end(), times.begin(), times.end());
    errors += failed;
    lostWrites += lost;
  }
};

// One Mac: signs in, then uploads, fetches and reads its account in turn.
void mac(int index, int requests, const std::string& root, Results& results) {
  const AccountClient client(root + "/api/v1", std::make_shared<CurlHttpSession>());
  const std::string email = "mac" + std::to_string(index) + "@example.com";
  const std::string hardwareID = "HW-" + std::to_string(index);
  std::vector<double> times;
  int errors = 0;
  const auto timed = [&](auto call) {
    const auto started = Clock::now();
    try {
      call();
    } catch (const std::exception& error) {
      ++errors;
      std::fprintf(stderr, "%s: %s\n", email.c_str(), error.what());
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
  };

  std::optional<AccountClient::Session> session;
  timed([&] {
    const std::string verifier = client.requestSignIn(email);
    std::string link;
    for (const auto& entry : parseJson(httpGet(root + "/outbox.json")))
      if (entry.at("email") == email) link = entry.at("link");
    httpGet(link);
    session = client.pollForSession(verifier, "Mac " + std::to_string(index), hardwareID);
  });
  if (!session) {
    results.add(times, errors + 1, 0);
    return;
  }

  std::int64_t revision = 0;
  std::string acknowledged;
  for (int i = 0; i < requests; ++i) {
    switch (i % 4) {
      case 0:
      case 2: {
        const std::string payload =
            SyncDocument{"D-" + std::to_string(index), "Mac", {{"n", PreferenceValue::integer(i)}}}.encoded();
        timed([&] {
          revision = client.putDocument(payload, revision, session->token, hardwareID);
          acknowledged = payload;
        });
        break;
      }
      case 1: timed([&] { client.documents(session->token); }); break;
      case 3: timed([&] { client.account(session->token); }); break;
    }
  }
  int lost = 0;
  if (!acknowledged.empty()) {
    lost = 1;
    for (const auto& document : client.documents(session->token))
      if (document.deviceID == session->deviceID && document.payload == acknowledged) lost = 0;
  }
  results.add(times, errors, lost);
}

double percentile(std::vector<double>& values, double p) {
  if (values.empty()) return 0;
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

}  // namespace

int main(int argc, char** argv) {
  const int clients = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  const int requests = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
  const int stalledSockets = argc > 3 ? std::max(0, std::atoi(argv[3])) : 200;
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;

  std::ostringstream log;
  server::AccountDatabase database(*temporaryHome + "/accounts.sqlite");
  server::AccountServer accountServer(database, log);
  const int port = accountServer.bind(0);
  std::thread serving([&] { accountServer.run(); });
  const std::string root = "http://127.0.0.1:" + std::to_string(port);
  httpGet(root + "/outbox.json");

  std::atomic<bool> stalling = true;
  std::atomic<int> cutOff = 0;
  std::thread stalled(stall, port, stalledSockets, std::cref(stalling), std::ref(cutOff));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  Results results;
  const auto started = Clock::now();
  std::vector<std::thread> macs;
  for (int i = 0; i < clients; ++i) macs.emplace_back(mac, i, requests, root, std::ref(results));
  for (auto& thread : macs) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

  stalling = false;
  stalled.join();
  accountServer.stop();
  serving.join();

  auto& times = results.milliseconds;
  std::printf("%d clients x %d requests (+ sign-in), %d stalled sockets: %zu requests in %.1f s\n", clients, requests,
              stalledSockets, times.size(), seconds);
  std::printf("latency p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", percentile(times, 0.50), percentile(times, 0.99),
              percentile(times, 1.0));
  std::printf("errors %d, lost writes %d, stalled sockets cut off %d times\n", results.errors, results.lostWrites,
              cutOff.load());
  std::filesystem::remove_all(*temporaryHome);
  return results.errors == 0 && results.lostWrites == 0 ? 0 : 1;
}
