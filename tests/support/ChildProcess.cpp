#include "ChildProcess.hpp"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "TestHome.hpp"

namespace amberloom::testing {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks again: often enough to add nothing a test would notice.
constexpr auto kPollInterval = std::chrono::milliseconds(10);

int statusOf(int waited) { return WIFEXITED(waited) ? WEXITSTATUS(waited) : 128 + WTERMSIG(waited); }

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const std::map<std::string, std::string>& environment) {
  if (command.empty()) throw std::invalid_argument("no command to start");
  folder_ = (std::filesystem::temp_directory_path() / "amberloom-child-XXXXXX").string();
  if (!::mkdtemp(folder_.data())) throw std::runtime_error("cannot make a folder for the child's output");
  const std::string output = folder_ + "/stdout", errors = folder_ + "/stderr";
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("cannot fork");
  if (pid_ == 0) {
    ::setpgid(0, 0);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0) ::_exit(126);
    std::vector<char*> argv;
    for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  // Also from here, so that a stop right after the start reaches the group.
  ::setpgid(pid_, pid_);
}

ChildProcess::~ChildProcess() {
  stop();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

bool ChildProcess::waitUntil(const std::function<bool()>& holds, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    if (holds()) return true;
    if (!running() || Clock::now() >= deadline) return holds();
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!status_) {
    int waited = 0;
    const pid_t done = ::waitpid(pid_, &waited, WNOHANG);
    if (done == pid_) {
      status_ = statusOf(waited);
      ::kill(-pid_, SIGKILL);  // whatever it left behind in its group
    } else if (done < 0 && errno != EINTR) {
      throw std::runtime_error("cannot wait for the child");
    } else if (Clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(kPollInterval);
    }
  }
  return status_;
}

int ChildProcess::stop() {
  if (status_) return *status_;
  ::kill(-pid_, SIGTERM);
  if (const auto ended = waitForExit(std::chrono::seconds(10))) return *ended;
  ::kill(-pid_, SIGKILL);
  int waited = 0;
  while (::waitpid(pid_, &waited, 0) < 0 && errno == EINTR) {
  }
  status_ = statusOf(waited);
  return *status_;
}

std::string ChildProcess::standardOutput() const { return readFile(folder_ + "/stdout"); }

std::string ChildProcess::standardError() const { return readFile(folder_ + "/stderr"); }

}  // namespace amberloom::testing
