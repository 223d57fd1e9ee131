#include "Account/AccountClient.hpp"

#include "Support/CurlLibrary.hpp"
#include <sodium.h>

#include <algorithm>
#include <cstdlib>

#include "Support/Base64.hpp"
#include "Support/HttpSession.hpp"
#include "Support/Iso8601.hpp"
#include "Support/Log.hpp"
#include "Support/Sha256.hpp"
#include "Support/Json.hpp"
#include "Support/WaitLimit.hpp"

namespace amberloom {
namespace {

// Every character outside the unreserved set is encoded, "/" included, so that an id stays one
// segment whatever it holds.
std::string encodePathSegment(const std::string& segment) {
  char* encoded = curlLibrary().easyEscape(nullptr, segment.data(), static_cast<int>(segment.size()));
  if (!encoded) throw std::bad_alloc();
  std::string out(encoded);
  curlLibrary().free(encoded);
  return out;
}

// The code of an error answer: the "error" member when it is a string, else the fallback.
std::string errorCode(const std::string& body) {
  try {
    const Json json = parseJson(body);
    if (auto code = optionalString(requireObject(json, {}), "error", {})) return *code;
  } catch (const DecodingError&) {
    log::dropped(log::Area::account, "An error answer of the account server names no code", log::Level::debug);
  }
  return "bilinmiyor";
}

// Internet date-time with a zone and without a fraction of a second; anything else is unreadable.
double decodeDate(const Json& value, const CodingPath& path) {
  const std::string text = decodeString(value, path);
  std::optional<double> seconds;
  if (text.find('.') == std::string::npos) seconds = iso8601::parse(text);
  if (!seconds)
    throw DecodingError(DecodingError::Kind::dataCorrupted, path, "Expected date string to be ISO8601-formatted.");
  return *seconds;
}

// The token is kept on disk and goes into a header line of every later request: it must be
// visible ASCII (a control character would end that line and start one of the server's choosing),
// present, and of a size a header takes.
bool isUsableToken(const std::string& token) {
  const auto visible = [](unsigned char c) { return c > 0x20 && c < 0x7f; };
  return !token.empty() && token.size() <= AccountClient::maxTokenLength &&
         std::all_of(token.begin(), token.end(), visible);
}

}  // namespace

AccountClient::Failure AccountClient::Failure::offline(const std::string& description) {
  return {Case::offline, 0, description, describe::enumCase("offline", {{std::nullopt, describe::text(description)}})};
}
AccountClient::Failure AccountClient::Failure::server(long status, const std::string& code) {
  return {Case::server, status, code,
          describe::enumCase("server", {{"status", describe::integer(status)}, {"code", describe::text(code)}})};
}
AccountClient::Failure AccountClient::Failure::needsSignIn() {
  return {Case::needsSignIn, 0, {}, describe::enumCase("needsSignIn")};
}
AccountClient::Failure AccountClient::Failure::revisionStale() {
  return {Case::revisionStale, 0, {}, describe::enumCase("revisionStale")};
}
AccountClient::Failure AccountClient::Failure::tooManyRequests() {
  return {Case::tooManyRequests, 0, {}, describe::enumCase("tooManyRequests")};
}

AccountClient::InvalidDeviceID::InvalidDeviceID(std::string id)
    : std::invalid_argument("not a device id: " + describe::text(id)), id_(std::move(id)) {}

std::optional<std::string> AccountClient::localServerBase() {
  if (const char* base = std::getenv("AMBERLOOM_ACCOUNT_URL"); base && isLoopbackURL(base)) return base;
  return std::nullopt;
}

std::string AccountClient::standardBase(const std::string& host) {
  return localServerBase().value_or("https://" + host + "/api/v1");
}

AccountClient AccountClient::standard(const std::string& host) {
  // The idle limit is what bounds an account request: an exchange that keeps moving may take as
  // long as the platform's resource limit of seven days.
  return AccountClient(standardBase(host), std::make_shared<CurlHttpSession>(std::chrono::hours(24 * 7)));
}

std::chrono::milliseconds AccountClient::currentIdleTimeout() {
  return waitLimit(kRequestIdleLimitVariable, idleTimeout);
}

AccountClient::Answer AccountClient::send(const std::string& path, const std::string& method,
                                          const std::optional<std::string>& token,
                                          const std::optional<std::map<std::string, std::string>>& body,
                                          const std::optional<std::string>& rawBody,
                                          const std::map<std::string, std::string>& headers,
                                          std::stop_token stop, std::optional<std::chrono::milliseconds> within) const {
  HttpRequest request;
  request.method = method;
  request.timeout = within;
  request.url = base_ + "/" + path;
  request.idleTimeout = currentIdleTimeout();
  request.maxResponseBytes = maxResponseBytes;
  std::map<std::string, std::string> fields;  // one value per name: a later setting replaces
  if (token) fields["Authorization"] = "Bearer " + *token;
  for (const auto& [name, value] : headers) fields[name] = value;
  if (body) {
    Json object = Json::object();
    for (const auto& [key, value] : *body) object[key] = value;
    request.body = writeJson(object);
    fields["Content-Type"] = "application/json";
  } else if (rawBody) {
    request.body = *rawBody;
    fields["Content-Type"] = "application/json";
  }
  request.headers.assign(fields.begin(), fields.end());

  HttpResponse response;
  try {
    if (!session_) throw HttpTransferError::transferFailed(0, "no HTTP session");
    response = session_->perform(request, stop);
  } catch (const std::exception& error) {
    throw Failure::offline(error.what());
  }
  const long status = response.status;
  if (status >= 200 && status <= 299) return {status, std::move(response.body)};
  if (status == 401) throw Failure::needsSignIn();
  if (status == 409) throw Failure::revisionStale();
  if (status == 429) throw Failure::tooManyRequests();
  throw Failure::server(status, errorCode(response.body));
}

std::string AccountClient::requestSignIn(const std::string& email, std::stop_token stop) const {
  std::string verifier = newVerifier();
  send("auth/request", "POST", std::nullopt,
       std::map<std::string, std::string>{{"email", email}, {"verifier_hash", sha256Hex(verifier)}}, std::nullopt, {},
       stop);
  return verifier;
}

std::optional<AccountClient::Session> AccountClient::pollForSession(const std::string& verifier,
                                                                    const std::string& deviceName,
                                                                    const std::string& hardwareID,
                                                                    std::stop_token stop) const {
  const Answer answer = send(
      "auth/poll", "POST", std::nullopt,
      std::map<std::string, std::string>{{"verifier", verifier}, {"device_name", deviceName}, {"hardware_id", hardwareID}},
      std::nullopt, {}, stop);
  if (answer.status == 202) return std::nullopt;
  std::optional<Session> session;
  try {
    const Json json = parseJson(answer.body);
    session = Session{requiredString(json, "device_token", {}), requiredString(json, "device_id", {})};
  } catch (const DecodingError&) {
    log::dropped(log::Area::account, "A sign-in answer of the account server does not read as a session");
  }
  if (!session || !isUsableToken(session->token)) throw Failure::server(answer.status, "cozumlenemedi");
  return session;
}

AccountClient::Account AccountClient::account(const std::string& token, std::stop_token stop) const {
  const Answer answer = send("me", "GET", token, std::nullopt, std::nullopt, {}, stop);
  const Json json = parseJson(answer.body);
  Account account{requiredString(json, "email", {}), {}};
  const CodingPath devicesPath{"devices"};
  const Json& devices = requireArray(member(json, "devices", {}), devicesPath);
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const CodingPath path = appending(devicesPath, i);
    const Json& d = devices[i];
    Account::Device device;
    device.id = requiredString(d, "id", path);
    device.name = requiredString(d, "name", path);
    device.lastSeenAt = decodeDate(member(d, "last_seen_at", path), appending(path, "last_seen_at"));
    device.isThisMac = decodeBool(member(d, "is_this_mac", path), appending(path, "is_this_mac"));
    account.devices.push_back(std::move(device));
  }
  return account;
}

