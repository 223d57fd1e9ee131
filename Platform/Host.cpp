#include "Platform/Host.hpp"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "Platform/MachineIdentity.hpp"

namespace amberloom::platform {
namespace {

// The value of PRETTY_HOSTNAME in a machine-info file, with one level of shell quoting removed.
std::optional<std::string> prettyHostName(const std::string& path) {
  std::ifstream file(path);
  static constexpr std::string_view prefix = "PRETTY_HOSTNAME=";
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string value = line.substr(prefix.size());
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      const char quote = value.front();
      std::string unquoted;
      for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (quote == '"' && value[i] == '\\' && i + 2 < value.size()) ++i;
        unquoted.push_back(value[i]);
      }
      value = std::move(unquoted);
    }
    if (!value.empty()) return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> Host::hardwareUUID(std::chrono::milliseconds) const { return machineUUID(); }

std::optional<std::string> Host::localizedName() const {
  if (const char* named = std::getenv(kHostNameVariable); named && *named) return std::string(named);
  if (auto pretty = prettyHostName("/etc/machine-info")) return pretty;
  char buffer[256] = {};
  if (::gethostname(buffer, sizeof buffer - 1) == 0 && buffer[0] != '\0') return std::string(buffer);
  return std::nullopt;
}

const Host& Host::current() {
  static const Host host;
  return host;
}

}  // namespace amberloom::platform
