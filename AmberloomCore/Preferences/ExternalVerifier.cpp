#include "Preferences/ExternalVerifier.hpp"

#include <utility>

#include "Platform/PlistCoding.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Support/WaitLimit.hpp"

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
  return std::get<platform::PlistDictionary>(std::move(object->value));
}

std::optional<PreferenceValue> member(const platform::PlistDictionary& dictionary, const std::string& key) {
  const auto found = dictionary.find(key);
  if (found == dictionary.end()) return std::nullopt;
  return PreferenceValue::fromPropertyList(found->second);
}

}  // namespace

DomainReading ExternalPreferenceReader::readKeys(const std::vector<std::string>& keys,
                                                 const ResolvedDomain& domain) const {
  DomainReading reading;
  reading.values.reserve(keys.size());
  for (const auto& key : keys) reading.values.push_back(read(key, domain));
  reading.readable = canRead(domain);
  return reading;
}

std::vector<SeenRoot> readFromOutside(const ExternalPreferenceReader& reader, const std::vector<RootKey>& roots) {
  std::vector<ResolvedDomain> domains;
  domains.reserve(roots.size());
  for (const auto& root : roots) domains.push_back(root.domain);
  std::vector<SeenRoot> seen(roots.size());
  for (const auto& [domain, positions] : groupByDomain(domains)) {
    std::vector<std::string> keys;
    keys.reserve(positions.size());
    for (const auto i : positions) keys.push_back(roots[i].key);
    auto reading = reader.readKeys(keys, domain);
    for (std::size_t j = 0; j < positions.size(); ++j) seen[positions[j]] = {std::move(reading.values[j]), reading.readable};
  }
  return seen;
}

std::chrono::milliseconds ExternalVerifier::standardWaitLimit() {
  return waitLimit(kReadBackLimitVariable, defaultWaitLimit);
}

std::optional<PreferenceValue> ExternalVerifier::read(const std::string& key, const ResolvedDomain& domain) const {
  const auto dictionary = exportDomain(defaultsPath_, domain, waitLimit_);
  if (!dictionary) return std::nullopt;
  return member(*dictionary, key);
}

DomainReading ExternalVerifier::readKeys(const std::vector<std::string>& keys, const ResolvedDomain& domain) const {
  DomainReading reading;
  reading.values.resize(keys.size());
  const auto dictionary = exportDomain(defaultsPath_, domain, waitLimit_);
  if (!dictionary) return reading;
  reading.readable = true;
  for (std::size_t i = 0; i < keys.size(); ++i) reading.values[i] = member(*dictionary, keys[i]);
  return reading;
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
