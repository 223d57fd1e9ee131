#include "Preferences/PreferenceStore.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <string_view>
#include <tuple>

#include "Support/Repeats.hpp"

namespace amberloom {

std::vector<std::optional<PreferenceValue>> PreferenceStore::readKeys(const std::vector<std::string>& keys,
                                                                      const ResolvedDomain& domain) const {
  std::vector<std::optional<PreferenceValue>> values;
  values.reserve(keys.size());
  for (const auto& key : keys) values.push_back(read(key, domain));
  return values;
}

std::vector<std::exception_ptr> PreferenceStore::writeKeys(const std::vector<KeyWrite>& writes,
                                                           const ResolvedDomain& domain) {
  std::vector<std::exception_ptr> errors(writes.size());
  for (std::size_t i = 0; i < writes.size(); ++i) {
    try {
      write(writes[i].value, writes[i].key, domain);
    } catch (...) {
      errors[i] = std::current_exception();
    }
  }
  return errors;
}

std::vector<std::pair<ResolvedDomain, std::vector<std::size_t>>> groupByDomain(const std::vector<ResolvedDomain>& domains) {
  std::vector<std::pair<ResolvedDomain, std::vector<std::size_t>>> groups;
  std::map<std::pair<std::string_view, HostScope>, std::size_t> groupOf;  // views of `domains`' own texts
  for (std::size_t i = 0; i < domains.size(); ++i) {
    const auto [at, added] = groupOf.try_emplace({domains[i].applicationID, domains[i].hostScope}, groups.size());
    if (added) groups.push_back({domains[i], {}});
    groups[at->second].second.push_back(i);
  }
  return groups;
}

bool rootsRepeat(const std::vector<RootKey>& roots) {
  // The file a root is written in: a sandboxed app keeps one, whatever the host scope.
  const auto fileOf = [&](std::size_t i) {
    const auto& domain = roots[i].domain;
    const bool ownFilePerScope = !domain.applicationID.starts_with('/');
    return std::pair<std::string_view, bool>(domain.applicationID,
                                             ownFilePerScope && domain.hostScope == HostScope::currentHost);
  };
  const std::hash<std::string_view> hash;
  const auto repeats = repeatsOfEarlier(
      roots.size(),
      [&](std::size_t i) { return (hash(fileOf(i).first) * 31 + hash(roots[i].key)) * 2 + fileOf(i).second; },
      [&](std::size_t i, std::size_t j) { return fileOf(i) == fileOf(j) && roots[i].key == roots[j].key; });
  return std::find(repeats.begin(), repeats.end(), true) != repeats.end();
}

std::vector<std::exception_ptr> writeRoots(PreferenceStore& store, const std::vector<RootKey>& roots,
                                           const std::vector<std::optional<PreferenceValue>>& values) {
  std::vector<std::exception_ptr> errors(roots.size());
  if (rootsRepeat(roots)) {
    for (std::size_t i = 0; i < roots.size(); ++i) errors[i] = store.writeKeys({{roots[i].key, values[i]}}, roots[i].domain).front();
    return errors;
  }
  std::vector<ResolvedDomain> domains;
  domains.reserve(roots.size());
  for (const auto& root : roots) domains.push_back(root.domain);
  for (const auto& [domain, positions] : groupByDomain(domains)) {
    std::vector<KeyWrite> writes;
    writes.reserve(positions.size());
    for (const auto i : positions) writes.push_back({roots[i].key, values[i]});
    const auto written = store.writeKeys(writes, domain);
    for (std::size_t j = 0; j < positions.size(); ++j) errors[positions[j]] = written[j];
  }
  return errors;
}

bool mayHoldUnreadable(const PreferenceStore& store, const std::string& key, const ResolvedDomain& domain) {
  const auto* probe = dynamic_cast<const PreferenceKeyProbing*>(&store);
  return probe && (probe->keyExists(key, domain) || probe->isUnreadable(domain));
}

}  // namespace amberloom
