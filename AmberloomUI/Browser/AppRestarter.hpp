#pragma once
// Restarts apps by name: one `killall <name>` child per app, started and left to run on its own
// (never waited for; its status and output are ignored). macOS starts the apps again itself.

#include <string>
#include <vector>

namespace amberloom::ui {

class AppRestarter {
 public:
  static constexpr const char* killallPath = "/usr/bin/killall";

  AppRestarter() = delete;

  // Starts `executable` once per name, in order, with the name as its only argument. A child that
  // cannot be started is skipped and the next name follows. Never throws, never blocks on a child.
  static void killall(const std::vector<std::string>& names, const std::string& executable = killallPath);
};

}  // namespace amberloom::ui
