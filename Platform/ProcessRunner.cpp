#include "Platform/ProcessRunner.hpp"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <limits>
#include <thread>

#include "Platform/Steps.hpp"

extern char** environ;

namespace amberloom::platform {
namespace {

std::vector<char*> argumentVector(const std::string& executable, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

using Clock = std::chrono::steady_clock;
using Deadline = std::optional<Clock::time_point>;

int exitStatusOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// The child's exit status (-1 when it cannot be waited for), or none when it is still running at
// the deadline. Without a deadline this blocks; with one it polls, briefly at first, since a child
// that has closed its pipes is usually about to exit.
std::optional<int> waitForExit(pid_t pid, const Deadline& deadline) {
  auto pause = std::chrono::microseconds(50);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, deadline ? WNOHANG : 0);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return -1;
    if (done == pid) return exitStatusOf(status);
    const auto now = Clock::now();
    if (now >= *deadline) return std::nullopt;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, *deadline - now));
    pause = std::min(pause * 2, std::chrono::microseconds(10000));
  }
}

// Milliseconds left for poll(): -1 (no limit) without a deadline.
int pollTimeout(const Deadline& deadline) {
  if (!deadline) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, std::numeric_limits<int>::max()));
}

// Reads both pipes until both are closed; false when the deadline comes first.
bool drain(int outFd, int errFd, std::string& out, std::string& err, const Deadline& deadline) {
  std::array<pollfd, 2> fds{{{outFd, POLLIN, 0}, {errFd, POLLIN, 0}}};
  std::array<std::string*, 2> sinks{&out, &err};
  int open = 2;
  char buffer[16384];
  while (open > 0) {
    const int ready = ::poll(fds.data(), fds.size(), pollTimeout(deadline));
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (ready == 0) return false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  return true;
}

}  // namespace

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string currentExecutablePath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::optional<ProcessResult> runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                                        std::optional<std::chrono::milliseconds> timeLimit) {
  const Deadline deadline = timeLimit ? Deadline(Clock::now() + *timeLimit) : std::nullopt;
  if (!isExecutableFile(executable)) return std::nullopt;
  step("run", std::filesystem::path(executable).filename().string());
  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) return std::nullopt;
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return std::nullopt;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

  // A child with a time limit leads a process group of its own, so that ending it also ends
  // whatever it started (which may hold the pipes open).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (deadline) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }

  auto argv = argumentVector(executable, arguments);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (spawned != 0) {
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    return std::nullopt;
  }
  ProcessResult result;
  const bool drained = drain(outPipe[0], errPipe[0], result.standardOutput, result.standardError, deadline);
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  std::optional<int> status = drained ? waitForExit(pid, deadline) : std::nullopt;
  if (!status) {
    result.timedOut = true;
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);  // in case it left the group
    status = waitForExit(pid, std::nullopt);
  }
  result.exitStatus = *status;
  return result;
}

}  // namespace amberloom::platform
