#include "TestHome.hpp"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Platform/PlistCoding.hpp"

namespace amberloom::testing {

int runInTemporaryHome(const std::function<int()>& run) {
  std::string folder = (std::filesystem::temp_directory_path() / "amberloom-test-XXXXXX").string();
  if (!::mkdtemp(folder.data())) return 3;
  ::setenv("HOME", folder.c_str(), 1);
  ::unsetenv("AMBERLOOM_NIGHT_SHIFT");
  ::unsetenv("AMBERLOOM_MACOS_VERSION");
  ::unsetenv("AMBERLOOM_MACOS_BUILD");
  ::unsetenv("AMBERLOOM_MACHINE_ID_FILE");
  ::unsetenv("AMBERLOOM_HOST_NAME");
  const int status = run();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return status;
}

std::string home() { return std::getenv("HOME"); }

std::string defaultsPath() { return AMBERLOOM_DEFAULTS_PATH; }

void writeFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << file.rdbuf();
  return buffer.str();
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

platform::ProcessResult runDefaults(const std::vector<std::string>& arguments) {
  auto result = platform::runProcess(defaultsPath(), arguments);
  if (!result) throw std::runtime_error("cannot start " + defaultsPath());
  return *result;
}

std::string makeContainer(const std::string& domain) {
  const std::string folder = home() + "/Library/Containers/" + domain + "/Data/Library/Preferences";
  std::filesystem::create_directories(folder);
  return folder + "/" + domain;
}

std::string preferencesFile(const std::string& name) { return home() + "/Library/Preferences/" + name + ".plist"; }

std::optional<platform::PlistObject> readPlistFile(const std::string& path) {
  if (!fileExists(path)) return std::nullopt;
  return platform::parsePropertyList(readFile(path));
}

std::vector<std::string> filesBelow(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) files.push_back(std::filesystem::relative(it->path(), folder).string());
  std::sort(files.begin(), files.end());
  return files;
}

std::string writeExecutable(const std::string& path, const std::string& script) {
  writeFile(path, script);
  ::chmod(path.c_str(), 0755);
  return path;
}

std::optional<std::string> python3() {
  const std::string path = "/usr/bin/python3";
  if (!platform::isExecutableFile(path)) return std::nullopt;
  return path;
}

std::string runPython(const std::string& code, const std::vector<std::string>& arguments) {
  const auto python = python3();
  if (!python) throw std::runtime_error("python3 is not installed");
  std::vector<std::string> all{"-c", code};
  all.insert(all.end(), arguments.begin(), arguments.end());
  const auto result = platform::runProcess(*python, all);
  if (!result || result->exitStatus != 0)
    throw std::runtime_error("python3 failed: " + (result ? result->standardError : std::string("cannot start")));
  return result->standardOutput;
}

}  // namespace amberloom::testing
