#pragma once
// The sockets of an HTTP server, served by one thread that waits on all of them at once, so that an
// idle, slow or stalled client costs a socket and a few KiB but no thread:
//  - a request's head (request line and headers) must stay within `maxHeadBytes` (431 otherwise)
//    and the request must arrive whole within `requestDeadline` of its first byte (408);
//  - the bodies received and the answers waiting to be taken, of all connections together, stay
//    within `memoryCeiling`; those of requests whose caller has proved no device token within a room
//    of their own (`openMemoryCeiling`), the others within the rest, and those of one account (one
//    device) within `accountMemoryCeiling` (`deviceMemoryCeiling`). A body is counted for the bytes
//    that have arrived, never for what its length promises, and `bodyWeight` times over once whole,
//    for the copies its handling makes; a body or an answer that finds no room is refused by 503
//    (whose answer should say when to ask again);
//  - an answer must be taken within `responseDeadline`, a connection may wait `idleTimeout` for its
//    first or next request, and at most `maxConnections` are kept: a newcomer beyond that pushes out
//    a connection that has never sent a byte (the oldest first, and never one that came in the same
//    turn of the loop, which it has not yet read), then one that is done, idle between requests or
//    stalled, then one of a caller that proved no device token, and never a signed-in device's
//    transfer that is moving (the newcomer is then closed);
//  - at most `acceptsPerTurn` newcomers are taken between two looks at the clients already there,
//    so that a flood of connects never holds up the requests of those;
//  - complete requests go to `threads` workers, which never touch a socket.
// A refused request's connection stops sending, reads for a moment what its client still sends
// (so that the answer is not lost to a reset) and closes.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
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
  std::size_t memoryCeiling = 176u << 20;
  // Of the ceiling, the room of requests without a signed-in caller (sign-in requests and polls).
  std::size_t openMemoryCeiling = 16u << 20;
  // Of the rest, what one signed-in account, and one device of it, may hold together.
  std::size_t accountMemoryCeiling = SIZE_MAX;
  std::size_t deviceMemoryCeiling = SIZE_MAX;
  // A whole body counts this many times its bytes: while it is handled, the parsed request, what is
  // parsed out of it and the store's copy are held beside them.
  std::size_t bodyWeight = 4;
  std::size_t maxConnections = 4096;
  std::size_t acceptsPerTurn = 64;
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
