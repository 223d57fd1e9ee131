#pragma once
// The one way the system runs a child process: start it, drain standard output and standard
// error together (a child that writes a lot to either never blocks), then wait for its exit. Any
// thread, several at once: each call has a child and pipes of its own, closed to every other child.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace amberloom::platform {

struct ProcessResult {
  int exitStatus = -1;  // the exit code; 128 + signal number when a signal ended it
  std::string standardOutput;
  std::string standardError;
  bool timedOut = false;  // the child outlived its time limit and was killed
};

// Runs `executable` with `arguments` (not counting argv[0]) and the current environment.
// None when it cannot be started (missing, not executable). Blocks until the child exits, or with
// `timeLimit` at most that long: then the child and whatever it started (it runs in a process group
// of its own) are killed, the child is reaped, and the result has `timedOut` set.
std::optional<ProcessResult> runProcess(const std::string& executable, const std::vector<std::string>& arguments,
                                        std::optional<std::chrono::milliseconds> timeLimit = std::nullopt);

// Whether `path` is a regular file this user may execute.
bool isExecutableFile(const std::string& path);

// The running program's own executable.
std::string currentExecutablePath();

}  // namespace amberloom::platform
