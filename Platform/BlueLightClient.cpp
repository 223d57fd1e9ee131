#include "Platform/BlueLightClient.hpp"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Platform/AtomicFile.hpp"

namespace amberloom::platform {
namespace {

constexpr const char* kDomain = "com.apple.CoreBrightness";
constexpr const char* kEnabledKey = "BlueReductionEnabled";

std::optional<bool> readState(const PreferenceFiles& files) {
  const auto domain = files.readDomain(kDomain, false);
  if (!domain) return std::nullopt;
  const auto found = domain->find(kEnabledKey);
  if (found == domain->end()) return false;
  if (const auto* flag = found->second.getIf<bool>()) return *flag;
  if (const auto* number = found->second.getIf<std::int64_t>()) return *number != 0;
  return std::nullopt;
}

}  // namespace

std::unique_ptr<BlueLightClient> BlueLightClient::create() {
  if (const char* mode = std::getenv("AMBERLOOM_NIGHT_SHIFT"); mode && std::string(mode) == "unavailable")
    return nullptr;
  auto files = PreferenceFiles::live();
  if (!readState(files)) return nullptr;
  const auto path = files.filePath(kDomain, false);
  const auto folder = std::filesystem::path(*path).parent_path();
  if (createPrivateFolders(folder.string()) || ::access(folder.c_str(), W_OK) != 0) return nullptr;
  return std::unique_ptr<BlueLightClient>(new BlueLightClient(std::move(files)));
}

bool BlueLightClient::getBlueLightStatus(std::uint8_t (&record)[kStatusRecordSize]) const {
  const auto enabled = readState(files_);
  if (!enabled) return false;
  record[1] = *enabled ? 1 : 0;
  return true;
}

bool BlueLightClient::setEnabled(bool enabled) const {
  try {
    // Off is the flag's absence, as it reads: switching off where the state was never set (no
    // file at all, say) leaves nothing behind, and putting back "off" puts back that absence.
    files_.setValue(kEnabledKey, enabled ? std::optional(PlistObject(true)) : std::nullopt, kDomain, false);
  } catch (const std::exception&) {
    return false;
  }
  try {
    if (const auto left = enabled ? std::nullopt : files_.readDomain(kDomain, false); left && left->empty())
      files_.removeDomain(kDomain, false);
  } catch (const std::exception&) {
    // An empty file left behind reads as off all the same.
  }
  return true;
}

}  // namespace amberloom::platform
