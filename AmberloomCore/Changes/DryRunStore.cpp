#include "Changes/DryRunStore.hpp"

namespace amberloom {

std::optional<PreferenceValue> DryRunStore::read(const std::string& key, const ResolvedDomain& domain) const {
  {
    std::lock_guard guard(lock_);
    const auto entry = shadow_.find(DomainKey{domain.applicationID, domain.hostScope});
    if (entry != shadow_.end()) {
      const auto value = entry->second.find(key);
      if (value != entry->second.end()) return value->second;
    }
  }
  // The wrapped store may be slow (it reads files); other threads need not wait for it.
  return wrapped_->read(key, domain);
}

void DryRunStore::write(const std::optional<PreferenceValue>& value, const std::string& key,
                        const ResolvedDomain& domain) {
  std::lock_guard guard(lock_);
  auto& entry = shadow_[DomainKey{domain.applicationID, domain.hostScope}];
  if (value)
    entry.insert_or_assign(key, *value);
  else
    entry.erase(key);
}

}  // namespace amberloom
