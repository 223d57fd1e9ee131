#include "Support/HttpSession.hpp"

#include "Support/CurlLibrary.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <mutex>

namespace amberloom {
namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curlLibrary().urlCleanup(url); }
};
struct EasyDeleter {
  void operator()(CURL* easy) const { curlLibrary().easyCleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curlLibrary().multiCleanup(multi); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* list) const { curlLibrary().slistFreeAll(list); }
};

std::string urlPart(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  if (curlLibrary().urlGet(url, part, &text, 0) != CURLUE_OK || !text) return {};
  std::string value(text);
  curlLibrary().free(text);
  std::transform(value.begin(), value.end(), value.begin(), [](unsigned char c) { return std::tolower(c); });
  return value;
}

bool isLoopbackHost(const std::string& host) { return host == "127.0.0.1" || host == "localhost" || host == "[::1]"; }

// Parses the URL once; the same parsed handle is what curl then uses, so the check and the transfer
// cannot read the text differently.
std::unique_ptr<CURLU, UrlDeleter> checkedURL(const std::string& text) {
  std::unique_ptr<CURLU, UrlDeleter> url(curlLibrary().url());
  if (!url || curlLibrary().urlSet(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
    throw HttpTransferError::badURL(text);
  const std::string scheme = urlPart(url.get(), CURLUPART_SCHEME);
  if (scheme != "https" && scheme != "http") throw HttpTransferError::unsupportedURL(text);
  const std::string host = urlPart(url.get(), CURLUPART_HOST);
  if (host.empty()) throw HttpTransferError::badURL(text);
  if (scheme == "http" && !isLoopbackHost(host)) throw HttpTransferError::unsupportedURL(text);
  return url;
}

struct BodySink {
  std::string* body;
  std::size_t limit;
};

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* target) {
  auto* sink = static_cast<BodySink*>(target);
  if (size * count > sink->limit - sink->body->size()) return 0;  // curl then fails with a write error
  sink->body->append(data, size * count);
  return size * count;
}

// How much has moved so far, to tell an idle exchange from a slow one.
curl_off_t bytesMoved(CURL* easy) {
  curl_off_t down = 0, up = 0;
  long headers = 0;
  curlLibrary().easyGetinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &down);
  curlLibrary().easyGetinfo(easy, CURLINFO_SIZE_UPLOAD_T, &up);
  curlLibrary().easyGetinfo(easy, CURLINFO_HEADER_SIZE, &headers);
  return down + up + headers;
}

}  // namespace

bool isLoopbackURL(const std::string& text) {
  // Read without libcurl, which the start would otherwise load for this check alone. Strict: only
  // "http[s]://" + a loopback host + an optional port, then nothing or a path, query or fragment, so
  // that no spelling another URL parser could read as a different host passes; the transfer parses
  // the URL again with curl's own parser (checkedURL) before anything is sent.
  if (std::any_of(text.begin(), text.end(), [](unsigned char c) { return c <= 0x20 || c >= 0x7f; })) return false;
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  std::size_t at = 0;
  if (lower.starts_with("http://"))
    at = 7;
  else if (lower.starts_with("https://"))
    at = 8;
  else
    return false;
  const std::string authority = lower.substr(at, lower.find_first_of("/?#", at) - at);
  const std::size_t hostEnd = authority.starts_with("[::1]") ? 5 : std::min(authority.find(':'), authority.size());
  if (!isLoopbackHost(authority.substr(0, hostEnd))) return false;
  const std::string port = authority.substr(hostEnd);
  if (port.empty()) return true;
  return port.size() >= 2 && port.size() <= 6 && port[0] == ':' &&
         std::all_of(port.begin() + 1, port.end(), [](unsigned char c) { return std::isdigit(c); });
}

HttpTransferError HttpTransferError::badURL(const std::string& url) {
  return {Case::badURL, describe::enumCase("badURL", {{"url", describe::text(url)}})};
}
HttpTransferError HttpTransferError::unsupportedURL(const std::string& url) {
  return {Case::unsupportedURL, describe::enumCase("unsupportedURL", {{"url", describe::text(url)}})};
}
HttpTransferError HttpTransferError::timedOut() { return {Case::timedOut, describe::enumCase("timedOut")}; }
HttpTransferError HttpTransferError::cancelled() { return {Case::cancelled, describe::enumCase("cancelled")}; }
HttpTransferError HttpTransferError::transferFailed(long code, const std::string& message) {
  return {Case::transferFailed, describe::enumCase("transferFailed", {{"code", describe::integer(code)},
                                                                      {"message", describe::text(message)}})};
}

