#include "ScriptedServer.hpp"

#include <httplib.h>
#include <strings.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "ServingThread.hpp"

namespace amberloom::testing {

struct ScriptedServer::State {
  httplib::Server server;
  std::thread thread;
  int port = 0;
  mutable std::mutex mutex;
  std::condition_variable released;
  bool releasing = false;
  Answer next;
  std::vector<Received> received;

  void handle(const httplib::Request& request, httplib::Response& response) {
    std::unique_lock lock(mutex);
    received.push_back({request.method, request.target, {request.headers.begin(), request.headers.end()}, request.body});
    const Answer current = next;
    if (current.stall) released.wait(lock, [this] { return releasing; });
    response.status = current.status;
    response.set_content(current.body, "application/json");
  }
};

std::optional<std::string> ScriptedServer::Received::header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (::strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  return std::nullopt;
}

ScriptedServer::ScriptedServer() : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.server.set_keep_alive_max_count(1);
  const auto handler = [&state](const httplib::Request& q, httplib::Response& r) { state.handle(q, r); };
  state.server.Get(".*", handler).Post(".*", handler).Put(".*", handler).Delete(".*", handler);
  state.port = state.server.bind_to_any_port("127.0.0.1");
  if (state.port <= 0) throw std::runtime_error("cannot listen on 127.0.0.1");
  state.thread = serveInBackground(state.server);
}

ScriptedServer::~ScriptedServer() {
  {
    std::lock_guard lock(state_->mutex);
    state_->releasing = true;
  }
  state_->released.notify_all();
  state_->server.stop();
  state_->thread.join();
}

void ScriptedServer::answer(Answer next) {
  std::lock_guard lock(state_->mutex);
  state_->next = std::move(next);
}

std::string ScriptedServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(state_->port) + path;
}

std::vector<ScriptedServer::Received> ScriptedServer::received() const {
  std::lock_guard lock(state_->mutex);
  return state_->received;
}

}  // namespace amberloom::testing
