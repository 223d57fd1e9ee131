#include "AccountServerProcess.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "Support/HttpSession.hpp"
#include "TestHome.hpp"
#include "Support/Json.hpp"
#include "Support/Sha256.hpp"

namespace amberloom::testing {

// What the server prints, read by a thread of its own so the pipe never fills.
struct AccountServerProcess::Output {
  int fd = -1;
  mutable std::mutex mutex;
  std::string text;
  std::thread reader;
};

AccountServerProcess::AccountServerProcess(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)), output_(std::make_shared<Output>()) {
  if (dataFolder_.empty()) {
    dataFolder_ = home() + "/account-server-XXXXXX";
    if (!::mkdtemp(dataFolder_.data())) throw std::runtime_error("cannot make a data folder");
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("cannot fork");
  if (pid_ == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::execl(AMBERLOOM_ACCOUNT_SERVER_PATH, AMBERLOOM_ACCOUNT_SERVER_PATH, "--data", dataFolder_.c_str(), "--port", "0",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  output_->fd = pipeFds[0];

  // The first two lines, within ten seconds.
  std::string first;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::count(first.begin(), first.end(), '\n') < 2) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd wait{output_->fd, POLLIN, 0};
    char c;
    if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0 || ::read(output_->fd, &c, 1) != 1) {
      stop();
      throw std::runtime_error("the account server did not start: " + first);
    }
    first.push_back(c);
  }
  const std::string prefix = "listening on http://127.0.0.1:";
  if (first.rfind(prefix, 0) != 0) {
    stop();
    throw std::runtime_error("unexpected first line: " + first);
  }
  port_ = std::stoi(first.substr(prefix.size()));
  outbox_ = first.substr(first.find("\noutbox: ") + 9);  // the second line
  outbox_.pop_back();
  output_->reader = std::thread([output = output_] {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(output->fd, buffer, sizeof buffer)) > 0) {
      std::lock_guard lock(output->mutex);
      output->text.append(buffer, static_cast<std::size_t>(n));
    }
  });
}

AccountServerProcess::~AccountServerProcess() { stop(); }

std::string httpGet(const std::string& url) {
  HttpRequest request;
  request.url = url;
  return CurlHttpSession().perform(request).body;
}

std::string outboxJsonPath(const std::string& outboxAddress) {
  const auto path = outboxAddress.find("/outbox?");
  return path == std::string::npos ? "/outbox.json" : "/outbox.json" + outboxAddress.substr(path + 7);
}

std::string outboxLink(const std::string& outboxAddress, const std::string& email) {
  const std::string root = outboxAddress.substr(0, outboxAddress.find("/outbox?"));
  std::string link;
  for (const auto& entry : parseJson(httpGet(root + outboxJsonPath(outboxAddress))))
    if (entry.at("email") == email) link = entry.at("link");
  return link;
}

std::string confirmLink(const std::string& link) {
  const auto query = link.find('?');
  if (query == std::string::npos) return {};
  HttpRequest press;
  press.method = "POST";
  press.url = link.substr(0, query);
  press.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
  press.body = link.substr(query + 1);
  return CurlHttpSession().perform(press).body;
}

AccountClient::Session signInByLink(const AccountClient& client, const std::string& outboxAddress,
                                    const std::string& email, const std::string& hardwareID,
                                    const std::string& deviceName) {
  const std::string verifier = client.requestSignIn(email);
  if (client.pollForSession(verifier, deviceName, hardwareID)) throw std::runtime_error("signed in before the link");
  confirmLink(outboxLink(outboxAddress, email));
  auto session = client.pollForSession(verifier, deviceName, hardwareID);
  if (!session) throw std::runtime_error("sign-in not confirmed by its link");
  return *session;
}

int connectFrom(int port, const char* source, int flags) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
  sockaddr_in from{AF_INET, 0, {}, {}}, to{AF_INET, htons(static_cast<std::uint16_t>(port)), {}, {}};
  ::inet_pton(AF_INET, source, &from.sin_addr);
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool readToEnd(int fd, std::string& bytes, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  char buffer[4096];
  while (std::chrono::steady_clock::now() < until) {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 50) <= 0) continue;
    const auto n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return false;
}

Answer parseAnswer(const std::string& bytes) {
  Answer answer;
  if (const auto head = bytes.find("\r\n\r\n"); bytes.starts_with("HTTP/1.1 ") && head != std::string::npos) {
    answer.status = std::stoi(bytes.substr(9, 3));
    answer.head = bytes.substr(0, head);
    answer.body = bytes.substr(head + 4);
  }
  return answer;
}

Answer roundTrip(int port, const std::string& request, const char* source) {
  const int fd = connectFrom(port, source);
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string bytes;
  const bool closed = readToEnd(fd, bytes);
  ::close(fd);
  Answer answer = parseAnswer(bytes);
  answer.closed = closed;
  return answer;
}

std::string request(const std::string& method, const std::string& path, const std::string& host,
                    const std::string& headers, const std::string& body) {
  return method + " " + path + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "\r\n" + body;
}

std::string signInRequest(const std::string& host, const std::string& email, const std::string& contentType) {
  static std::atomic<int> made = 0;
  const std::string body = writeJson(Json{{"email", email}, {"verifier_hash", sha256Hex(std::to_string(++made))}});
  return request("POST", "/api/v1/auth/request", host,
                 contentType + "Connection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n", body);
}

std::string AccountServerProcess::outboxLink(const std::string& email) const {
  return testing::outboxLink(outbox_, email);
}

AccountClient::Session AccountServerProcess::signIn(const AccountClient& client, const std::string& email,
                                                    const std::string& hardwareID,
                                                    const std::string& deviceName) const {
  return signInByLink(client, outbox_, email, hardwareID, deviceName);
}

std::string AccountServerProcess::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string AccountServerProcess::log() const {
  std::lock_guard lock(output_->mutex);
  return output_->text;
}

int AccountServerProcess::stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
  }
  if (output_->reader.joinable()) output_->reader.join();  // the pipe closed with the process
  if (output_->fd >= 0) {
    ::close(output_->fd);
    output_->fd = -1;
  }
  return status_;
}

}  // namespace amberloom::testing
