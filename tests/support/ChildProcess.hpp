#pragma once
// A child process that a test starts, watches and stops, for a program that keeps running until it
// is told otherwise (a windowed start): `command` (the executable first) with `environment` set on
// top of this process's, in a process group of its own so that whatever it starts goes with it,
// its standard output and standard error each kept in a file of its own. Stopped when it goes.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace amberloom::testing {

class ChildProcess {
 public:
  // Throws when it cannot be started.
  explicit ChildProcess(const std::vector<std::string>& command,
                        const std::map<std::string, std::string>& environment = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits until `holds` gives true or the child has ended, at most `limit`; whether `holds` came
  // to give true.
  bool waitUntil(const std::function<bool()>& holds, std::chrono::milliseconds limit = std::chrono::minutes(2));
  // Waits at most `limit` for the child to end; its exit status (128 + the signal's number when a
  // signal ended it), none while it runs.
  std::optional<int> waitForExit(std::chrono::milliseconds limit = std::chrono::minutes(2));
  bool running() { return !waitForExit(std::chrono::milliseconds(0)); }
  // Ends the child's group (SIGTERM, then SIGKILL when it outlasts ten seconds) and reaps the
  // child; its exit status. Does nothing more once the child has ended.
  int stop();

  std::string standardOutput() const;
  std::string standardError() const;

 private:
  std::string folder_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace amberloom::testing
