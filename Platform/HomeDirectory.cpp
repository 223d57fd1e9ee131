#include "Platform/HomeDirectory.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace amberloom::platform {

namespace {

#ifdef AMBERLOOM_WITHOUT_NAME_SERVICE
// The statically linked `defaults` command: the C library's name service would load the modules of
// whatever C library the system has when it runs, which need not be the one linked in. The local
// user database is read directly instead.
std::string userDatabaseHome(uid_t uid) {
  std::ifstream users("/etc/passwd");
  for (std::string line; std::getline(users, line);) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, ':');) fields.push_back(field);
    if (fields.size() >= 6 && fields[2] == std::to_string(uid)) return fields[5];
  }
  return {};
}
#else
std::string userDatabaseHome(uid_t uid) {
  const passwd* entry = getpwuid(uid);
  return entry && entry->pw_dir ? entry->pw_dir : "";
}
#endif

}  // namespace

const std::string& homeDirectory() {
  static const std::string home = [] {
    std::string path;
    if (const char* env = std::getenv("HOME"); env && *env) {
      path = env;
    } else {
      path = userDatabaseHome(getuid());
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }();
  return home;
}

std::string applicationSupportDirectory() { return homeDirectory() + "/Library/Application Support"; }

}  // namespace amberloom::platform