void AccountClient::removeDevice(const std::string& id, const std::string& token, std::stop_token stop,
                                 std::optional<std::chrono::milliseconds> within) const {
  if (id.empty() || id == "." || id == "..") throw InvalidDeviceID(id);
  send("devices/" + encodePathSegment(id), "DELETE", token, std::nullopt, std::nullopt, {}, stop, within);
}

void AccountClient::deleteAccount(const std::string& token, std::stop_token stop) const {
  send("account", "DELETE", token, std::nullopt, std::nullopt, {}, stop);
}

std::int64_t AccountClient::putDocument(const std::string& payload, std::int64_t ifRevision, const std::string& token,
                                        const std::string& hardwareID, std::stop_token stop) const {
  const Answer answer =
      send("documents/mine", "PUT", token, std::nullopt, payload,
           {{"If-Match", std::to_string(ifRevision)}, {"X-Device-Hardware-Id", hardwareID}}, stop);
  try {
    const Json json = parseJson(answer.body);
    return decodeInt(member(json, "revision", {}), {"revision"});
  } catch (const DecodingError&) {
    // Whatever took the upload gave no revision to build on: the document cannot count as stored.
    throw Failure::server(answer.status, "cozumlenemedi");
  }
}

std::vector<AccountClient::RemoteDocument> AccountClient::documents(const std::string& token,
                                                                    std::stop_token stop) const {
  const Answer answer = send("documents", "GET", token, std::nullopt, std::nullopt, {}, stop);
  const Json json = parseJson(answer.body);
  const CodingPath listPath{"documents"};
  const Json& list = requireArray(member(json, "documents", {}), listPath);
  std::vector<RemoteDocument> documents;
  documents.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    const CodingPath path = appending(listPath, i);
    const Json& d = list[i];
    RemoteDocument document;
    document.deviceID = requiredString(d, "device_id", path);
    document.deviceName = requiredString(d, "device_name", path);
    document.revision = decodeInt(member(d, "revision", path), appending(path, "revision"));
    document.payload = requiredString(d, "payload", path);
    document.updatedAt = decodeDate(member(d, "updated_at", path), appending(path, "updated_at"));
    documents.push_back(std::move(document));
  }
  return documents;
}

std::string AccountClient::newVerifier() {
  if (sodium_init() < 0) throw std::runtime_error("no random source");
  unsigned char key[32];
  randombytes_buf(key, sizeof key);
  return base64::encode(key, sizeof key);
}

}  // namespace amberloom
