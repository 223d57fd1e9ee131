#include "LoopbackServer.hpp"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>

#include "ServingThread.hpp"

namespace amberloom::testing {

struct LoopbackServer::State {
  httplib::Server server;
  std::thread thread;
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::map<std::string, std::string> bodies;
  std::map<std::string, Failure> failures;
  std::vector<Received> received;
  std::uint64_t releases = 0;  // each release frees the stalls that began before it
  bool stopping = false;

  Failure failureFor(const std::string& path) {
    const auto it = failures.find(path);
    return it == failures.end() ? Failure::none : it->second;
  }

  struct Arrival {
    Failure failure;
    std::uint64_t releasesSeen;  // a stall lasts until the count moves past this
  };

  // Records the request and gives the failure switched on for its path.
  Arrival arrive(const httplib::Request& request) {
    std::lock_guard lock(mutex);
    received.push_back({request.method, request.path, request.get_header_value("Content-Type"), request.body});
    changed.notify_all();
    return {failureFor(request.path), releases};
  }

  void stall(std::uint64_t seen) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, std::chrono::minutes(5), [&] { return stopping || releases != seen; });
  }

  // Gives false when the failure already produced the whole answer.
  bool answerFailure(const Arrival& arrival, httplib::Response& response) {
    switch (arrival.failure) {
      case Failure::notFound:
        response.status = 404;
        response.set_content("Not Found", "text/plain");
        return false;
      case Failure::serverError:
        response.status = 500;
        response.set_content("Internal Server Error", "text/plain");
        return false;
      case Failure::stall: stall(arrival.releasesSeen); return true;
      default: return true;
    }
  }

  void get(const httplib::Request& request, httplib::Response& response) {
    const Arrival arrival = arrive(request);
    const Failure failure = arrival.failure;
    if (!answerFailure(arrival, response)) return;
    std::string body;
    {
      std::lock_guard lock(mutex);
      const auto it = bodies.find(request.path);
      if (it == bodies.end()) {
        response.status = 404;
        response.set_content("Not Found", "text/plain");
        return;
      }
      body = it->second;
    }
    if (failure == Failure::corrupt && !body.empty()) body[body.size() / 2] ^= 0x01;
    if (failure == Failure::truncated) {
      const std::size_t half = body.size() / 2;
      response.set_content_provider(body.size(), "application/octet-stream",
                                    [body, half](std::size_t, std::size_t, httplib::DataSink& sink) {
                                      sink.write(body.data(), half);
                                      return false;  // drop the connection before the rest
                                    });
      return;
    }
    response.set_content(body, "application/octet-stream");
  }

  void post(const httplib::Request& request, httplib::Response& response) {
    if (!answerFailure(arrive(request), response)) return;
    response.set_content("{}", "application/json");
  }
};

LoopbackServer::LoopbackServer() : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.server.set_keep_alive_max_count(1);  // one request per connection: nothing lingers at stop
  // Stalled requests each hold a thread; enough of them that others are still answered.
  state.server.new_task_queue = [] { return new httplib::ThreadPool(64); };
  state.server.Get(".*", [&state](const httplib::Request& q, httplib::Response& r) { state.get(q, r); });
  state.server.Post(".*", [&state](const httplib::Request& q, httplib::Response& r) { state.post(q, r); });
  port_ = state.server.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot listen on 127.0.0.1");
  state.thread = serveInBackground(state.server);
}

LoopbackServer::~LoopbackServer() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    state_->changed.notify_all();
  }
  state_->server.stop();
  state_->thread.join();
}

std::string LoopbackServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LoopbackServer::url(const std::string& path) const { return "http://" + host() + path; }

void LoopbackServer::serve(const std::string& path, std::string body) {
  std::lock_guard lock(state_->mutex);
  state_->bodies[path] = std::move(body);
}

void LoopbackServer::fail(const std::string& path, Failure failure) {
  std::lock_guard lock(state_->mutex);
  state_->failures[path] = failure;
}

void LoopbackServer::releaseStalls() {
  std::lock_guard lock(state_->mutex);
  ++state_->releases;
  state_->changed.notify_all();
}

std::vector<LoopbackServer::Received> LoopbackServer::received() const {
  std::lock_guard lock(state_->mutex);
  return state_->received;
}

bool LoopbackServer::waitForRequests(const std::string& path, std::size_t count,
                                     std::chrono::milliseconds limit) const {
  std::unique_lock lock(state_->mutex);
  return state_->changed.wait_for(lock, limit, [&] {
    return static_cast<std::size_t>(std::count_if(state_->received.begin(), state_->received.end(),
                                                  [&](const Received& r) { return r.path == path; })) >= count;
  });
}

std::string LoopbackServer::closedHost() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("cannot open a socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  ::close(fd);  // bound but never listening, and now closed: connections are refused
  if (!bound) throw std::runtime_error("cannot pick a port");
  return "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

HttpResponse PlainLoopbackSession::perform(const HttpRequest& request, std::stop_token stop) {
  {
    std::lock_guard lock(mutex_);
    urls_.push_back(request.url);
  }
  static constexpr std::string_view secureLoopback = "https://127.0.0.1:";
  HttpRequest plain = request;
  if (plain.url.starts_with(secureLoopback)) plain.url.replace(0, secureLoopback.size(), "http://127.0.0.1:");
  return live_.perform(plain, stop);
}

std::vector<std::string> PlainLoopbackSession::requestedURLs() const {
  std::lock_guard lock(mutex_);
  return urls_;
}

}  // namespace amberloom::testing
