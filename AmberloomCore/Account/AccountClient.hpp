#pragma once
// The one client of the account server: sign-in by e-mailed link, the account's Macs, and one
// sync document per Mac with a server revision. Every operation sends exactly one request through
// the HTTP session, blocks the calling thread until the answer is in, and returns the decoded
// result or throws. Run the calls on a worker (BackgroundTask.hpp) to keep a thread free; a
// requested `stop` cancels the transfer, which surfaces as `Failure::offline`.
//
// The wire protocol (every path below the base, e.g. "https://<host>/api/v1"):
//   POST   auth/request    {"email", "verifier_hash"}                  any 2xx
//   POST   auth/poll       {"verifier", "device_name", "hardware_id"}  202 not yet, other 2xx
//                          {"device_token", "device_id"}
//   GET    me              -> {"email", "devices": [{"id", "name", "last_seen_at", "is_this_mac"}]}
//   DELETE devices/<id>    (id percent-encoded as one path segment)
//   DELETE account
//   PUT    documents/mine  If-Match: <revision>, X-Device-Hardware-Id; body the payload as it is
//                          -> {"revision"}
//   GET    documents       -> {"documents": [{"device_id", "device_name", "revision", "payload",
//                          "updated_at"}]}
// Tokens go only into the "Authorization: Bearer" header: never into a URL, a log or an error.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "Support/ErrorDescription.hpp"

namespace amberloom {

class HttpSession;

class AccountClient {
 public:
  // Every failure of a request. Two failures are equal when they are the same case with equal
  // payloads.
  class Failure : public DescribedError {
   public:
    enum class Case { offline, server, needsSignIn, revisionStale, tooManyRequests };

    // The transfer failed; `description` is the transport error's own text.
    static Failure offline(const std::string& description);
    // Any status no other case covers (0: no HTTP answer), with the server's "error" code or one of
    // the fallbacks "bilinmiyor" (none sent) and "cozumlenemedi" (an unreadable sign-in answer).
    static Failure server(long status, const std::string& code);
    static Failure needsSignIn();      // 401
    static Failure revisionStale();    // 409
    static Failure tooManyRequests();  // 429

    Case errorCase() const { return case_; }
    const std::string& offlineDescription() const { return text_; }  // empty unless offline
    long status() const { return status_; }                           // 0 unless server
    const std::string& code() const { return text_; }                 // empty unless server
    bool operator==(const Failure& other) const {
      return case_ == other.case_ && status_ == other.status_ && text_ == other.text_;
    }

   private:
    Failure(Case c, long status, std::string text, const std::string& description)
        : DescribedError(description), case_(c), status_(status), text_(std::move(text)) {}
    Case case_;
    long status_;
    std::string text_;
  };

  // removeDevice refuses an id that cannot name one path segment ("", "." or ".."), before
  // anything is sent.
  class InvalidDeviceID : public std::invalid_argument {
   public:
    explicit InvalidDeviceID(std::string id);
    const std::string& id() const { return id_; }

   private:
    std::string id_;
  };

  struct Session {
    std::string token;     // the device token, sent as the Bearer credential
    std::string deviceID;  // the server's id for this Mac
    bool operator==(const Session&) const = default;
  };

  struct Account {
    struct Device {
      std::string id;
      std::string name;
      double lastSeenAt = 0;  // seconds since the reference date
      bool isThisMac = false;
      bool operator==(const Device&) const = default;
    };
    std::string email;
    std::vector<Device> devices;  // in the server's order
    bool operator==(const Account&) const = default;
  };

  struct RemoteDocument {
    std::string deviceID;
    std::string deviceName;
    std::int64_t revision = 0;
    std::string payload;  // the Mac's sync document as JSON text, verbatim
    double updatedAt = 0;  // seconds since the reference date
    bool operator==(const RemoteDocument&) const = default;
  };

  // A transfer idle this long fails as offline.
  static constexpr std::chrono::seconds idleTimeout{20};
  // The idle limit requests are sent with: idleTimeout, or what the environment sets
  // (Support/WaitLimit.hpp).
  static std::chrono::milliseconds currentIdleTimeout();
  // A longer answer fails as offline rather than filling memory.
  static constexpr std::size_t maxResponseBytes = 64u << 20;
  // The longest device token a sign-in accepts.
  static constexpr std::size_t maxTokenLength = 4096;

  AccountClient(std::string base, std::shared_ptr<HttpSession> session)
      : base_(std::move(base)), session_(std::move(session)) {}

  // Base "https://" + host + "/api/v1" over the live libcurl session. When AMBERLOOM_ACCOUNT_URL
  // holds a loopback http(s) address (the local account server, e.g.
  // "http://127.0.0.1:8080/api/v1"), that address is the base instead; any other value is ignored.
  static AccountClient standard(const std::string& host);
  // The base `standard(host)` uses.
  static std::string standardBase(const std::string& host);
  // The local account server's base that AMBERLOOM_ACCOUNT_URL names, when it is honoured.
  static std::optional<std::string> localServerBase();

  const std::string& base() const { return base_; }
  const std::shared_ptr<HttpSession>& session() const { return session_; }

  // Starts a sign-in for `email` as given and returns the fresh verifier the polls must send.
  // Throws Failure.
  std::string requestSignIn(const std::string& email, std::stop_token stop = {}) const;
  // None while the link is unconfirmed (202); the session once it is. Throws Failure; an
  // unreadable 2xx answer, or one whose token is empty, longer than maxTokenLength or not wholly
  // visible ASCII, is server(status, "cozumlenemedi").
  std::optional<Session> pollForSession(const std::string& verifier, const std::string& deviceName,
                                        const std::string& hardwareID, std::stop_token stop = {}) const;
  // Throws Failure, or DecodingError for an unreadable answer.
  Account account(const std::string& token, std::stop_token stop = {}) const;
  // Throws InvalidDeviceID for "", "." and ".."; otherwise Failure. `within`, when given, bounds
  // the whole exchange (a transfer still going then fails as offline).
  void removeDevice(const std::string& id, const std::string& token, std::stop_token stop = {},
                    std::optional<std::chrono::milliseconds> within = std::nullopt) const;
  // Throws Failure.
  void deleteAccount(const std::string& token, std::stop_token stop = {}) const;
  // Uploads this Mac's document on condition that the server still holds `ifRevision`; returns
  // the new revision. Throws Failure: revisionStale for a 409, server(status, "cozumlenemedi")
  // for a 2xx answer that is not a revision record (nothing says the document was stored).
  std::int64_t putDocument(const std::string& payload, std::int64_t ifRevision, const std::string& token,
                           const std::string& hardwareID, std::stop_token stop = {}) const;
  // Every stored document, in the server's order. Throws Failure, or DecodingError.
  std::vector<RemoteDocument> documents(const std::string& token, std::stop_token stop = {}) const;

  // 32 random bytes as padded standard Base64: 44 characters.
  static std::string newVerifier();

 private:
  struct Answer {
    long status = 0;
    std::string body;
  };
  // The request core: one request, mapped by the status rules. `body` (a flat object of strings)
  // wins over `rawBody`; either sets "Content-Type: application/json".
  Answer send(const std::string& path, const std::string& method, const std::optional<std::string>& token,
              const std::optional<std::map<std::string, std::string>>& body,
              const std::optional<std::string>& rawBody, const std::map<std::string, std::string>& headers,
              std::stop_token stop, std::optional<std::chrono::milliseconds> within = std::nullopt) const;

  std::string base_;
  std::shared_ptr<HttpSession> session_;
};

}  // namespace amberloom
