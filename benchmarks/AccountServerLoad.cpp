// Puts the local account server (its production limits, on a loopback port in this process) under
// load: 50 Macs that each sign in by the outbox link and then make 200 requests (uploads against
// their revision, fetches of every document, the account), alone or beside an attack:
//  - `stalled` sockets (half of them sending one header line every 2 seconds, half announcing a
//    sign-in body as long as one may be and sending one byte of it);
//  - `flood` idle connects (never a byte sent), connecting again as the server sheds them;
//  - `hogs` uploads of one signed-in account announcing 16 MiB and sending half of it.
// Each connects again whenever it is cut off. Prints the latency percentiles of the requests, the
// errors, and the writes the server acknowledged but no longer holds; a failed check is reported
// and ends the run with status 1. Run by hand from the build folder:
// bin/account_server_load [clients] [requests] [stalled] [flood] [hogs]   (defaults 50 200 200 0 0)

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <stdexcept>
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

// A confirmed sign-in: the press of the link page's button.
void confirm(const std::string& link) {
  const auto at = link.find("/confirm?code=");
  if (at == std::string::npos) throw std::runtime_error("no sign-in link");
  HttpRequest press;
  press.method = "POST";
  press.url = link.substr(0, at) + "/confirm";
  press.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
  press.body = "code=" + link.substr(at + 14);
  CurlHttpSession().perform(press);
}

// The newest link the outbox (at `outbox`, the address the server gives) holds for `email`.
std::string outboxLink(const std::string& outbox, const std::string& email) {
  const auto query = outbox.find('?');
  std::string link;
  for (const auto& entry : parseJson(httpGet(outbox.substr(0, query) + ".json" + outbox.substr(query))))
    if (entry.at("email") == email) link = entry.at("link");
  return link;
}

