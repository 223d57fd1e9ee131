#pragma once
// Test helpers around the temporary home every test process runs in.

#include <optional>
#include <string>
#include <vector>

#include "ProcessRunner.hpp"

namespace amberloom::testing {

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
// Makes ~/Library/Containers/<domain>/Data/Library/Preferences so the domain counts as sandboxed.
std::string makeContainer(const std::string& domain);

}  // namespace amberloom::testing
