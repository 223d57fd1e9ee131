#include "Preferences/PreferenceStore.hpp"

namespace amberloom {

std::vector<std::optional<PreferenceValue>> PreferenceStore::readKeys(const std::vector<std::string>& keys,
                                                                      const ResolvedDomain& domain) const {
  std::vector<std::optional<PreferenceValue>> values;
  values.reserve(keys.size());
  for (const auto& key : keys) values.push_back(read(key, domain));
  return values;
}

bool mayHoldUnreadable(const PreferenceStore& store, const std::string& key, const ResolvedDomain& domain) {
  const auto* probe = dynamic_cast<const PreferenceKeyProbing*>(&store);
  return probe && (probe->keyExists(key, domain) || probe->isUnreadable(domain));
}

}  // namespace amberloom
