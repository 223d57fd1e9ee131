#pragma once
// Test helpers around the temporary home every test process runs in.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/PlistObject.hpp"
#include "Platform/ProcessRunner.hpp"

namespace amberloom::testing {

// Runs `run` with HOME set to a fresh temporary folder (children inherit it), the platform
// overrides of the environment cleared and the limits of read-backs and quiet requests long,
// removes the folder, and returns what `run` returned (3 when no folder could be made). Every test
// that `run` runs finds that folder empty, and the environment and working folder as the first
// test found them. For the mains of the test binaries.
int runInTemporaryHome(const std::function<int()>& run);

// The process's temporary home (the value of HOME).
std::string home();
// Path of the built `defaults` command.
std::string defaultsPath();
// Creates a file with `bytes`, making parent folders.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// Runs the `defaults` command with `arguments`.
platform::ProcessResult runDefaults(const std::vector<std::string>& arguments);
// Makes ~/Library/Containers/<domain>/Data/Library/Preferences so the domain counts as sandboxed;
// returns the container's preference path without ".plist".
std::string makeContainer(const std::string& domain);

// ~/Library/Preferences/<name>.plist
std::string preferencesFile(const std::string& name);
// The property list in a file as another reader sees it; none when it cannot be read.
std::optional<platform::PlistObject> readPlistFile(const std::string& path);
// Every regular file below `folder`, as paths relative to it, sorted.
std::vector<std::string> filesBelow(const std::string& folder);

// Writes a shell script to `path` (under the temporary home) and makes it executable.
std::string writeExecutable(const std::string& path, const std::string& script);

// The system's python3, or none when it is not installed.
std::optional<std::string> python3();
// Runs `python3 -c code arguments...` and returns its standard output; throws when it fails.
std::string runPython(const std::string& code, const std::vector<std::string>& arguments = {});

}  // namespace amberloom::testing
