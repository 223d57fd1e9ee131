#pragma once
// The one way the system runs a child process: start it, drain standard output and standard
// error together (a child that writes a lot to either never blocks), then wait for its exit.

#include <optional>
#include <string>
#include <vector>

namespace amberloom::platform {

struct ProcessResult {
  int exitStatus = -1;  // the exit code; 128 + signal number when a signal ended it
  std::string standardOutput;
  std::string standardError;
};

// Runs `executable` with `arguments` (not counting argv[0]) and the current environment.
// None when it cannot be started (missing, not executable). Blocks until the child exits.
std::optional<ProcessResult> runProcess(const std::string& executable, const std::vector<std::string>& arguments);

// Whether `path` is a regular file this user may execute.
bool isExecutableFile(const std::string& path);

// The running program's own executable.
std::string currentExecutablePath();

}  // namespace amberloom::platform
