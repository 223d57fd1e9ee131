#include "ServingLoop.hpp"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "MemoryBudget.hpp"
#include "Support/Log.hpp"

namespace amberloom::server {
namespace {

using Clock = std::chrono::steady_clock;

// What a refused connection still reads, at most, before it closes.
constexpr std::size_t kDrainBytes = 1u << 20;
constexpr auto kDrainTime = std::chrono::milliseconds(500);
// How long a client has to take the answer of a refusal.
constexpr auto kRefusalTime = std::chrono::seconds(1);
// How often deadlines are looked at.
constexpr auto kSweepInterval = std::chrono::milliseconds(100);
// A connection that has moved no byte for this long counts as stalled.
constexpr auto kStalledAfter = std::chrono::seconds(2);

void describe(const sockaddr_storage& address, std::string& ip, int& port) {
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

// Descriptors this process may still open, less some for its files.
std::size_t openFileRoom() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
  return limit.rlim_cur > 80 ? static_cast<std::size_t>(limit.rlim_cur - 64) : 16;
}

// Where a request's head ends: after the first line that is exactly "\r\n" following the request
// line (the request parser's own rule, so that both agree on where a body starts). Resumes where it
// stopped, so that a head arriving a byte at a time is read once.
class HeadScan {
 public:
  std::optional<std::size_t> end(std::string_view bytes) {
    while (true) {
      const auto lineEnd = bytes.find('\n', scanned_);
      if (lineEnd == std::string_view::npos) return std::nullopt;
      const auto line = bytes.substr(scanned_, lineEnd + 1 - scanned_);
      scanned_ = lineEnd + 1;
      if (lines_++ > 0 && line == "\r\n") return scanned_;
    }
  }

 private:
  std::size_t scanned_ = 0;
  std::size_t lines_ = 0;
};

struct Connection {
  // fresh (nothing sent yet), idle (between requests), head, body, answering and draining wait on
  // the client; vetting and handling on a worker, which then owns `input` and `peer`.
  enum class Phase { fresh, idle, head, vetting, body, handling, answering, draining };

  Connection(int socket, std::uint64_t number, std::uint64_t turn) : fd(socket), serial(number), acceptedIn(turn) {}
  ~Connection() { ::close(fd); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool waitsOnClient() const { return phase != Phase::vetting && phase != Phase::handling; }

  const int fd;
  const std::uint64_t serial;      // tells it from a later connection on the same descriptor
  const std::uint64_t acceptedIn;  // the loop's turn that accepted it
  PeerAddresses peer;
  Phase phase = Phase::fresh;
  Clock::time_point since;  // when the present wait on the client began
  Clock::time_point deadline;
  Clock::time_point moved;  // when a byte last came or went
  int unacknowledged = INT_MAX;  // of the answer, in the socket's buffer at the last look
  bool trusted = false;     // the request received or answered is a signed-in device's
  MemoryBudget::Owner owner;  // that device
  std::uint32_t watched = 0;  // the events asked of epoll; 0: not registered
  std::string input;          // the request so far, and whatever follows it
  HeadScan head;
  std::size_t requestLength = 0;  // head and body, once the head is admitted
  std::size_t bodyStart = 0;
  MemoryBudget::Share body;  // of the body being received and handled
  std::string output;
  std::size_t sent = 0;
  MemoryBudget::Share answer;
  bool closeAfterAnswer = false;
  std::size_t answered = 0;
  std::size_t drained = 0;
};

void release(std::string& bytes) { std::string().swap(bytes); }

}  // namespace

// One run of the loop: the connections, the workers and the memory they share.
class ServingLoop::Serving {
 public:
  explicit Serving(ServingLoop& owner)
      : owner_(owner), limits_(owner.limits_),
        budget_(MemoryBudget::Ceilings{limits_.memoryCeiling, limits_.openMemoryCeiling, limits_.accountMemoryCeiling,
                                       limits_.deviceMemoryCeiling}),
        workers_(limits_.threads), epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
    limits_.maxConnections = std::min(limits_.maxConnections, openFileRoom());
  }

