#include "AccountServer.hpp"

#include <httplib.h>
#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "Account/AccountClient.hpp"
#include "EmailAddress.hpp"
#include "OutboxKey.hpp"
#include "Support/ErrorDescription.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Sha256.hpp"
#include "Support/Json.hpp"

namespace amberloom::server {
namespace {

std::int64_t unixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string isoDate(std::int64_t unixSeconds) {
  return iso8601::formatWholeSeconds(static_cast<double>(unixSeconds) - iso8601::kReferenceDateUnixSeconds);
}

std::string randomHex(std::size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  randombytes_buf(raw.data(), raw.size());
  std::string hex(2 * bytes + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), raw.data(), raw.size());
  hex.pop_back();
  return hex;
}

void answer(httplib::Response& response, int status, const Json& body) {
  response.status = status;
  response.set_content(writeJson(body), "application/json");
}

void refuse(httplib::Response& response, int status, const std::string& code) {
  answer(response, status, Json{{"error", code}});
}

class BadRequest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A request body that must be one JSON object.
Json bodyObject(const httplib::Request& request) {
  try {
    Json body = parseJson(request.body);
    if (!body.is_object()) throw BadRequest("not an object");
    return body;
  } catch (const DecodingError&) {
    throw BadRequest("not JSON");
  }
}

bool hasControlCharacter(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f) return true;
  return false;
}

// A string member of 1 to `maxLength` bytes without control characters, after `tidy`.
std::string field(const Json& body, const char* key, std::size_t maxLength,
                  std::string (*tidy)(const std::string&) = nullptr) {
  const auto found = body.find(key);
  if (found == body.end() || !found->is_string()) throw BadRequest(key);
  std::string value = found->get<std::string>();
  if (tidy && value.size() <= 4 * maxLength) value = tidy(value);
  if (value.empty() || value.size() > maxLength || hasControlCharacter(value)) throw BadRequest(key);
  return value;
}

