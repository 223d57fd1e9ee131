#pragma once
// The local account server: the account interface of the application (below /api/v1) over
// AccountDatabase, on loopback. The e-mailed sign-in link is replaced by an outbox: every sign-in
// request writes its confirmation link to the log and to the outbox pages (/outbox for a browser,
// /outbox.json as [{"email", "link"}], oldest first); opening the link (/confirm?code=...) confirms
// that sign-in. Errors answer {"error": "<code>"}. Device tokens are never logged.

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "AccountDatabase.hpp"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace amberloom::server {

class AccountServer {
 public:
  static constexpr std::size_t maxBodyBytes = 8u << 20;  // larger requests are answered 413
  static constexpr int signInBurst = 5;                   // sign-in requests per address...
  static constexpr std::chrono::seconds signInWindow{60};  // ...within this window; more are 429

  AccountServer(AccountDatabase& database, std::ostream& log);
  ~AccountServer();
  AccountServer(const AccountServer&) = delete;
  AccountServer& operator=(const AccountServer&) = delete;

  // Binds 127.0.0.1:`port` (0: a free port) and returns the port. Throws std::runtime_error.
  int bind(int port);
  // Serves until stop(); returns false when serving could not start.
  bool run();
  // Safe from any thread.
  void stop();

 private:
  using Request = httplib::Request;
  using Response = httplib::Response;

  void requestSignIn(const Request& request, Response& response);
  void confirm(const Request& request, Response& response);
  void poll(const Request& request, Response& response);
  void me(const Request& request, Response& response);
  void removeDevice(const Request& request, Response& response);
  void deleteAccount(const Request& request, Response& response);
  void putDocument(const Request& request, Response& response);
  void documents(const Request& request, Response& response);
  void outboxPage(const Request& request, Response& response);
  void outboxJson(const Request& request, Response& response);

  // The caller of a request with a valid Bearer token; otherwise answers 401 and gives none.
  std::optional<AccountDatabase::Caller> caller(const Request& request, Response& response);
  // False when `address` has used up its sign-in requests for now.
  bool admitSignIn(const std::string& address);
  void logLine(const std::string& line);

  AccountDatabase& database_;
  std::ostream& log_;
  std::mutex logMutex_;
  std::unique_ptr<httplib::Server> http_;
  int port_ = 0;
  std::mutex throttleMutex_;
  std::map<std::string, std::deque<std::chrono::steady_clock::time_point>> signInsByAddress_;
};

}  // namespace amberloom::server
