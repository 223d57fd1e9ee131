#pragma once
// The user's home directory: `$HOME`, read once per process. Every Mac path of the system
// (~/Library/...) is kept literally below it.

#include <string>

namespace amberloom::platform {

// `$HOME` without a trailing "/"; the passwd entry when `$HOME` is unset.
const std::string& homeDirectory();

// ~/Library/Application Support, where the application keeps its own folder "AmberLoom".
std::string applicationSupportDirectory();

}  // namespace amberloom::platform
