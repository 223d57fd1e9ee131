#include "TestHome.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace amberloom::testing {

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

}  // namespace amberloom::testing
