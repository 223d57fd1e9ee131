#include "Platform/MachineIdentity.hpp"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace amberloom::platform {

std::vector<std::string> machineIDFiles() {
  const char* named = std::getenv(kMachineIDFileVariable);
  if (named && *named) return {named};
  return {"/etc/machine-id", "/var/lib/dbus/machine-id"};
}

std::optional<std::string> machineUUID(const std::vector<std::string>& candidates) {
  for (const auto& path : candidates) {
    std::ifstream file(path);
    std::string id;
    if (!file || !std::getline(file, id)) continue;
    while (!id.empty() && std::isspace(static_cast<unsigned char>(id.back()))) id.pop_back();
    if (id.size() != 32) continue;
    bool hex = true;
    for (char& c : id) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) hex = false;
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (!hex) continue;
    return id.substr(0, 8) + "-" + id.substr(8, 4) + "-" + id.substr(12, 4) + "-" + id.substr(16, 4) +
           "-" + id.substr(20);
  }
  return std::nullopt;
}

std::string hardwareModel(const std::string& productNamePath) noexcept {
  std::ifstream file(productNamePath, std::ios::binary);
  std::string text;
  if (!file || !std::getline(file, text)) return "unknown";  // missing, unreadable or empty
  return text.substr(0, text.find('\0'));
}

const std::string& hostUUID() {
  static const std::string uuid = machineUUID().value_or("00000000-0000-0000-0000-000000000000");
  return uuid;
}

}  // namespace amberloom::platform
