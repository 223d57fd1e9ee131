#pragma once
// The JSON resources built into the application, read by name: the application's own resource
// folder first ("Resources" beside its executable), then the resources compiled into the core
// library.

#include <optional>
#include <string>

#include "Support/ErrorDescription.hpp"

namespace amberloom {

class ResourceError : public DescribedError {
 public:
  // missing("catalog.json")
  static ResourceError missing(const std::string& fileName) { return ResourceError(fileName); }
  const std::string& fileName() const { return fileName_; }
  bool operator==(const ResourceError& other) const { return fileName_ == other.fileName_; }

 private:
  explicit ResourceError(std::string fileName)
      : DescribedError(describe::enumCase("missing", {{std::nullopt, describe::text(fileName)}})),
        fileName_(std::move(fileName)) {}
  std::string fileName_;
};

struct BundledResource {
  // The bytes of `<name>.json`. Throws ResourceError::missing when neither place holds it, and
  // std::runtime_error when a found file cannot be read (the core's copy is not tried then).
  static std::string data(const std::string& name);
  // The same with an explicit application resource folder (none: the core's resources only).
  static std::string data(const std::string& name, const std::optional<std::string>& applicationResources);
  // "Resources" beside the running executable.
  static std::string applicationResourceDirectory();
};

}  // namespace amberloom