bool isLowerHex(const std::string& text, std::size_t length) {
  if (text.size() != length) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// Plain decimal digits with an optional minus sign, within 64 bits.
std::optional<std::int64_t> parseRevision(const std::string& text) {
  std::size_t at = text.size() > 1 && text[0] == '-' ? 1 : 0;
  if (at == text.size() || text.size() - at > 19) return std::nullopt;
  for (std::size_t i = at; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  try {
    return std::stoll(text);
  } catch (const std::out_of_range&) {
    return std::nullopt;
  }
}

std::string escapeHTML(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

void page(httplib::Response& response, int status, const std::string& title, const std::string& content) {
  response.status = status;
  response.set_content("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + escapeHTML(title) +
                           "</title></head>\n<body><h1>" + escapeHTML(title) + "</h1>\n" + content + "</body></html>\n",
                       "text/html; charset=utf-8");
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Whether `host` (a Host header) names this server: the loopback address or name with `port`.
bool isOwnHost(const std::string& value, int port) {
  const std::string host = lowerCase(value);
  const std::string suffix = ":" + std::to_string(port);
  for (const char* name : {"127.0.0.1", "localhost", "[::1]"})
    if (host == name + suffix || (port == 80 && host == name)) return true;
  return false;
}

// Whether `origin` (an Origin header) is this server's own pages.
bool isOwnOrigin(const std::string& value, int port) {
  const std::string origin = lowerCase(value);
  for (const char* name : {"127.0.0.1", "localhost", "[::1]"})
    if (origin == "http://" + std::string(name) + ":" + std::to_string(port)) return true;
  return false;
}

// The media type of a Content-Type value, lower case, without its parameters.
std::string mediaType(const std::string& contentType) {
  std::string type = contentType.substr(0, contentType.find(';'));
  const auto first = type.find_first_not_of(" \t");
  const auto last = type.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : lowerCase(type.substr(first, last - first + 1));
}

bool isDecimal(const std::string& text) {
  return !text.empty() && text.size() <= 19 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether `body` has the shape of a sync document: the members every reader needs, of their types.
// The values themselves are the other Macs' business; they check them when they read.
bool isSyncDocument(const std::string& body) {
  try {
    const Json document = parseJson(body);
    if (!document.is_object()) return false;
    const auto member = [&](const char* key) -> const Json* {
      const auto found = document.find(key);
      return found == document.end() ? nullptr : &*found;
    };
    const Json* schema = member("schemaVersion");
    const Json* deviceID = member("deviceID");
    const Json* checksum = member("checksum");
    const Json* intents = member("intents");
    const Json* name = member("deviceName");
    return schema && schema->is_number_integer() && schema->get<std::int64_t>() >= 1 && deviceID &&
           deviceID->is_string() && !deviceID->get<std::string>().empty() && checksum && checksum->is_string() &&
           intents && intents->is_object() && (!name || name->is_null() || name->is_string());
  } catch (const DecodingError&) {
    return false;
  }
}

const char* codeForStatus(int status) {
  switch (status) {
    case 400: return "bad_request";
    case 404: return "not_found";
    case 405: return "method_not_allowed";
    case 408: return "request_timeout";
    case 411: return "length_required";
    case 413: return "payload_too_large";
    case 414: return "uri_too_long";
    case 431: return "header_too_large";
    case 403: return "forbidden";
    case 503: return "busy";
    default: return status >= 500 ? "internal" : "refused";
  }
}

// A refusal by its status alone; one for want of room says when to ask again.
void refuseWithStatus(httplib::Response& response, int status) {
  if (status == 503) response.set_header("Retry-After", "1");
  refuse(response, status, codeForStatus(status));
}

}  // namespace

AccountServer::AccountServer(AccountDatabase& database, std::ostream& log)
    : AccountServer(database, log, Options{}) {}

AccountServer::AccountServer(AccountDatabase& database, std::ostream& log, Options options)
    : database_(database), log_(log), options_(std::move(options)), signIns_(options_.signIns) {
  if (sodium_init() < 0) throw std::runtime_error("no random source");
  if (!options_.clock) options_.clock = unixNow;
  if (!isOutboxKeyShape(options_.outboxKey)) options_.outboxKey = randomHex(16);
  options_.connections.maxBodyBytes = maxBodyBytes;
  auto& memory = options_.connections;
  const std::size_t signedInRoom = memory.memoryCeiling - std::min(memory.openMemoryCeiling, memory.memoryCeiling);
  // An account takes less than half the signed-in room, so that another always finds room for its
  // largest upload (a whole document and its copies) or its list beside it; a device of it a little
  // less, so that its others are not shut out either.
  memory.accountMemoryCeiling = std::min(memory.accountMemoryCeiling, signedInRoom / 20 * 9);
  memory.deviceMemoryCeiling = std::min({memory.deviceMemoryCeiling, memory.accountMemoryCeiling / 12 * 11});
  deviceRoom_ = memory.deviceMemoryCeiling;
  // The answer listing the documents holds them twice over (as made, and as sent), within the
  // device's room (32 MiB of documents as listed with the production limits).
  listLimit_ = std::min(deviceRoom_, memory.accountMemoryCeiling) / answerCopiesOfList / 33 * 32;
  // Before any body is read: a refused request's body never is.
  http_ = std::make_unique<GuardedHttpServer>(
      options_.connections,
      [this](const Request& request, Response& response) { return refusedUpFront(request, response); },
      refuseWithStatus);
  auto route = [this](void (AccountServer::*handler)(const Request&, Response&)) {
    return [this, handler](const Request& request, Response& response) {
      try {
        (this->*handler)(request, response);
      } catch (const BadRequest&) {
        refuse(response, 400, "bad_request");
      }
    };
  };
  http_->Post("/api/v1/auth/request", route(&AccountServer::requestSignIn));
  http_->Post("/api/v1/auth/poll", route(&AccountServer::poll));
  http_->Get("/api/v1/me", route(&AccountServer::me));
  http_->Delete(R"(/api/v1/devices/([^/]+))", route(&AccountServer::removeDevice));
  http_->Delete("/api/v1/account", route(&AccountServer::deleteAccount));
  http_->Put("/api/v1/documents/mine", route(&AccountServer::putDocument));
  http_->Get("/api/v1/documents", route(&AccountServer::documents));
  http_->Get("/confirm", route(&AccountServer::confirmPage));
  http_->Post("/confirm", route(&AccountServer::confirmPress));
  http_->Get("/outbox", route(&AccountServer::outboxPage));
  http_->Get("/outbox.json", route(&AccountServer::outboxJson));

  // Whatever went wrong in a handler (the database included) is one 500; the store is untouched
  // because every change is a transaction of its own.
  http_->set_exception_handler([](const Request&, Response& response, std::exception_ptr) {
    refuse(response, 500, "internal");
  });
  http_->set_error_handler([](const Request&, Response& response) {
    if (response.body.empty()) refuseWithStatus(response, response.status);
  });
}

AccountServer::~AccountServer() = default;

int AccountServer::bind(int port) {
  port_ = http_->bindListener("127.0.0.1", port);
  if (port_ <= 0) throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
  return port_;
}

std::string AccountServer::outboxAddress() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/outbox?key=" + options_.outboxKey;
}

std::int64_t AccountServer::now() const { return options_.clock(); }

bool AccountServer::run() { return http_->serve(); }

void AccountServer::stop() { http_->stop(); }

void AccountServer::logLine(const std::string& line) {
  std::lock_guard lock(logMutex_);
  log_ << line << std::endl;
}

bool AccountServer::refusedUpFront(const Request& request, Response& response) {
  // Its body is never read: the connection must end with the answer.
  const auto closing = [&] {
    response.set_header("Connection", "close");
    GuardedHttpServer::closeAfterAnswer();
    return true;
  };
  const auto refuseAndClose = [&](int status, const char* code) {
    refuse(response, status, code);
    return closing();
  };
  if (request.get_header_value_count("Host") != 1 || !isOwnHost(request.get_header_value("Host"), port_))
    return refuseAndClose(421, "misdirected_request");
  if (request.has_header("Transfer-Encoding")) return refuseAndClose(411, "length_required");
  if (request.has_header("Content-Encoding")) return refuseAndClose(415, "unsupported_encoding");

  const bool takesBody = request.method == "POST" || request.method == "PUT";
  const bool hasLength = request.has_header("Content-Length");
  const std::string length = request.get_header_value("Content-Length");
  if (hasLength && (request.get_header_value_count("Content-Length") != 1 || !isDecimal(length)))
    return refuseAndClose(400, "bad_request");
  const std::uint64_t bytes = hasLength ? std::stoull(length) : 0;
  if (!takesBody) return bytes > 0 && refuseAndClose(400, "unexpected_body");
  if (!hasLength) return refuseAndClose(411, "length_required");
  // The press of the link page's button is a browser's form.
  const bool isPress = request.method == "POST" && request.path == "/confirm";
  if (mediaType(request.get_header_value("Content-Type")) !=
      (isPress ? "application/x-www-form-urlencoded" : "application/json"))
    return refuseAndClose(415, "unsupported_media_type");
  const bool isUpload = request.method == "PUT" && request.path == "/api/v1/documents/mine";
  if (bytes > (isUpload ? maxBodyBytes : maxOpenBodyBytes)) return refuseAndClose(413, "payload_too_large");
  if (!isUpload) return false;
  // A document is read only for a device that may store it, and that has room for one of its
  // length (which it takes at least, and its quotes).
  const auto who = caller(request, response);
  if (!who) return closing();
  return database_.wouldOverfill(who->deviceID, bytes + 2, listLimit_) && refuseAndClose(413, "account_full");
}

std::optional<AccountDatabase::Caller> AccountServer::caller(const Request& request, Response& response) {
  const std::string header = request.get_header_value("Authorization");
  const std::string prefix = "Bearer ";
  std::optional<AccountDatabase::Caller> found;
  if (header.size() > prefix.size() && header.size() <= 1024 && header.compare(0, prefix.size(), prefix) == 0)
    found = database_.authenticate(sha256Hex(header.substr(prefix.size())), now());
  if (!found) {
    refuse(response, 401, "unauthorized");
  } else {
    GuardedHttpServer::trustCaller({found->accountID, found->deviceID});
  }
  return found;
}

bool AccountServer::opensOutbox(const Request& request, Response& response) const {
  const std::string key = request.get_param_value("key");
  // Compared in constant time: how long a refusal takes tells nothing of the key.
  if (key.size() == options_.outboxKey.size() &&
      sodium_memcmp(key.data(), options_.outboxKey.data(), key.size()) == 0)
    return true;
  page(response, 403, "Outbox closed",
       "<p>The outbox opens only at the address the account server printed when it started.</p>\n");
  return false;
}

void AccountServer::requestSignIn(const Request& request, Response& response) {
  const Json body = bodyObject(request);
  // Line breaks around it are trimmed, as the application trims them.
  const std::string email = field(body, "email", 254, normalisedAddress);
  const std::string verifierHash = field(body, "verifier_hash", 64);
  if (email.find('@') == std::string::npos || !isLowerHex(verifierHash, 64)) throw BadRequest("sign-in");
  // No link is sent that could make an account beyond the server's capacity.
  if (!database_.mayJoin(email)) return refuse(response, 507, "too_many_accounts");
  // Only well-formed requests count: garbage locks nobody out. One beyond the address's links
  // changes nothing, so that the links already sent keep working.
  if (const auto wait = signIns_.admitLink(email); wait.count() > 0) {
    response.set_header("Retry-After", std::to_string(wait.count()));
    return refuse(response, 429, "too_many_requests");
  }
  const std::string code = randomHex(16);
  const std::string link = "http://127.0.0.1:" + std::to_string(port_) + "/confirm?code=" + code;
  if (database_.addSignIn(email, verifierHash, code, link, now()) == AccountDatabase::Added::verifierInUse)
    return refuse(response, 400, "verifier_in_use");
  logLine("sign-in link for " + describe::text(email) + ": " + link);
  answer(response, 202, Json::object());
}

void AccountServer::confirmPage(const Request& request, Response& response) {
  const std::string code = request.get_param_value("code");
  if (!isLowerHex(code, 32) || !database_.isSignInPending(code, now()))
    return page(response, 404, "Link not valid", "<p>This sign-in link is unknown or has expired.</p>\n");
  // Nothing is confirmed by the visit itself: only the press is.
  page(response, 200, "Sign in to AmberLoom",
       "<p>Press the button to sign this Mac in. If you did not ask to sign in, close this page.</p>\n"
       "<form method=\"post\" action=\"/confirm\"><input type=\"hidden\" name=\"code\" value=\"" + code +
           "\"><button type=\"submit\">Confirm sign-in</button></form>\n");
}

void AccountServer::confirmPress(const Request& request, Response& response) {
  // A press from another site's page is not the user's.
  if (request.has_header("Origin") && !isOwnOrigin(request.get_header_value("Origin"), port_))
    return page(response, 403, "Link not valid", "<p>This sign-in must be confirmed on its own page.</p>\n");
  const std::string code = request.get_param_value("code");
  if (!isLowerHex(code, 32) || !database_.confirmSignIn(code, now()))
    return page(response, 404, "Link not valid", "<p>This sign-in link is unknown or has expired.</p>\n");
  page(response, 200, "Signed in", "<p>The sign-in is confirmed. You can return to AmberLoom.</p>\n");
}

void AccountServer::poll(const Request& request, Response& response) {
  const Json body = bodyObject(request);
  const std::string verifier = field(body, "verifier", 512);
  const std::string deviceName = field(body, "device_name", 256);
  const std::string hardwareID = field(body, "hardware_id", 256);
  const std::string token = randomHex(32);
  const auto result = database_.collectSignIn(sha256Hex(verifier), deviceName, hardwareID,
                                              randomHex(16), sha256Hex(token), now());
  switch (result.state) {
    case AccountDatabase::PollState::unknown: return refuse(response, 404, "sign_in_not_found");
    case AccountDatabase::PollState::pending: return answer(response, 202, Json::object());
    case AccountDatabase::PollState::confirmed:
      return answer(response, 200, Json{{"device_token", token}, {"device_id", result.deviceID}});
    case AccountDatabase::PollState::noRoom: return refuse(response, 507, "too_many_accounts");
  }
}

void AccountServer::me(const Request& request, Response& response) {
  const auto who = caller(request, response);
  if (!who) return;
  Json devices = Json::array();
  for (const auto& device : database_.devices(who->accountID))
    devices.push_back({{"id", device.id},
                       {"name", device.name},
                       {"last_seen_at", isoDate(device.lastSeenAt)},
                       {"is_this_mac", device.id == who->deviceID}});
  answer(response, 200, Json{{"email", database_.email(who->accountID)}, {"devices", std::move(devices)}});
}

void AccountServer::removeDevice(const Request& request, Response& response) {
  const auto who = caller(request, response);
  if (!who) return;
  if (!database_.removeDevice(who->accountID, request.matches[1].str()))
    return refuse(response, 404, "device_not_found");
  response.status = 204;
}

void AccountServer::deleteAccount(const Request& request, Response& response) {
  const auto who = caller(request, response);
  if (!who) return;
  database_.deleteAccount(who->accountID);
  response.status = 204;
}

void AccountServer::putDocument(const Request& request, Response& response) {
  const auto who = caller(request, response);
  if (!who) return;
  const auto ifRevision = parseRevision(request.get_header_value("If-Match"));
  if (!ifRevision) return refuse(response, 400, "bad_if_match");
  if (request.get_header_value("X-Device-Hardware-Id").empty()) return refuse(response, 400, "missing_hardware_id");
  if (!isSyncDocument(request.body)) return refuse(response, 400, "bad_document");
  const auto upload =
      database_.putDocument(who->deviceID, *ifRevision, request.body, jsonStringLength(request.body), now(), listLimit_);
  switch (upload.state) {
    case AccountDatabase::Upload::State::stored: return answer(response, 200, Json{{"revision", upload.revision}});
    case AccountDatabase::Upload::State::stale: return refuse(response, 409, "revision_stale");
    // Every document of the account must stay in the one answer that lists them.
    case AccountDatabase::Upload::State::accountFull: return refuse(response, 413, "account_full");
    case AccountDatabase::Upload::State::serverFull: return refuse(response, 507, "server_full");
    // Removed while its upload was on the way: the token no longer stands for a device.
    case AccountDatabase::Upload::State::noDevice: return refuse(response, 401, "unauthorized");
  }
}

void AccountServer::documents(const Request& request, Response& response) {
  const auto who = caller(request, response);
  if (!who) return;
  // Made only when the server has room to keep it until it is taken. The list is written straight
  // into a buffer of its size, each document let go once written, so that its bytes are held twice
  // at most: the documents read beside the text, then the text beside the answer made of it.
  const std::size_t listed = database_.documentsSize(who->accountID);
  // Only an account filled before its documents were limited can pass what an answer may hold:
  // asking again would not help.
  if (answerCopiesOfList * listed > deviceRoom_) return refuse(response, 507, "documents_too_large");
  if (!GuardedHttpServer::reserveAnswer(answerCopiesOfList * listed)) return refuseWithStatus(response, 503);
  std::string text;
  text.reserve(listed + 32);
  text += R"({"documents":[)";
  for (auto& document : database_.documents(who->accountID)) {  // the writer's order of members
    text += text.back() == '[' ? R"({"device_id":)" : R"(,{"device_id":)";
    appendJsonString(text, document.deviceID);
    text += R"(,"device_name":)";
    appendJsonString(text, document.deviceName);
    text += R"(,"payload":)";
    appendJsonString(text, document.payload);
    std::string().swap(document.payload);
    text += R"(,"revision":)" + std::to_string(document.revision) + R"(,"updated_at":)";
    appendJsonString(text, isoDate(document.updatedAt));
    text += '}';
  }
  text += "]}";
  response.status = 200;
  response.body = std::move(text);
  response.set_header("Content-Type", "application/json");
}

void AccountServer::outboxPage(const Request& request, Response& response) {
  if (!opensOutbox(request, response)) return;
  std::string items;
  for (const auto& entry : database_.outbox(now(), outboxPageEntries))
    items += "<li>" + escapeHTML(entry.email) + ": <a href=\"" + escapeHTML(entry.link) + "\">" +
             escapeHTML(entry.link) + "</a></li>\n";
  page(response, 200, "Outbox", items.empty() ? "<p>No sign-in links yet.</p>\n" : "<ul>\n" + items + "</ul>\n");
}

void AccountServer::outboxJson(const Request& request, Response& response) {
  if (!opensOutbox(request, response)) return;
  Json list = Json::array();
  for (const auto& entry : database_.outbox(now(), outboxPageEntries))
    list.push_back({{"email", entry.email}, {"link", entry.link}});
  answer(response, 200, list);
}

}  // namespace amberloom::server
