#pragma once
// The local account server: the account interface of the application (below /api/v1) over
// AccountDatabase, on loopback. The e-mailed sign-in link is replaced by an outbox: every sign-in
// request writes its confirmation link to the log and to the outbox pages (/outbox for a browser,
// /outbox.json as [{"email", "link"}], oldest first), which answer only requests carrying the
// outbox key (`?key=...`, kept in the data folder's "outbox-key"): they stand in for the user's
// mailbox, and whoever reads a link can sign in as its address. Opening the link
// (GET /confirm?code=...) shows a page whose "Confirm sign-in" button (POST /confirm) confirms that
// sign-in, so that a mail scanner's visit of the link signs nothing in. Errors answer
// {"error": "<code>"}. Device tokens and the outbox key are never logged.
//
// Addresses are taken in their one spelling (EmailAddress) wherever they come in.
//
// It answers only requests addressed to itself (Host 127.0.0.1, localhost or [::1] with its port),
// so that a web page whose own host name points at this machine cannot reach it, and reads only
// JSON bodies ("Content-Type: application/json") of a stated length: chunked or compressed bodies,
// writes without a length and bodies over the limit are refused before they are read, and the
// connection is then closed. A request without a device token may carry only the few hundred bytes
// its endpoint needs (`maxOpenBodyBytes`). The outbox shows each address's newest link until it
// expires, for up to `outboxPageEntries` addresses (those with an account first).
//
// Sign-in links are limited by address, not by caller (SignInThrottle). A request beyond its
// address's links is answered 429 with Retry-After and changes nothing, so that no request can
// put another's link out of use.
//
// A device's upload is refused (413 "account_full") when it would make the list of the account's
// documents larger than one answer may hold, so that every account stays fetchable, and
// (507 "server_full") when the documents of all accounts together would pass the server's capacity;
// a sign-in that would make an account beyond the capacity is refused by 507 "too_many_accounts".
//
// What one account holds in flight (bodies arriving, answers being made and taken) is capped within
// the signed-in room so that another account always has room for its largest upload or list.

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
  // The largest body of a request without a device token: a sign-in request or a poll, of a few
  // hundred bytes, with room for escapes.
  static constexpr std::size_t maxOpenBodyBytes = 4u << 10;
  // The addresses an outbox page shows at most.
  static constexpr std::size_t outboxPageEntries = 1000;
  // The answer listing an account's documents holds this many times the list's bytes at most while
  // it is made.
  static constexpr std::size_t answerCopiesOfList = 2;

  struct Options {
    GuardedHttpServer::Limits connections{};
    SignInThrottle::Limits signIns{};
    // Unix seconds; the system clock unless a test turns it.
    std::function<std::int64_t()> clock;
    // What opens the outbox (loadOrMakeOutboxKey); empty: a fresh one for this run alone.
    std::string outboxKey;
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
  // The outbox page's whole address, key included ("http://127.0.0.1:PORT/outbox?key=..."), once
  // bound.
  std::string outboxAddress() const;

 private:
  using Request = httplib::Request;
  using Response = httplib::Response;

  void requestSignIn(const Request& request, Response& response);
  void confirmPage(const Request& request, Response& response);
  void confirmPress(const Request& request, Response& response);
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
  // Whether the request carries the outbox key; otherwise answers 403.
  bool opensOutbox(const Request& request, Response& response) const;
  // Refuses, before its body is read, a request this server must not take; false when it may go on.
  bool refusedUpFront(const Request& request, Response& response);
  void logLine(const std::string& line);
  std::int64_t now() const;

  AccountDatabase& database_;
  std::ostream& log_;
  std::mutex logMutex_;
  Options options_;
  SignInThrottle signIns_;
  // What one device's requests may hold together, and what one account's list of documents may hold
  // (its documents as listed), so that its answer fits in that.
  std::size_t deviceRoom_ = 0;
  std::size_t listLimit_ = 0;
  std::unique_ptr<GuardedHttpServer> http_;
  int port_ = 0;
};

}  // namespace amberloom::server
