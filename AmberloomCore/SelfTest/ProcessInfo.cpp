#include "SelfTest/ProcessInfo.hpp"

#include <cstdlib>
#include <string_view>

#include "Preferences/Version.hpp"

namespace amberloom {

ProcessInfo ProcessInfo::current() {
  // Written the way macOS writes it: major.minor, with the patch level only when it is not 0.
  auto components = Version::current().components();
  if (components.size() > 2 && components[2] == 0) components.resize(2);
  const char* build = std::getenv("AMBERLOOM_MACOS_BUILD");
  return {"Version " + Version(components).description() + " (Build " + (build ? build : "23F79") + ")"};
}

std::string currentOSBuild(const ProcessInfo& processInfo) {
  static constexpr std::string_view marker = "Build ";
  const std::string& text = processInfo.operatingSystemVersionString;
  const std::size_t start = text.find(marker);
  if (start == std::string::npos) return {};
  const std::size_t from = start + marker.size();
  const std::size_t end = text.find(')', from);
  if (end == std::string::npos) return {};
  return text.substr(from, end - from);
}

}  // namespace amberloom
