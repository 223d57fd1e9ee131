#pragma once
// cpp-httplib's request handling (parsing, routes, answers) behind a serving loop of our own
// (ServingLoop: its limits are the server's), so that slow or hostile clients on the machine can
// neither stop the server nor fill its memory. On top of the loop:
//  - every request's head is vetted (`Vetting`) before its body is read; a refused request's body
//    never is, and its connection ends after the answer;
//  - only bodies of one stated length are read: a transfer coding or a doubtful length is refused
//    (411, 400) and ends the connection;
//  - "Expect: 100-continue" is answered once the head is admitted; Range headers are ignored, so
//    every answer is whole.

#include <httplib.h>

#include <functional>
#include <string>

#include "HttpExchange.hpp"
#include "ServingLoop.hpp"

namespace amberloom::server {

class GuardedHttpServer : public httplib::Server {
 public:
  using Limits = ServingLimits;
  // Fills `response` and returns true for a request that is refused on its head alone.
  using Vetting = std::function<bool(const httplib::Request&, httplib::Response&)>;
  // Fills the answer of a refusal made before any handler saw the request (a head too long, a
  // deadline passed, no memory left for it).
  using Refusal = std::function<void(httplib::Response&, int status)>;

  GuardedHttpServer(Limits limits, Vetting vetting, Refusal refusal);

  // Listens on `host`:`port` (0: a free port) with a queue of `backlog`; the port, or -1.
  int bindListener(const std::string& host, int port);
  // Serves until stop(); false when serving could not start.
  bool serve();
  // Safe from any thread, before or while serve() runs: serve() then returns.
  void stop();

  // Called from a handler: the connection of the request it answers ends after this answer.
  static void closeAfterAnswer();
  // Called from a handler before it makes an answer of about `bytes`: false when the server's
  // memory has no room for it now.
  static bool reserveAnswer(std::size_t bytes);
  // Called from a handler once the request's caller proved the device token of `owner`: its body
  // and answer are then held in the memory that open requests cannot take, within that account's
  // and device's share, and its transfer is not pushed out by newcomers while it moves.
  static void trustCaller(MemoryBudget::Owner owner);

 private:
  void handle(HttpExchange& exchange);
  HandlerResponse vet(const httplib::Request& request, httplib::Response& response);
  std::string refusalAnswer(int status) const;

  Vetting vetting_;
  Refusal refusal_;
  ServingLoop loop_;
};

}  // namespace amberloom::server
