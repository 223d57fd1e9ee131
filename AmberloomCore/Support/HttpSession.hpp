#pragma once
// The URL-loading seam: one HTTP exchange per call, callable from any thread. The live session
// speaks HTTPS through libcurl and allows plain HTTP only to the loopback host (for tests); a test
// double can answer from memory. Callers that must keep their own thread free run `perform` on a
// worker (BackgroundTask.hpp).

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "Support/ErrorDescription.hpp"

namespace amberloom {

struct HttpRequest {
  std::string method = "GET";
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::optional<std::chrono::milliseconds> timeout;  // none: the session's own limit
  // The exchange fails as timed out once no byte has moved for this long (connecting included);
  // none: only `timeout` applies.
  std::optional<std::chrono::milliseconds> idleTimeout;
  // A response body longer than this fails the transfer instead of filling memory; none: no limit.
  std::optional<std::size_t> maxResponseBytes;
};

struct HttpResponse {
  long status = 0;
  std::string body;
};

// A transfer that did not complete. An answer with an error status is not one of these.
class HttpTransferError : public DescribedError {
 public:
  enum class Case { badURL, unsupportedURL, timedOut, cancelled, transferFailed };

  static HttpTransferError badURL(const std::string& url);
  static HttpTransferError unsupportedURL(const std::string& url);  // a scheme or host we refuse
  static HttpTransferError timedOut();
  static HttpTransferError cancelled();
  static HttpTransferError transferFailed(long code, const std::string& message);

  Case errorCase() const { return case_; }

 private:
  HttpTransferError(Case c, const std::string& description) : DescribedError(description), case_(c) {}
  Case case_;
};

class HttpSession {
 public:
  HttpSession() = default;
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;
  virtual ~HttpSession() = default;

  // Sends `request` and blocks until the whole response has arrived, whatever its status. Throws
  // HttpTransferError when the transfer itself fails, when the time-out passes, or soon after
  // `stop` is requested. Safe to call from several threads at once.
  virtual HttpResponse perform(const HttpRequest& request, std::stop_token stop = {}) = 0;
};

// True when `url` is an http or https URL whose host is 127.0.0.1, localhost or [::1], with at most
// a port, a path, a query and a fragment besides (no user name, no other spelling of the host).
bool isLoopbackURL(const std::string& url);

// libcurl: HTTPS with the system's certificate checks; plain HTTP only to 127.0.0.1, localhost and
// [::1]; any other scheme is refused before anything is sent. Redirects are followed to HTTPS only.
class CurlHttpSession final : public HttpSession {
 public:
  static constexpr std::chrono::milliseconds defaultTimeout{std::chrono::seconds(60)};

  // `timeout` bounds a whole exchange (connection included) whose request names no limit.
  explicit CurlHttpSession(std::chrono::milliseconds timeout = defaultTimeout);

  HttpResponse perform(const HttpRequest& request, std::stop_token stop = {}) override;

 private:
  std::chrono::milliseconds timeout_;
};

}  // namespace amberloom
