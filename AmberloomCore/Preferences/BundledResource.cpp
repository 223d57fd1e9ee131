#include "Preferences/BundledResource.hpp"

#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "Platform/AtomicFile.hpp"
#include "Platform/ProcessRunner.hpp"

// Generated from AmberloomCore/Resources at configure time.
std::optional<std::string_view> amberloomCoreResource(const std::string& name);

namespace amberloom {

std::string BundledResource::applicationResourceDirectory() {
  const std::filesystem::path executable(platform::currentExecutablePath());
  return (executable.parent_path() / "Resources").string();
}

std::string BundledResource::data(const std::string& name) { return data(name, applicationResourceDirectory()); }

std::string BundledResource::data(const std::string& name, const std::optional<std::string>& applicationResources) {
  const std::string fileName = name + ".json";
  if (applicationResources) {
    const std::string path = *applicationResources + "/" + fileName;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      std::string bytes;
      if (!platform::readWholeFile(path, bytes)) throw std::runtime_error("cannot read resource " + path);
      return bytes;
    }
  }
  if (const auto embedded = amberloomCoreResource(name)) return std::string(*embedded);
  throw ResourceError::missing(fileName);
}

}  // namespace amberloom
