#include "Preferences/CFPreferenceStore.hpp"

#include "Platform/PreferenceFileCache.hpp"

namespace amberloom {
namespace {
bool currentHost(const ResolvedDomain& domain) { return domain.hostScope == HostScope::currentHost; }
}  // namespace

CFPreferenceStore::CFPreferenceStore()
    : files_(platform::PreferenceFiles::live().withCache(std::make_shared<platform::PreferenceFileCache>())) {}

std::optional<PreferenceValue> CFPreferenceStore::read(const std::string& key, const ResolvedDomain& domain) const {
  return PreferenceValue::fromPropertyList(files_.copyValue(key, domain.applicationID, currentHost(domain)));
}

void CFPreferenceStore::write(const std::optional<PreferenceValue>& value, const std::string& key,
                              const ResolvedDomain& domain) {
  std::optional<platform::PlistObject> object;
  if (value) object = value->propertyList();
  files_.setValue(key, object, domain.applicationID, currentHost(domain));
}

bool CFPreferenceStore::keyExists(const std::string& key, const ResolvedDomain& domain) const {
  return files_.copyValue(key, domain.applicationID, currentHost(domain)).has_value();
}

}  // namespace amberloom
