#include "TestHome.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "Platform/PlistCoding.hpp"
#include "Support/WaitLimit.hpp"

namespace amberloom::testing {

namespace {

namespace fs = std::filesystem;

// Removes everything inside `folder`, folders a test left without permissions included.
void emptyFolder(const fs::path& folder) {
  ::chmod(folder.c_str(), S_IRWXU);
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
  for (const auto& entry : entries) {
    std::error_code failed;
    fs::remove_all(entry, failed);
    if (!failed) continue;
    if (fs::is_directory(fs::symlink_status(entry, failed))) emptyFolder(entry);
    fs::remove(entry, failed);
  }
}

std::map<std::string, std::string> currentEnvironment() {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    const std::string_view text(*entry);
    const auto equals = text.find('=');
    if (equals != std::string_view::npos) variables.emplace(text.substr(0, equals), text.substr(equals + 1));
  }
  return variables;
}

void restoreEnvironment(const std::map<std::string, std::string>& saved) {
  const auto now = currentEnvironment();
  for (const auto& [name, value] : now)
    if (!saved.contains(name)) ::unsetenv(name.c_str());
  for (const auto& [name, value] : saved)
    if (const auto found = now.find(name); found == now.end() || found->second != value)
      ::setenv(name.c_str(), value.c_str(), 1);
}

// The process keeps one home folder, whose path the code under test reads once; each test finds
// it empty, and the environment and working folder as the first test found them, whatever the
// tests before it changed.
class FreshHomeForEachTest : public ::testing::EmptyTestEventListener {
 public:
  explicit FreshHomeForEachTest(std::string home) : home_(std::move(home)) {}

  void OnTestStart(const ::testing::TestInfo&) override {
    std::error_code ignored;
    if (!started_) {
      started_ = true;
      environment_ = currentEnvironment();
      workingFolder_ = fs::current_path(ignored);
    } else {
      restoreEnvironment(environment_);
      fs::current_path(workingFolder_, ignored);
    }
    emptyFolder(home_);
  }

 private:
  const std::string home_;
  bool started_ = false;
  std::map<std::string, std::string> environment_;
  fs::path workingFolder_;
};

}  // namespace

int runInTemporaryHome(const std::function<int()>& run) {
  std::string folder = (fs::temp_directory_path() / "amberloom-test-XXXXXX").string();
  if (!::mkdtemp(folder.data())) return 3;
  ::setenv("HOME", folder.c_str(), 1);
  ::unsetenv("AMBERLOOM_NIGHT_SHIFT");
  ::unsetenv("AMBERLOOM_MACOS_VERSION");
  ::unsetenv("AMBERLOOM_MACOS_BUILD");
  ::unsetenv("AMBERLOOM_MACHINE_ID_FILE");
  ::unsetenv("AMBERLOOM_HOST_NAME");
  for (const char* limit : {kSyncAtLoginLimitVariable, kSecondStartLimitVariable}) ::unsetenv(limit);
  // A read-back, or a loopback server's answer, may take far longer on a loaded machine than on a
  // user's; the tests of those limits set limits of their own.
  ::setenv(kReadBackLimitVariable, "600000", 1);
  ::setenv(kRequestIdleLimitVariable, "600000", 1);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshHomeForEachTest(folder));
  const int status = run();
  std::error_code ec;
  emptyFolder(folder);
  fs::remove(folder, ec);
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
