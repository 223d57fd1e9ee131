#pragma once
// The local account server: the account interface of the application (below /api/v1) over
// AccountDatabase, on loopback. The e-mailed sign-in link is replaced by an outbox: every sign-in
// request writes its confirmation link to the log and to the outbox pages (/outbox for a browser,
// /outbox.json as [{"email", "link"}], oldest first); opening the link (/confirm?code=...) confirms
// that sign-in. Errors answer {"error": "<code>"}. Device tokens are never logged.
//
// It answers only requests addressed to itself (Host 127.0.0.1, localhost or [::1] with its port),
// so that a web page whose own host name points at this machine cannot reach it, and reads only
// JSON bodies ("Content-Type: application/json") of a stated length: chunked or compressed bodies,
// writes without a length and bodies over the limit are refused before they are read, and the
// connection is then closed. Any local process can read the outbox, as any process of the user
// could read the user's mailbox; it stands in for that mailbox. Its entries go when their link
// expires, and a page shows the newest `outboxPageEntries`.
//
// Sign-in links are limited by address, not by caller (SignInThrottle). A request beyond its
// address's links is answered 429 with Retry-After and changes nothing, so that no request can
// put another's link out of use.
//
// A device's upload is refused (413 "account_full") when it would make the list of the account's
// documents larger than one answer may hold, so that every account stays fetchable.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "AccountDatabase.hpp"
#include "GuardedHttpServer.hpp"
#include "SignInThrottle.hpp"
#include "Sync/SyncDocument.hpp"

namespace amberloom::server {

class AccountServer {
 public:
  // The largest document upload: the largest sync document the application writes. A larger body
  // is answered 413.
  static constexpr std::size_t maxBodyBytes = SyncDocument::maximumSize;
  // The largest body of a sign-in request.
  static constexpr std::size_t maxSignInBodyBytes = 64u << 10;
  // The entries an outbox page shows at most.
  static constexpr std::size_t outboxPageEntries = 100;
  // The answer listing an account's documents holds this many times the list's bytes at most while
  // it is made.
  static constexpr std::size_t answerCopiesOfList = 2;

  struct Options {
    GuardedHttpServer::Limits connections{};
    SignInThrottle::Limits signIns{};
    // Unix seconds; the system clock unless a test turns it.
    std::function<std::int64_t()> clock;
  };

  AccountServer(AccountDatabase& database, std::ostream& log);
  AccountServer(AccountDatabase& database, std::ostream& log, Options options);
  ~AccountServer();
  AccountServer(const AccountServer&) = delete;
  AccountServer& operator=(const AccountServer&) = delete;

  // Binds 127.0.0.1:`port` (0: a free port) and returns the port. Throws std::runtime_error.
  int bind(int port);
  // Serves until stop(); returns false when serving could not start.
  bool run();
  // Safe from any thread, before or while run() serves: run() then returns.
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
  // Refuses, before its body is read, a request this server must not take; false when it may go on.
  bool refusedUpFront(const Request& request, Response& response);
  void logLine(const std::string& line);
  std::int64_t now() const;

  AccountDatabase& database_;
  std::ostream& log_;
  std::mutex logMutex_;
  Options options_;
  SignInThrottle signIns_;
  // The memory that only signed-in devices' requests may take, and what one account's list of
  // documents may hold (its documents as listed), within it.
  std::size_t signedInRoom_ = 0;
  std::size_t listLimit_ = 0;
  std::unique_ptr<GuardedHttpServer> http_;
  int port_ = 0;
};

}  // namespace amberloom::server
