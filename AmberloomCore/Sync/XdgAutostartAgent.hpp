#pragma once
// A launch agent as a desktop session starts it: an autostart entry
// ~/.config/autostart/<Label>.desktop that runs the application's executable with the arguments
// of the agent's property list. The property list is a built-in resource named like the agent
// ("tv.winterbrae.amberloom.sync.plist"); its "Label" names the entry and its "ProgramArguments"
// after the first give the arguments.
//
// An entry the user turned off in the session's startup settings ("Hidden=true" or
// "X-GNOME-Autostart-enabled=false") counts as waiting for approval; an entry that cannot be read
// as a desktop entry starting the agent's arguments reports a state outside the named ones. An
// entry whose program no longer exists (the application moved or removed) starts nothing and reads
// as not registered, so that registering writes it anew for the running executable.
//
// The entry carries the environment the application hands it ("env NAME=VALUE ... program ..."),
// so that the run at login sees what the application saw. An entry of the agent that carries
// another value, or none, of a variable the application hands on (another account server's
// address) was registered for another setup: it reads as not registered, so that turning sync at
// startup on asks again and writes it for this one.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Sync/LaunchAgent.hpp"

namespace amberloom {

class XdgAutostartAgent : public LaunchAgent {
 public:
  using Environment = std::vector<std::pair<std::string, std::string>>;

  // What the run at login must see as the running application does: the account server's address
  // (AMBERLOOM_ACCOUNT_URL) when one is set, so that the run reaches the server this application
  // signed in to. Empty otherwise.
  static Environment carriedEnvironment();

  // The agent of the built-in property list `plistName`, started as `executable` (the running
  // program by default) with `environment` (the carried one by default), its entry below `home`'s
  // ".config/autostart". Never throws; an unknown or unusable property list makes the agent "not
  // found".
  explicit XdgAutostartAgent(const std::string& plistName);
  XdgAutostartAgent(const std::string& plistName, std::string executable, std::string home,
                    Environment environment = {});

  LaunchAgentStatus status() const override;
  void registerAgent() override;
  void unregisterAgent() override;
  bool isRegisteredForAnotherSetup() const override;

  // Where the entry lives; none when the agent is not found.
  std::optional<std::string> entryPath() const;

 private:
  struct Inspection {
    LaunchAgentStatus status;
    bool forAnotherSetup = false;  // enabled as far as the session goes, but not for this setup
  };
  Inspection inspect() const;
  // Whether `command` hands the run this agent's environment: the same value, or the same absence,
  // of every variable the application hands on, in its `env` wrapper.
  bool carriesThisEnvironment(const std::vector<std::string>& command) const;

  std::string plistName_;
  std::string executable_;
  std::string home_;
  Environment environment_;
  std::optional<std::string> label_;   // none: the property list is missing or unusable
  std::string name_;                    // the program's name, for the session's settings
  std::vector<std::string> arguments_;  // after the program
};

// The command line of a desktop entry's "Exec" value, split into the program and its arguments
// (quoting and escapes undone, "%%" read as "%"); none when the value is malformed (an unclosed
// quote, a stray escape, a field code).
std::optional<std::vector<std::string>> splitDesktopExec(const std::string& value);
// The "Exec" value that `splitDesktopExec` reads back as exactly `commandLine`.
std::string joinDesktopExec(const std::vector<std::string>& commandLine);

}  // namespace amberloom
