#pragma once
// cpp-httplib's request handling over connections of our own, so that slow or hostile clients on
// the machine cannot stop the server or fill its memory:
//  - a request (line, headers and body) must arrive within `requestDeadline` of its first byte and
//    stay within `maxRequestBytes`, and its answer must be taken within `responseDeadline`;
//    otherwise the connection is closed;
//  - `threads` connections are served at once and up to `backlog` more wait to be accepted;
//  - the listening socket is not shared with other processes (no SO_REUSEPORT);
//  - Range headers are ignored: every answer is whole;
//  - a handler that refuses a request without reading its body ends the connection after its
//    answer (`closeAfterAnswer`), so that the unread bytes are never taken for a next request.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>

namespace amberloom::server {

class GuardedHttpServer : public httplib::Server {
 public:
  struct Limits {
    std::chrono::milliseconds requestDeadline{std::chrono::seconds(10)};
    std::chrono::milliseconds responseDeadline{std::chrono::seconds(60)};
    std::chrono::milliseconds idleTimeout{std::chrono::seconds(5)};  // between requests of one connection
    std::size_t maxRequestBytes = 64u << 20;
    std::size_t requestsPerConnection = 100;
    std::size_t threads = 64;
    int backlog = 1024;
  };

  explicit GuardedHttpServer(Limits limits);

  // Binds `host`:`port` (0: a free port) with the listen queue of `backlog`; the port, or -1.
  int bindListener(const std::string& host, int port);

  // Called from a handler: the connection of the request it answers ends after this answer.
  static void closeAfterAnswer();

 private:
  bool process_and_close_socket(socket_t sock) override;

  Limits limits_;
  std::atomic<socket_t> listener_{INVALID_SOCKET};
};

}  // namespace amberloom::server
