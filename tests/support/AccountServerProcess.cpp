#include "AccountServerProcess.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "Support/HttpSession.hpp"
#include "TestHome.hpp"
#include "Support/Json.hpp"

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

  // The first line, within ten seconds.
  std::string first;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (first.find('\n') == std::string::npos) {
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

std::string outboxLink(const std::string& root, const std::string& email) {
  std::string link;
  for (const auto& entry : parseJson(httpGet(root + "/outbox.json")))
    if (entry.at("email") == email) link = entry.at("link");
  return link;
}

AccountClient::Session signInByLink(const AccountClient& client, const std::string& root, const std::string& email,
                                    const std::string& hardwareID, const std::string& deviceName) {
  const std::string verifier = client.requestSignIn(email);
  if (client.pollForSession(verifier, deviceName, hardwareID)) throw std::runtime_error("signed in before the link");
  httpGet(outboxLink(root, email));
  auto session = client.pollForSession(verifier, deviceName, hardwareID);
  if (!session) throw std::runtime_error("sign-in not confirmed by its link");
  return *session;
}

std::string AccountServerProcess::outboxLink(const std::string& email) const {
  return testing::outboxLink(url(""), email);
}

AccountClient::Session AccountServerProcess::signIn(const AccountClient& client, const std::string& email,
                                                    const std::string& hardwareID,
                                                    const std::string& deviceName) const {
  return signInByLink(client, url(""), email, hardwareID, deviceName);
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
