#include "GuardedHttpServer.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace amberloom::server {
namespace {

using Clock = std::chrono::steady_clock;

thread_local bool closeRequested = false;

// Milliseconds left until `deadline`, for poll(); 0 once it has passed.
int millisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

// Waits until `fd` has `events` or `deadline` passes; false for the deadline.
bool awaitSocket(int fd, short events, Clock::time_point deadline) {
  while (true) {
    const int wait = millisecondsUntil(deadline);
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, wait);
    if (ready > 0) return true;
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || wait == 0) return false;
  }
}

void describeAddress(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    port = ntohs(v4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    port = ntohs(v6.sin6_port);
  }
  ip = text;
}

// One accepted connection: reads through a buffer of its own (the request parser reads a byte at a
// time, and bytes of a next request must survive the one before), within the current request's
// deadlines and size.
class Connection final : public httplib::Stream {
 public:
  Connection(int fd, const GuardedHttpServer::Limits& limits) : fd_(fd), limits_(limits) {}

  // Waits up to the idle time for the next request's first byte; false when none comes, the peer
  // is gone, or the server stops listening.
  bool awaitRequest(const std::atomic<socket_t>& listener) {
    if (start_ < end_) return true;
    const auto idleUntil = Clock::now() + limits_.idleTimeout;
    while (listener != INVALID_SOCKET) {
      const auto slice = std::min(idleUntil, Clock::now() + std::chrono::milliseconds(100));
      if (awaitSocket(fd_, POLLIN, slice)) return true;
      if (Clock::now() >= idleUntil) return false;
    }
    return false;
  }

  void beginRequest() {
    readUntil_ = Clock::now() + limits_.requestDeadline;
    writing_ = false;
    requestBytes_ = end_ - start_;
  }

  // A deadline or the size limit ended the request: what is left of it must not be parsed.
  bool broken() const { return broken_; }

  // After an answer whose request was not read to its end: the client gets the answer before the
  // unread bytes could reset the connection.
  void drain() {
    ::shutdown(fd_, SHUT_WR);
    const auto until = Clock::now() + std::chrono::milliseconds(500);
    char discard[4096];
    for (std::size_t total = 0; total < (1u << 20) && awaitSocket(fd_, POLLIN, until);) {
      const auto n = ::recv(fd_, discard, sizeof discard, 0);
      if (n <= 0) break;
      total += static_cast<std::size_t>(n);
    }
  }

  bool is_readable() const override {
    return start_ < end_ || (!broken_ && awaitSocket(fd_, POLLIN, readUntil_));
  }

  bool is_writable() const override { return awaitSocket(fd_, POLLOUT, writeDeadline()); }

  ssize_t read(char* ptr, size_t size) override {
    if (start_ == end_ && !fill()) return broken_ ? -1 : 0;
    const std::size_t n = std::min(size, end_ - start_);
    std::memcpy(ptr, buffer_ + start_, n);
    start_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    const auto deadline = writeDeadline();
    while (awaitSocket(fd_, POLLOUT, deadline)) {
      const auto n = ::send(fd_, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n >= 0) return n;
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return -1;
    }
    return -1;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) describeAddress(address, ip, port);
  }

  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) describeAddress(address, ip, port);
  }

  socket_t socket() const override { return fd_; }

 private:
  // The answer's deadline starts with its first byte.
  Clock::time_point writeDeadline() const {
    if (!writing_) {
      writing_ = true;
      writeUntil_ = Clock::now() + limits_.responseDeadline;
    }
    return writeUntil_;
  }

  // Refills the empty buffer; false at the end of the stream or when the request broke a limit.
  bool fill() {
    start_ = end_ = 0;
    while (!broken_) {
      if (!awaitSocket(fd_, POLLIN, readUntil_)) {
        broken_ = true;
        break;
      }
      const auto n = ::recv(fd_, buffer_, sizeof buffer_, 0);
      if (n == 0) return false;
      if (n < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        broken_ = true;
        break;
      }
      end_ = static_cast<std::size_t>(n);
      requestBytes_ += end_;
      if (requestBytes_ > limits_.maxRequestBytes) broken_ = true;
      return !broken_;
    }
    return false;
  }

  int fd_;
  const GuardedHttpServer::Limits& limits_;
  char buffer_[16384];
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  std::size_t requestBytes_ = 0;
  Clock::time_point readUntil_ = Clock::now();
  mutable bool writing_ = false;
  mutable Clock::time_point writeUntil_;
  bool broken_ = false;
};

}  // namespace

GuardedHttpServer::GuardedHttpServer(Limits limits) : limits_(limits) {
  new_task_queue = [threads = limits_.threads] { return new httplib::ThreadPool(threads); };
  // What the answers' Keep-Alive header tells clients.
  set_keep_alive_max_count(limits_.requestsPerConnection);
  set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits_.idleTimeout).count());
  set_socket_options([this](socket_t sock) {
    const int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listener_ = sock;
  });
}

int GuardedHttpServer::bindListener(const std::string& host, int port) {
  const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
  if (bound <= 0) return -1;
  // The library listens with a queue of five; a burst of clients would see refused connections.
  if (::listen(listener_, limits_.backlog) != 0) return -1;
  return bound;
}

void GuardedHttpServer::closeAfterAnswer() { closeRequested = true; }

bool GuardedHttpServer::process_and_close_socket(socket_t sock) {
  bool served = true;
  {
    Connection connection(sock, limits_);
    bool drain = false;
    for (std::size_t count = 0; count < limits_.requestsPerConnection; ++count) {
      if (!connection.awaitRequest(svr_sock_)) break;
      connection.beginRequest();
      closeRequested = false;
      bool closed = false;
      served = process_request(connection, count + 1 == limits_.requestsPerConnection, closed,
                               [](httplib::Request& request) { request.ranges.clear(); });
      drain = closeRequested || connection.broken();
      if (!served || closed || drain) break;
    }
    if (drain) connection.drain();
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return served;
}

}  // namespace amberloom::server
