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
  if (Gathering* gathering = gatheringFor(domain)) {
    gathering->changes.push_back({key, std::move(object)});
    return;
  }
  files_.setValue(key, object, domain.applicationID, currentHost(domain));
}

CFPreferenceStore::Gathering* CFPreferenceStore::gatheringFor(const ResolvedDomain& domain) const {
  std::lock_guard lock(gatherings_->mutex);
  const auto found = gatherings_->byThread.find(std::this_thread::get_id());
  return found != gatherings_->byThread.end() && found->second->domain == domain ? found->second : nullptr;
}

std::vector<std::exception_ptr> CFPreferenceStore::writeKeys(const std::vector<KeyWrite>& writes,
                                                             const ResolvedDomain& domain) {
  Gathering gathering{domain, {}};
  const auto thread = std::this_thread::get_id();
  {
    std::lock_guard lock(gatherings_->mutex);
    if (!gatherings_->byThread.emplace(thread, &gathering).second) return PreferenceStore::writeKeys(writes, domain);
  }
  std::vector<std::exception_ptr> errors(writes.size());
  std::vector<std::size_t> gathered;  // the write behind each gathered change
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const std::size_t before = gathering.changes.size();
    try {
      write(writes[i].value, writes[i].key, domain);
    } catch (...) {
      errors[i] = std::current_exception();
    }
    if (writes[i].merge && gathering.changes.size() == before + 1)
      gathering.changes.back().update = [merge = writes[i].merge](const std::optional<platform::PlistObject>& current) {
        const auto write = merge(PreferenceValue::fromPropertyList(current), current.has_value());
        if (!write) return current;  // left as it is
        return write->value ? std::optional(write->value->propertyList()) : std::nullopt;
      };
    gathered.resize(gathering.changes.size(), i);
  }
  {
    std::lock_guard lock(gatherings_->mutex);
    gatherings_->byThread.erase(thread);
  }
  const auto fileErrors = files_.setValues(gathering.changes, domain.applicationID, currentHost(domain));
  for (std::size_t j = 0; j < fileErrors.size(); ++j)
    if (fileErrors[j] && !errors[gathered[j]]) errors[gathered[j]] = fileErrors[j];
  return errors;
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