// A socket that has begun a request head, or (`body`) a sign-in whose body stops after a byte;
// or -1.
int beginStalling(const sockaddr_in& to, bool body) {
  const std::string opening =
      body ? "POST /api/v1/auth/request HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(ntohs(to.sin_port)) +
                 "\r\nContent-Type: application/json\r\nContent-Length: " +
                 std::to_string(server::AccountServer::maxOpenBodyBytes) + "\r\n\r\n{"
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

// `count` connections that never send a byte, made again as the server sheds them.
void flood(int port, int count, const std::atomic<bool>& running, std::atomic<int>& shed) {
  sockaddr_in to{AF_INET, htons(static_cast<std::uint16_t>(port)), {}, {}};
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  std::vector<int> sockets(static_cast<std::size_t>(count), -1);
  while (running) {
    for (int& fd : sockets) {
      if (!running) break;
      char byte;
      if (fd >= 0 && ::recv(fd, &byte, 1, MSG_DONTWAIT) < 0 && (errno == EAGAIN || errno == ENOTCONN)) continue;
      if (fd >= 0) {
        ::close(fd);
        ++shed;
      }
      fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        fd = -1;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (int fd : sockets)
    if (fd >= 0) ::close(fd);
}

// `count` uploads of the account of `token` that announce 16 MiB and send half, made again when
// the server ends them.
void hog(int port, int count, const std::string& token, const std::atomic<bool>& running, std::atomic<int>& ended) {
  sockaddr_in to{AF_INET, htons(static_cast<std::uint16_t>(port)), {}, {}};
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  const std::size_t announced = 16u << 20;
  const std::string head = "PUT /api/v1/documents/mine HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                           "\r\nContent-Type: application/json\r\nAuthorization: Bearer " + token +
                           "\r\nIf-Match: 0\r\nX-Device-Hardware-Id: HOG\r\nContent-Length: " +
                           std::to_string(announced) + "\r\n\r\n";
  const std::string half(announced / 2, ' ');
  std::vector<int> sockets(static_cast<std::size_t>(count), -1);
  std::vector<std::size_t> sent(sockets.size(), 0);
  while (running) {
    for (std::size_t i = 0; i < sockets.size() && running; ++i) {
      int& fd = sockets[i];
      char byte;
      const bool open = fd >= 0 && ::recv(fd, &byte, 1, MSG_DONTWAIT) < 0 && errno == EAGAIN;
      if (!open) {
        if (fd >= 0) {
          ::close(fd);
          ++ended;
        }
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 ||
            ::send(fd, head.data(), head.size(), MSG_NOSIGNAL) <= 0) {
          ::close(fd);
          fd = -1;
          continue;
        }
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        sent[i] = 0;
      }
      if (sent[i] < half.size()) {
        const auto n = ::send(fd, half.data() + sent[i], half.size() - sent[i], MSG_NOSIGNAL);
        if (n > 0) sent[i] += static_cast<std::size_t>(n);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
void mac(int index, int requests, const std::string& root, const std::string& outbox, Results& results) {
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
    confirm(outboxLink(outbox, email));
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
  // The final check: a failure of its own is reported like any other, and counts as a loss, since
  // the write could not be found.
  int lost = 0;
  if (!acknowledged.empty()) {
    lost = 1;
    try {
      for (const auto& document : client.documents(session->token))
        if (document.deviceID == session->deviceID && document.payload == acknowledged) lost = 0;
    } catch (const std::exception& error) {
      ++errors;
      std::fprintf(stderr, "%s: final check: %s\n", email.c_str(), error.what());
    }
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
  const int idleConnects = argc > 4 ? std::max(0, std::atoi(argv[4])) : 0;
  const int hogUploads = argc > 5 ? std::max(0, std::atoi(argv[5])) : 0;
  // Both ends of every connection live in this process.
  if (rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &files);
  }
  const auto temporaryHome = bench::useTemporaryHome();
  if (!temporaryHome) return 1;

  std::ostringstream log;
  server::AccountDatabase database(*temporaryHome + "/accounts.sqlite");
  server::AccountServer accountServer(database, log);
  const int port = accountServer.bind(0);
  std::thread serving([&] { accountServer.run(); });
  const std::string root = "http://127.0.0.1:" + std::to_string(port);
  const std::string outbox = accountServer.outboxAddress();
  httpGet(outbox);

  std::atomic<bool> stalling = true;
  std::atomic<int> cutOff = 0, shed = 0, hogsEnded = 0;
  std::thread stalled(stall, port, stalledSockets, std::cref(stalling), std::ref(cutOff));
  std::thread flooding(flood, port, idleConnects, std::cref(stalling), std::ref(shed));
  std::thread hogging;
  if (hogUploads > 0) {
    Results ignored;
    std::optional<AccountClient::Session> hogger;
    try {
      const AccountClient client(root + "/api/v1", std::make_shared<CurlHttpSession>());
      const std::string verifier = client.requestSignIn("hog@example.com");
      confirm(outboxLink(outbox, "hog@example.com"));
      hogger = client.pollForSession(verifier, "Hog", "HOG");
    } catch (const std::exception& error) {
      std::fprintf(stderr, "the hogging account could not sign in: %s\n", error.what());
    }
    if (hogger) hogging = std::thread(hog, port, hogUploads, hogger->token, std::cref(stalling), std::ref(hogsEnded));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  Results results;
  const auto started = Clock::now();
  std::vector<std::thread> macs;
  for (int i = 0; i < clients; ++i) macs.emplace_back(mac, i, requests, root, outbox, std::ref(results));
  for (auto& thread : macs) thread.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

  stalling = false;
  stalled.join();
  flooding.join();
  if (hogging.joinable()) hogging.join();
  accountServer.stop();
  serving.join();

  auto& times = results.milliseconds;
  std::printf("%d clients x %d requests (+ sign-in), %d stalled sockets, %d idle connects, %d hogging uploads: "
              "%zu requests in %.1f s\n",
              clients, requests, stalledSockets, idleConnects, hogUploads, times.size(), seconds);
  std::printf("latency p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", percentile(times, 0.50), percentile(times, 0.99),
              percentile(times, 1.0));
  std::printf("errors %d, lost writes %d, stalled sockets cut off %d times, idle connects shed %d, hogging uploads "
              "ended %d\n",
              results.errors, results.lostWrites, cutOff.load(), shed.load(), hogsEnded.load());
  std::filesystem::remove_all(*temporaryHome);
  return results.errors == 0 && results.lostWrites == 0 ? 0 : 1;
}
