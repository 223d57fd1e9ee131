#include "Platform/HomeDirectory.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace amberloom::platform {

const std::string& homeDirectory() {
  static const std::string home = [] {
    std::string path;
    if (const char* env = std::getenv("HOME"); env && *env) {
      path = env;
    } else if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
      path = entry->pw_dir;
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }();
  return home;
}

std::string applicationSupportDirectory() { return homeDirectory() + "/Library/Application Support"; }

}  // namespace amberloom::platform