  ~Serving() {
    workers_.shutdown();  // requests being handled finish first
    handled_.clear();
    connections_.clear();
    if (epoll_ >= 0) ::close(epoll_);
  }

  Serving(const Serving&) = delete;
  Serving& operator=(const Serving&) = delete;

  bool run() {
    if (epoll_ < 0 || !watchDescriptor(owner_.listener_) || !watchDescriptor(owner_.wake_)) return false;
    auto nextSweep = Clock::now() + kSweepInterval;
    std::vector<epoll_event> events(256);
    while (!owner_.stopping_) {
      ++turn_;
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextSweep - Clock::now()).count();
      const int ready = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()),
                                     static_cast<int>(std::clamp<long long>(wait, 0, kSweepInterval.count())));
      if (ready < 0 && errno != EINTR) return false;
      for (int i = 0; i < ready; ++i) {
        const int fd = events[i].data.fd;
        if (fd == owner_.listener_) {
          accept();
        } else if (fd == owner_.wake_) {
          std::uint64_t count;
          [[maybe_unused]] const auto ignored = ::read(fd, &count, sizeof count);
        } else if (const auto found = connections_.find(fd); found != connections_.end()) {
          serve(*found->second);
        }
      }
      finishHandled();
      if (Clock::now() >= nextSweep) {
        sweep();
        nextSweep = Clock::now() + kSweepInterval;
      }
    }
    return true;
  }

 private:
  using Phase = Connection::Phase;

  bool watchDescriptor(int fd) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    return ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) == 0;
  }

  void watch(Connection& c, std::uint32_t events) {
    if (events == c.watched) return;
    epoll_event event{};
    event.events = events;
    event.data.fd = c.fd;
    ::epoll_ctl(epoll_, c.watched == 0 ? EPOLL_CTL_ADD : events == 0 ? EPOLL_CTL_DEL : EPOLL_CTL_MOD, c.fd, &event);
    c.watched = events;
  }

  void close(Connection& c) { connections_.erase(c.fd); }

  void accept() {
    for (std::size_t taken = 0; taken < std::max<std::size_t>(limits_.acceptsPerTurn, 1); ++taken) {
      sockaddr_storage address{};
      socklen_t length = sizeof address;
      const int fd = ::accept4(owner_.listener_, reinterpret_cast<sockaddr*>(&address), &length,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        // Out of descriptors: make room, or leave the newcomer queued until there is some.
        if ((errno == EMFILE || errno == ENFILE) && pushOutOne()) continue;
        return;
      }
      if (connections_.size() >= limits_.maxConnections && !pushOutOne()) {
        ::close(fd);
        continue;
      }
      auto connection = std::make_unique<Connection>(fd, ++serials_, turn_);
      describe(address, connection->peer.remoteAddress, connection->peer.remotePort);
      sockaddr_storage local{};
      socklen_t localLength = sizeof local;
      if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) == 0)
        describe(local, connection->peer.localAddress, connection->peer.localPort);
      const int yes = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
      Connection& c = *connection;
      c.moved = Clock::now();
      connections_.emplace(fd, std::move(connection));
      fresh_.emplace_back(fd, c.serial);
      c.since = c.moved;
      c.deadline = c.since + limits_.idleTimeout;
      watch(c, EPOLLIN);
    }
  }

  // The oldest connection that has sent nothing since it came in a turn before this one; none when
  // there is no such connection.
  Connection* oldestSilent() {
    while (!fresh_.empty()) {
      const auto [fd, serial] = fresh_.front();
      const auto found = connections_.find(fd);
      if (found == connections_.end() || found->second->serial != serial || found->second->phase != Phase::fresh) {
        fresh_.pop_front();  // gone, or it spoke since
        continue;
      }
      return found->second->acceptedIn < turn_ ? found->second.get() : nullptr;
    }
    return nullptr;
  }

  // How readily a newcomer beyond the cap pushes `c` out, lowest first: one that has had its answer
  // (draining), one idle between requests, one that has moved no byte for a while (the longest
  // still first), then one of a caller that proved no device token (its request the oldest first).
  // None for a signed-in device's transfer that is moving or a request with a worker.
  std::optional<std::pair<int, Clock::time_point>> expendability(const Connection& c, Clock::time_point now) const {
    if (!c.waitsOnClient()) return std::nullopt;
    if (c.phase == Phase::fresh) return std::nullopt;  // taken by age alone (oldestSilent)
    if (c.phase == Phase::draining) return std::pair{0, c.moved};
    if (c.phase == Phase::idle) return std::pair{1, c.moved};
    if (now - c.moved >= kStalledAfter) return std::pair{2, c.moved};
    if (!c.trusted) return std::pair{3, c.since};
    return std::nullopt;
  }

  // Closes the most expendable connection; false when none may go.
  bool pushOutOne() {
    if (Connection* silent = oldestSilent()) {
      close(*silent);
      return true;
    }
    const auto now = Clock::now();
    Connection* chosen = nullptr;
    std::pair<int, Clock::time_point> lowest;
    for (const auto& [fd, c] : connections_)
      if (const auto rank = expendability(*c, now); rank && (!chosen || *rank < lowest)) {
        chosen = c.get();
        lowest = *rank;
      }
    if (chosen) close(*chosen);
    return chosen != nullptr;
  }

  void serve(Connection& c) {
    switch (c.phase) {
      case Phase::fresh:
      case Phase::idle:
      case Phase::head:
      case Phase::body: return receive(c);
      case Phase::answering: return send(c);
      case Phase::draining: return drain(c);
      case Phase::vetting:
      case Phase::handling: return;
    }
  }

  void awaitRequest(Connection& c) {
    c.phase = Phase::idle;
    c.head = {};
    c.requestLength = 0;
    c.trusted = false;
    c.owner = {};
    c.since = Clock::now();
    c.deadline = c.since + limits_.idleTimeout;
    watch(c, EPOLLIN);
    if (!c.input.empty()) {  // the client sent its next request already
      beginRequest(c);
      advance(c);
    }
  }

  void beginRequest(Connection& c) {
    c.phase = Phase::head;
    c.since = Clock::now();
    c.deadline = c.since + limits_.requestDeadline;
  }

  // Reads no more than the head limit allows, or than the admitted body still needs.
  void receive(Connection& c) {
    char buffer[64u << 10];
    const std::size_t room =
        c.phase == Phase::body ? c.requestLength - c.input.size() : limits_.maxHeadBytes + 1 - c.input.size();
    ssize_t n;
    do {
      n = ::recv(c.fd, buffer, std::min(room, sizeof buffer), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) return close(c);
    c.moved = Clock::now();
    if (c.phase == Phase::fresh || c.phase == Phase::idle) beginRequest(c);
    const auto bytes = static_cast<std::size_t>(n);
    if (c.phase == Phase::body && !holdBody(c, c.input.size() + bytes)) return refuse(c, 503);
    c.input.append(buffer, bytes);
    advance(c);
  }

  // Sizes the share of the body being received to what `received` bytes of input hold of it; false
  // when there is no room for that.
  bool holdBody(Connection& c, std::size_t received) {
    return c.body.resize(std::min(received, c.requestLength) - c.bodyStart);
  }

  void advance(Connection& c) {
    if (c.phase == Phase::head) {
      if (const auto headEnd = c.head.end(c.input)) return hand(c, HttpExchange::Pass::head, *headEnd);
      if (c.input.size() > limits_.maxHeadBytes) return refuse(c, 431);
    } else if (c.phase == Phase::body && c.input.size() >= c.requestLength) {
      // Whole: its handling holds copies of it beside the bytes received.
      if (!c.body.resize((c.requestLength - c.bodyStart) * std::max<std::size_t>(limits_.bodyWeight, 1)))
        return refuse(c, 503);
      hand(c, HttpExchange::Pass::whole, c.requestLength);
    }
  }

  void hand(Connection& c, HttpExchange::Pass pass, std::size_t length) {
    c.phase = pass == HttpExchange::Pass::head ? Phase::vetting : Phase::handling;
    watch(c, 0);
    const std::string_view received(c.input.data(), length);
    const bool last = c.answered + 1 >= limits_.requestsPerConnection;
    workers_.enqueue([this, fd = c.fd, received, &peer = c.peer, pass, last] {
      auto exchange = std::make_unique<HttpExchange>(received, peer, pass, last, budget_);
      try {
        owner_.handle_(*exchange);
      } catch (...) {
        log::dropped(log::Area::account, "The account server ended a connection without an answer");
        exchange->answer.clear();  // no answer: the connection ends
      }
      {
        std::lock_guard lock(handledMutex_);
        handled_.emplace_back(fd, std::move(exchange));
      }
      const std::uint64_t one = 1;
      [[maybe_unused]] const auto ignored = ::write(owner_.wake_, &one, sizeof one);
    });
  }

  void finishHandled() {
    std::vector<std::pair<int, std::unique_ptr<HttpExchange>>> done;
    {
      std::lock_guard lock(handledMutex_);
      done.swap(handled_);
    }
    for (auto& [fd, exchange] : done)
      if (const auto found = connections_.find(fd); found != connections_.end()) finish(*found->second, *exchange);
  }

  void finish(Connection& c, HttpExchange& exchange) {
    const auto& outcome = exchange.outcome;
    if (c.phase == Phase::vetting && outcome.awaitsBody) return receiveBody(c, outcome);
    if (exchange.answer.empty()) return close(c);
    // The request is done with; what follows it is the next one.
    const std::size_t used = exchange.pass() == HttpExchange::Pass::whole ? c.requestLength : exchange.consumed();
    c.input = c.input.substr(std::min(used, c.input.size()));
    c.body = {};
    const bool closing = outcome.closeAfterAnswer || !outcome.headRead || exchange.lastOnConnection();
    c.trusted = outcome.trusted;
    c.owner = outcome.owner;
    auto share = std::move(exchange.answerShare);
    // A GET changed nothing and may be asked again; any other answer reports what was done.
    if (!share.resize(exchange.answer.size())) {
      if (outcome.safe) return refuse(c, 503);
      share.resizeAnyway(exchange.answer.size());
    }
    startAnswer(c, std::move(exchange.answer), std::move(share), closing, limits_.responseDeadline);
  }

  void receiveBody(Connection& c, const HttpExchange::Outcome& outcome) {
    if (outcome.bodyLength > limits_.maxBodyBytes) return refuse(c, 413);
    // Counted as it arrives (what came along with the head first), never for what is only promised.
    c.body = MemoryBudget::Share(budget_);
    if (outcome.trusted) c.body.trust(outcome.owner);
    c.trusted = outcome.trusted;
    c.owner = outcome.owner;
    c.bodyStart = outcome.headLength;
    c.requestLength = outcome.headLength + outcome.bodyLength;
    if (!holdBody(c, c.input.size())) return refuse(c, 503);
    if (outcome.expectsContinue && c.input.size() < c.requestLength) {
      constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      if (::send(c.fd, kContinue.data(), kContinue.size(), MSG_NOSIGNAL | MSG_DONTWAIT) !=
          static_cast<ssize_t>(kContinue.size()))
        return close(c);
    }
    c.phase = Phase::body;
    watch(c, EPOLLIN);
    advance(c);
  }

  void refuse(Connection& c, int status) {
    c.body = {};
    release(c.input);
    std::string answer = owner_.refuse_(status);
    MemoryBudget::Share share(budget_);
    share.resizeAnyway(answer.size());
    startAnswer(c, std::move(answer), std::move(share), true, kRefusalTime);
  }

  void startAnswer(Connection& c, std::string answer, MemoryBudget::Share share, bool closeAfter,
                   std::chrono::milliseconds timeLimit) {
    c.output = std::move(answer);
    c.answer = std::move(share);
    c.sent = 0;
    c.unacknowledged = INT_MAX;
    c.closeAfterAnswer = closeAfter;
    c.phase = Phase::answering;
    c.since = Clock::now();
    c.deadline = c.since + timeLimit;
    send(c);
  }

  void send(Connection& c) {
    while (c.sent < c.output.size()) {
      const auto n = ::send(c.fd, c.output.data() + c.sent, c.output.size() - c.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return watch(c, EPOLLOUT);
      if (n < 0) return close(c);
      c.sent += static_cast<std::size_t>(n);
      c.moved = Clock::now();
    }
    release(c.output);
    c.answer = {};
    ++c.answered;
    if (c.closeAfterAnswer || c.answered >= limits_.requestsPerConnection) return beginDraining(c);
    awaitRequest(c);
  }

  void beginDraining(Connection& c) {
    ::shutdown(c.fd, SHUT_WR);
    release(c.input);
    c.phase = Phase::draining;
    c.drained = 0;
    c.since = Clock::now();
    c.deadline = c.since + kDrainTime;
    watch(c, EPOLLIN);
  }

  void drain(Connection& c) {
    char buffer[16u << 10];
    const auto n = ::recv(c.fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0 || (c.drained += static_cast<std::size_t>(n)) >= kDrainBytes) close(c);
  }

  void sweep() {
    oldestSilent();  // lets go of the entries of connections that are gone or have spoken
    const auto now = Clock::now();
    std::vector<Connection*> late;
    for (const auto& [fd, c] : connections_) {
      if (c->waitsOnClient() && now >= c->deadline) late.push_back(c.get());
      // An answer whose client keeps taking it moves, even while the socket's buffer is too full
      // to take more of it from us.
      int unacknowledged = 0;
      if (c->phase == Phase::answering && ::ioctl(c->fd, SIOCOUTQ, &unacknowledged) == 0) {
        if (unacknowledged < c->unacknowledged) c->moved = now;
        c->unacknowledged = unacknowledged;
      }
    }
    for (Connection* c : late) {
      if (c->phase == Phase::head || c->phase == Phase::body) {
        refuse(*c, 408);
      } else {
        close(*c);
      }
    }
  }

  ServingLoop& owner_;
  ServingLimits limits_;
  MemoryBudget budget_;
  httplib::ThreadPool workers_;
  int epoll_;
  std::unordered_map<int, std::unique_ptr<Connection>> connections_;
  std::deque<std::pair<int, std::uint64_t>> fresh_;  // connections that had sent nothing, oldest first
  std::uint64_t serials_ = 0;
  std::uint64_t turn_ = 0;
  std::mutex handledMutex_;
  std::vector<std::pair<int, std::unique_ptr<HttpExchange>>> handled_;
};

ServingLoop::ServingLoop(ServingLimits limits, Handler handle, Refusal refuse)
    : limits_(limits), handle_(std::move(handle)), refuse_(std::move(refuse)),
      wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ServingLoop::~ServingLoop() {
  if (listener_ >= 0) ::close(listener_);
  if (wake_ >= 0) ::close(wake_);
}

int ServingLoop::bind(const std::string& host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (port < 0 || port > 65535 || ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) return -1;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  // A restart may take its port back at once; the port is still not shared (no SO_REUSEPORT).
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, limits_.backlog) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    return -1;
  }
  if (listener_ >= 0) ::close(listener_);
  listener_ = fd;
  return ntohs(address.sin_port);
}

bool ServingLoop::run() {
  if (listener_ < 0 || wake_ < 0) return false;
  if (stopping_) return true;
  const bool served = Serving(*this).run();
  ::close(listener_);  // later clients are refused, not kept waiting
  listener_ = -1;
  return served;
}

void ServingLoop::stop() {
  stopping_ = true;
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto ignored = ::write(wake_, &one, sizeof one);
}

}  // namespace amberloom::server
