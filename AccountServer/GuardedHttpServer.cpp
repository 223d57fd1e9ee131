#include "GuardedHttpServer.hpp"

#include <algorithm>
#include <optional>

namespace amberloom::server {
namespace {

// The exchange a worker is handling: handlers reach it through closeAfterAnswer().
thread_local HttpExchange* currentExchange = nullptr;

// The body length a request states: none for a transfer coding or a length that is not one plain
// decimal number, 0 without a length.
std::optional<std::size_t> statedLength(const httplib::Request& request) {
  if (request.has_header("Transfer-Encoding")) return std::nullopt;
  const auto count = request.get_header_value_count("Content-Length");
  if (count == 0) return 0;
  const std::string value = request.get_header_value("Content-Length");
  if (count > 1 || value.empty() || value.size() > 18 ||
      !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return std::stoull(value);
}

const char* reasonPhrase(int status) {
  switch (status) {
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Error";
  }
}

}  // namespace

GuardedHttpServer::GuardedHttpServer(Limits limits, Vetting vetting, Refusal refusal)
    : vetting_(std::move(vetting)), refusal_(std::move(refusal)),
      loop_(limits, [this](HttpExchange& exchange) { handle(exchange); },
            [this](int status) { return refusalAnswer(status); }) {
  // What the answers' Keep-Alive header tells clients.
  set_keep_alive_max_count(limits.requestsPerConnection);
  set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits.idleTimeout).count());
  set_payload_max_length(limits.maxBodyBytes);
  set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    return vet(request, response);
  });
}

int GuardedHttpServer::bindListener(const std::string& host, int port) { return loop_.bind(host, port); }

bool GuardedHttpServer::serve() { return loop_.run(); }

void GuardedHttpServer::stop() { loop_.stop(); }

void GuardedHttpServer::closeAfterAnswer() {
  if (currentExchange) currentExchange->outcome.closeAfterAnswer = true;
}

bool GuardedHttpServer::reserveAnswer(std::size_t bytes) {
  return !currentExchange || currentExchange->answerShare.resize(bytes);
}

void GuardedHttpServer::trustCaller(MemoryBudget::Owner owner) {
  if (!currentExchange) return;
  currentExchange->outcome.trusted = true;
  currentExchange->outcome.owner = owner;
  currentExchange->answerShare.trust(std::move(owner));
}

void GuardedHttpServer::handle(HttpExchange& exchange) {
  currentExchange = &exchange;
  bool closed = false;
  process_request(exchange, exchange.lastOnConnection(), closed, [&exchange](httplib::Request& request) {
    exchange.outcome.expectsContinue = request.get_header_value("Expect") == "100-continue";
    exchange.outcome.safe = request.method == "GET" || request.method == "HEAD";
    request.headers.erase("Expect");  // the loop gives the leave itself
    request.ranges.clear();
  });
  if (closed) exchange.outcome.closeAfterAnswer = true;
  currentExchange = nullptr;
}

// Runs before any body is read, with the head parsed whole.
httplib::Server::HandlerResponse GuardedHttpServer::vet(const httplib::Request& request, httplib::Response& response) {
  auto& outcome = currentExchange->outcome;
  outcome.headRead = true;
  outcome.headLength = currentExchange->consumed();
  // The whole request comes back only after its head was admitted.
  if (currentExchange->pass() == HttpExchange::Pass::whole) return HandlerResponse::Unhandled;
  if (vetting_(request, response)) return HandlerResponse::Handled;
  const auto length = statedLength(request);
  if (!length) {
    response.status = request.has_header("Transfer-Encoding") ? 411 : 400;
    closeAfterAnswer();
    return HandlerResponse::Handled;
  }
  if (*length == 0) return HandlerResponse::Unhandled;
  // Admitted: the loop receives the body and hands the whole request over again. What this pass
  // writes is not sent.
  outcome.awaitsBody = true;
  outcome.bodyLength = *length;
  return HandlerResponse::Handled;
}

std::string GuardedHttpServer::refusalAnswer(int status) const {
  httplib::Response response;
  response.status = status;
  refusal_(response, status);
  std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) + "\r\n";
  for (const auto& [name, value] : response.headers) answer += name + ": " + value + "\r\n";
  return answer + "Content-Length: " + std::to_string(response.body.size()) + "\r\nConnection: close\r\n\r\n" +
         response.body;
}

}  // namespace amberloom::server
