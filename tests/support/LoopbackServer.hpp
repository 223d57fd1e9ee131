#pragma once
// A small HTTP server for tests, on 127.0.0.1 with a port the system picks, serving on threads of
// its own until it is destroyed. GET answers with the bytes served at a path (404 when none); POST
// answers 200 "{}". Every request is recorded. Each path can be switched to fail.
//
// PlainLoopbackSession lets the production wiring (which builds "https://<host>/...") reach it.

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Support/HttpSession.hpp"

namespace amberloom::testing {

class LoopbackServer {
 public:
  enum class Failure {
    none,
    notFound,     // 404 with a short text body
    serverError,  // 500 with a short text body
    corrupt,      // the served bytes with one byte in the middle changed
    truncated,    // announces the whole length, sends half, then drops the connection
    stall,        // answers only after the next releaseStalls(), destruction or five minutes
  };

  struct Received {
    std::string method;
    std::string path;
    std::string contentType;
    std::string body;
  };

  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::string host() const;                         // "127.0.0.1:<port>"
  std::string url(const std::string& path) const;   // "http://127.0.0.1:<port><path>"

  void serve(const std::string& path, std::string body);
  void fail(const std::string& path, Failure failure);
  void releaseStalls();

  // Every request so far, in the order they arrived (recorded before any stall).
  std::vector<Received> received() const;
  // Waits until `count` requests for `path` have arrived, at most `limit`.
  bool waitForRequests(const std::string& path, std::size_t count, std::chrono::milliseconds limit) const;

  // "127.0.0.1:<port>" of a port nothing listens on.
  static std::string closedHost();

 private:
  struct State;
  std::unique_ptr<State> state_;
  int port_ = 0;
};

// Forwards to the live libcurl session, sending "https://127.0.0.1:..." as plain "http://" so the
// production wiring can talk to a LoopbackServer. Records the URLs it was asked for, as asked.
class PlainLoopbackSession final : public HttpSession {
 public:
  explicit PlainLoopbackSession(std::chrono::milliseconds timeout = CurlHttpSession::defaultTimeout)
      : live_(timeout) {}
  HttpResponse perform(const HttpRequest& request, std::stop_token stop = {}) override;
  std::vector<std::string> requestedURLs() const;

 private:
  CurlHttpSession live_;
  mutable std::mutex mutex_;
  std::vector<std::string> urls_;
};

}  // namespace amberloom::testing
