#pragma once
// Every benchmark runs in a fresh temporary home, set before anything reads the home directory.

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

namespace amberloom::bench {

// Creates the folder and points HOME at it; none when it cannot be created.
inline std::optional<std::string> useTemporaryHome() {
  std::string home = (std::filesystem::temp_directory_path() / "amberloom-bench-XXXXXX").string();
  if (!::mkdtemp(home.data())) return std::nullopt;
  ::setenv("HOME", home.c_str(), 1);
  return home;
}

}  // namespace amberloom::bench
