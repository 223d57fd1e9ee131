#include "Preferences/ExternalVerifier.hpp"

#include "Platform/PlistCoding.hpp"
#include "Platform/ProcessRunner.hpp"

namespace amberloom {
namespace {

// The domain's top-level dictionary as `defaults export` prints it, or none.
std::optional<platform::PlistDictionary> exportDomain(const std::string& defaultsPath, const ResolvedDomain& domain,
                                                      std::chrono::milliseconds waitLimit) {
  std::vector<std::string> arguments;
  if (domain.hostScope == HostScope::currentHost) arguments.push_back("-currentHost");
  arguments.push_back("export");
  arguments.push_back(domain.applicationID == kAnyApplication ? "NSGlobalDomain" : domain.applicationID);
  arguments.push_back("-");
  const auto result = platform::runProcess(defaultsPath, arguments, waitLimit);  // drains standard error too
  if (!result || result->timedOut || result->exitStatus != 0) return std::nullopt;
  auto object = platform::parsePropertyList(result->standardOutput);
  if (!object || !object->is<platform::PlistDictionary>()) return std::nullopt;
  return object->as<platform::PlistDictionary>();
}

}  // namespace

std::optional<PreferenceValue> ExternalVerifier::read(const std::string& key, const ResolvedDomain& domain) const {
  const auto dictionary = exportDomain(defaultsPath_, domain, waitLimit_);
  if (!dictionary) return std::nullopt;
  const auto found = dictionary->find(key);
  if (found == dictionary->end()) return std::nullopt;
  return PreferenceValue::fromPropertyList(found->second);
}

bool ExternalVerifier::canRead(const ResolvedDomain& domain) const {
  return exportDomain(defaultsPath_, domain, waitLimit_).has_value();
}

bool ExternalVerifier::confirm(const std::string& key, const ResolvedDomain& domain,
                               const PreferenceValue& expected) const {
  const auto seen = read(key, domain);
  return seen && *seen == expected;
}

}  // namespace amberloom
