#pragma once
// The sockets of an HTTP server, served by one thread that waits on all of them at once, so that an
// idle, slow or stalled client costs a socket and a few KiB but no thread:
//  - a request's head (request line and headers) must stay within `maxHeadBytes` (431 otherwise)
//    and the request must arrive whole within `requestDeadline` of its first byte (408);
//  - the bodies received and the answers waiting to be taken, of all connections together, stay
//    within `memoryCeiling`, and those of requests whose caller has proved no device token within
//    `openMemoryCeiling`: a body is counted as its bytes arrive, and one that finds no room, like a
//    GET's answer that finds none, is refused by 503 (whose answer should say when to ask again);
//  - an answer must be taken within `responseDeadline`, a connection may wait `idleTimeout` for its
//    next request, and at most `maxConnections` are kept: a newcomer beyond that pushes out a
//    connection that is idle, then one that has stalled, then one of a caller that proved no device
//    token, and never a signed-in device's transfer that is moving (the newcomer is then closed);
//  - complete requests go to `threads` workers, which never touch a socket.
// A refused request's connection stops sending, reads for a moment what its client still sends
// (so that the answer is not lost to a reset) and closes.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "HttpExchange.hpp"

namespace amberloom::server {

struct ServingLimits {
  std::chrono::milliseconds requestDeadline{std::chrono::seconds(10)};
  std::chrono::milliseconds responseDeadline{std::chrono::seconds(20)};
  std::chrono::milliseconds idleTimeout{std::chrono::seconds(5)};  // between requests of one connection
  std::size_t maxHeadBytes = 8u << 10;
  std::size_t maxBodyBytes = 16u << 20;
  std::size_t memoryCeiling = 96u << 20;
  // Of the ceiling, what requests without a signed-in caller may hold together.
  std::size_t openMemoryCeiling = 16u << 20;
  // A body counts this many times its bytes received: while it is handled, the parsed request, what
  // is parsed out of it and the store's copy are held beside them.
  std::size_t bodyWeight = 4;
  std::size_t maxConnections = 4096;
  std::size_t requestsPerConnection = 100;
  std::size_t threads = 4;
  int backlog = 1024;
};

class ServingLoop {
 public:
  // Handles one pass of a request on a worker: reads `exchange`, writes its answer.
  using Handler = std::function<void(HttpExchange& exchange)>;
  // The whole answer (status line, headers, body) of a refusal the loop makes itself; it ends the
  // connection.
  using Refusal = std::function<std::string(int status)>;

  ServingLoop(ServingLimits limits, Handler handle, Refusal refuse);
  ~ServingLoop();
  ServingLoop(const ServingLoop&) = delete;
  ServingLoop& operator=(const ServingLoop&) = delete;

  // Listens on `host`:`port` (0: a free port); the port, or -1.
  int bind(const std::string& host, int port);
  // Serves until stop(); false when there is nothing to serve (not bound).
  bool run();
  // Safe from any thread, before or while run() serves: run() then returns.
  void stop();

 private:
  class Serving;
  ServingLimits limits_;
  Handler handle_;
  Refusal refuse_;
  int listener_ = -1;
  int wake_ = -1;
  std::atomic<bool> stopping_ = false;
};

}  // namespace amberloom::server
