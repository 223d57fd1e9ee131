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

std::vector<std::optional<PreferenceValue>> CFPreferenceStore::readKeys(const std::vector<std::string>& keys,
                                                                        const ResolvedDomain& domain) const {
  std::vector<std::optional<PreferenceValue>> values(keys.size());
  const auto dictionary = files_.sharedDomain(domain.applicationID, currentHost(domain));
  if (!dictionary) return values;
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (const auto found = dictionary->find(keys[i]); found != dictionary->end())
      values[i] = PreferenceValue::fromPropertyList(found->second);
  return values;
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

bool CFPreferenceStore::isUnreadable(const ResolvedDomain& domain) const {
  // An accepted domain reads as none only when its file is there but cannot be read.
  return !files_.sharedDomain(domain.applicationID, currentHost(domain)) &&
         files_.filePath(domain.applicationID, currentHost(domain)).has_value();
}

}  // namespace amberloom
