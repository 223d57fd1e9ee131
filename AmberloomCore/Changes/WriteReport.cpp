#include "Changes/WriteReport.hpp"

#include <algorithm>
#include <cmath>

namespace amberloom {

std::size_t WriteReport::appliedCount() const {
  return static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) { return o.applied; }));
}

std::vector<WriteOutcome> WriteReport::failed() const {
  std::vector<WriteOutcome> result;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(result), [](const auto& o) { return !o.applied; });
  return result;
}

namespace {

// The value with every date, however deep, cut to its whole second.
PreferenceValue atWholeSeconds(const PreferenceValue& value) {
  switch (value.kind()) {
    case PreferenceValue::Kind::date: return PreferenceValue::date(std::floor(value.asDate()));
    case PreferenceValue::Kind::dictionary: {
      PreferenceValue::Dictionary members;
      for (const auto& [key, member] : value.asDictionary()) members.emplace(key, atWholeSeconds(member));
      return PreferenceValue::dictionary(std::move(members));
    }
    case PreferenceValue::Kind::array: {
      PreferenceValue::Array elements;
      for (const auto& element : value.asArray()) elements.push_back(atWholeSeconds(element));
      return PreferenceValue::array(std::move(elements));
    }
    default: return value;
  }
}

}  // namespace

bool matchesFromOutside(const std::optional<PreferenceValue>& seen, const std::optional<PreferenceValue>& wanted,
                        const ExternalPreferenceReader& reader, const ResolvedDomain& domain) {
  if (!seen && !wanted) return reader.canRead(domain);
  return matchesFromOutside(seen, wanted, true);
}

bool matchesFromOutside(const std::optional<PreferenceValue>& seen, const std::optional<PreferenceValue>& wanted,
                        bool domainReadable) {
  if (!seen && !wanted) return domainReadable;
  if (!seen || !wanted) return false;
  // The outside reader carries dates to the whole second only, as `defaults export` writes them;
  // the file itself keeps the exact value.
  return *seen == *wanted || atWholeSeconds(*seen) == atWholeSeconds(*wanted);
}

std::optional<PreferenceValue> stateLeftBy(const SettingDefinition& setting, const std::optional<PreferenceValue>& value) {
  if (!value && setting.channel == SettingChannel::nightShift) return PreferenceValue::boolean(false);
  return value;
}

}  // namespace amberloom