// libcurl is loaded by the first exchange, not here: sessions are made at start, long before one.
CurlHttpSession::CurlHttpSession(std::chrono::milliseconds timeout) : timeout_(timeout) {}

HttpResponse CurlHttpSession::perform(const HttpRequest& request, std::stop_token stop) {
  auto url = checkedURL(request.url);
  if (stop.stop_requested()) throw HttpTransferError::cancelled();

  std::unique_ptr<CURL, EasyDeleter> easy(curlLibrary().easyInit());
  std::unique_ptr<CURLM, MultiDeleter> multi(curlLibrary().multiInit());
  if (!easy || !multi) throw HttpTransferError::transferFailed(CURLE_FAILED_INIT, "cannot start a transfer");

  std::unique_ptr<curl_slist, HeaderListDeleter> headers;
  for (const auto& [name, value] : request.headers) {
    curl_slist* extended = curlLibrary().slistAppend(headers.get(), (name + ": " + value).c_str());
    if (!extended) throw HttpTransferError::transferFailed(CURLE_OUT_OF_MEMORY, "cannot build the headers");
    headers.release();
    headers.reset(extended);
  }

  HttpResponse response;
  const long timeoutMs = static_cast<long>(request.timeout.value_or(timeout_).count());
  CURL* h = easy.get();
  curlLibrary().easySetopt(h, CURLOPT_CURLU, url.get());
  curlLibrary().easySetopt(h, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for name look-ups
  curlLibrary().easySetopt(h, CURLOPT_TIMEOUT_MS, std::max(timeoutMs, 1L));
  curlLibrary().easySetopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curlLibrary().easySetopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curlLibrary().easySetopt(h, CURLOPT_MAXREDIRS, 10L);
  curlLibrary().easySetopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  curlLibrary().easySetopt(h, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");  // loopback never through a proxy
  curlLibrary().easySetopt(h, CURLOPT_WRITEFUNCTION, appendBody);
  BodySink sink{&response.body, request.maxResponseBytes.value_or(response.body.max_size())};
  curlLibrary().easySetopt(h, CURLOPT_WRITEDATA, &sink);
  if (headers) curlLibrary().easySetopt(h, CURLOPT_HTTPHEADER, headers.get());
  if (request.method == "POST") {
    curlLibrary().easySetopt(h, CURLOPT_POST, 1L);
    curlLibrary().easySetopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curlLibrary().easySetopt(h, CURLOPT_POSTFIELDS, request.body.data());
  } else if (request.method != "GET") {
    curlLibrary().easySetopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (!request.body.empty()) {
      curlLibrary().easySetopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
      curlLibrary().easySetopt(h, CURLOPT_POSTFIELDS, request.body.data());
    }
  }

  // A multi handle lets a stop request wake the wait at once instead of at the next progress tick.
  curlLibrary().multiAddHandle(multi.get(), h);
  CURLcode result = CURLE_OK;
  bool cancelled = false;
  bool idle = false;
  {
    using Clock = std::chrono::steady_clock;
    auto lastActivity = Clock::now();
    curl_off_t moved = 0;
    CURLM* m = multi.get();
    std::stop_callback wake(stop, [m] { curlLibrary().multiWakeup(m); });
    for (;;) {
      int running = 0;
      if (curlLibrary().multiPerform(m, &running) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
        break;
      }
      if (running == 0) {
        int left = 0;
        while (CURLMsg* message = curlLibrary().multiInfoRead(m, &left))
          if (message->msg == CURLMSG_DONE) result = message->data.result;
        break;
      }
      if (stop.stop_requested()) {
        cancelled = true;
        break;
      }
      int waitMs = 1000;
      if (request.idleTimeout) {
        const auto now = Clock::now();
        if (const curl_off_t nowMoved = bytesMoved(h); nowMoved != moved) {
          moved = nowMoved;
          lastActivity = now;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            lastActivity + *request.idleTimeout - now);
        if (left.count() <= 0) {
          idle = true;
          break;
        }
        waitMs = static_cast<int>(std::min<std::int64_t>(waitMs, left.count()));
      }
      curlLibrary().multiPoll(m, nullptr, 0, waitMs, nullptr);
    }
  }
  curlLibrary().multiRemoveHandle(multi.get(), h);

  if (cancelled) throw HttpTransferError::cancelled();
  if (idle || result == CURLE_OPERATION_TIMEDOUT) throw HttpTransferError::timedOut();
  if (result != CURLE_OK) throw HttpTransferError::transferFailed(result, curlLibrary().easyStrerror(result));
  curlLibrary().easyGetinfo(h, CURLINFO_RESPONSE_CODE, &response.status);
  return response;
}

}  // namespace amberloom
