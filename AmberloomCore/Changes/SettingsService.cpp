#include "Changes/SettingsService.hpp"

#include <map>
#include <utility>

#include "Preferences/NightShiftClient.hpp"
#include "Preferences/NightShiftVerifier.hpp"

namespace amberloom {

SettingsServiceError SettingsServiceError::channelUnavailable(std::string settingID) {
  const auto text = describe::enumCase("channelUnavailable", {{"settingID", describe::text(settingID)}});
  return SettingsServiceError(Case::channelUnavailable, std::move(settingID), text);
}
SettingsServiceError SettingsServiceError::writeRefused(std::string settingID) {
  const auto text = describe::enumCase("writeRefused", {{"settingID", describe::text(settingID)}});
  return SettingsServiceError(Case::writeRefused, std::move(settingID), text);
}
SettingsServiceError SettingsServiceError::typeMismatch(std::string settingID, SettingValueType expected) {
  const auto text = describe::enumCase(
      "typeMismatch", {{"settingID", describe::text(settingID)}, {"expected", describeValue(expected)}});
  return SettingsServiceError(Case::typeMismatch, std::move(settingID), text);
}

bool valueFits(const PreferenceValue& value, SettingValueType type) {
  using Kind = PreferenceValue::Kind;
  switch (value.kind()) {
    case Kind::boolean: return type == SettingValueType::boolean;
    case Kind::integer: return type == SettingValueType::integer;
    case Kind::real: return type == SettingValueType::real;
    case Kind::string: return type == SettingValueType::string;
    case Kind::dictionary: return type == SettingValueType::dictionary;
    case Kind::array: return type == SettingValueType::array;
    case Kind::data:
    case Kind::date: return false;
  }
  return false;
}

std::optional<PreferenceValue> valueAlongPath(std::optional<PreferenceValue> root, const std::vector<std::string>& path) {
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (!root || root->kind() != PreferenceValue::Kind::dictionary) return std::nullopt;
    const auto& members = root->asDictionary();
    const auto found = members.find(path[i]);
    if (found == members.end()) return std::nullopt;
    root = PreferenceValue(found->second);
  }
  return root;
}

std::optional<PreferenceValue> asReadFor(std::optional<PreferenceValue> value, SettingValueType type) {
  if (value && type == SettingValueType::real && value->kind() == PreferenceValue::Kind::integer)
    return PreferenceValue::real(static_cast<double>(value->asInt()));
  return value;
}

bool countsAsSet(const SettingDefinition& setting, const std::optional<PreferenceValue>& value) {
  if (setting.channel == SettingChannel::nightShift) return isOn(value);
  return value.has_value();
}

std::optional<PreferenceValue> toggleValue(const SettingDefinition& setting, bool on) {
  if (setting.type == SettingValueType::boolean) return PreferenceValue::boolean(on);
  if (setting.type == SettingValueType::integer) return PreferenceValue::integer(on ? 1 : 0);
  return std::nullopt;
}

bool isOn(const std::optional<PreferenceValue>& value) {
  if (!value) return false;
  if (value->kind() == PreferenceValue::Kind::boolean) return value->asBool();
  if (value->kind() == PreferenceValue::Kind::integer) return value->asInt() != 0;
  return false;
}

namespace {

bool endsInEnabled(const SettingRef& ref) { return !ref.path.empty() && ref.path.back() == "enabled"; }

// Removes a nested key path from a dictionary; absent keys and non-dictionaries are left alone.
void removePath(std::span<const std::string> path, PreferenceValue::Dictionary& dictionary) {
  if (path.empty()) return;
  if (path.size() == 1) {
    dictionary.erase(path.front());
    return;
  }
  const auto found = dictionary.find(path.front());
  if (found == dictionary.end() || found->second.kind() != PreferenceValue::Kind::dictionary) return;
  auto inner = found->second.asDictionary();
  removePath(path.subspan(1), inner);
  found->second = PreferenceValue::dictionary(std::move(inner));
}

// The write of a nested key path's root for `value` (none: a reset), given what the root holds.
std::optional<KeyWrite> nestedWrite(const std::vector<std::string>& path, const std::optional<PreferenceValue>& value,
                                    const std::optional<PreferenceValue>& root, bool rootExists) {
  if (value) return KeyWrite{path.front(), PreferenceWriter::merged(*value, path, root, rootExists)};
  // A reset under a root that is no dictionary has nothing to remove.
  if (!root || root->kind() != PreferenceValue::Kind::dictionary) return std::nullopt;
  auto members = root->asDictionary();
  removePath(std::span<const std::string>(path).subspan(1), members);
  return KeyWrite{path.front(), PreferenceValue::dictionary(std::move(members))};
}

}  // namespace

std::optional<KeyWrite> rootWrite(const SettingDefinition& setting, const std::optional<PreferenceValue>& value,
                                  const std::optional<PreferenceValue>& root, bool rootExists) {
  const auto& path = setting.ref.path;
  if (value && !valueFits(*value, setting.type)) throw SettingsServiceError::typeMismatch(setting.id, setting.type);
  if (path.empty()) throw PreferenceWriteError::emptyPath();
  if (path.size() == 1) return KeyWrite{path.front(), value};
  auto write = nestedWrite(path, value, root, rootExists);
  if (write)
    write->merge = [path, value](const std::optional<PreferenceValue>& current, bool exists) {
      return nestedWrite(path, value, current, exists);
    };
  return write;
}

std::optional<PreferenceValue> nightShiftValueFromOutside(const SettingRef& ref) {
  if (!endsInEnabled(ref)) return std::nullopt;
  const auto enabled = NightShiftVerifier::forCurrentExecutable().enabledFromSeparateProcess();
  if (!enabled) return std::nullopt;
  return PreferenceValue::boolean(*enabled);
}

std::optional<PreferenceValue> SettingsService::currentValue(const SettingDefinition& setting) const {
  const auto& ref = setting.ref;
  if (setting.channel == SettingChannel::nightShift) {
    if (!endsInEnabled(ref)) return std::nullopt;
    const auto client = NightShiftClient::create();
    if (!client) return std::nullopt;
    const auto enabled = client->isEnabled();
    if (!enabled) return std::nullopt;
    return PreferenceValue::boolean(*enabled);
  }
  if (ref.path.empty()) return std::nullopt;
  const auto domain = resolver_.resolve(ref.domain, ref.byHost);
  return asReadFor(valueAlongPath(store_->read(ref.path.front(), domain), ref.path), setting.type);
}

bool SettingsService::isUnreadable(const SettingDefinition& setting) const {
  const auto& ref = setting.ref;
  if (setting.channel == SettingChannel::nightShift || ref.path.empty()) return false;
  const auto domain = resolver_.resolve(ref.domain, ref.byHost);
  return !store_->read(ref.path.front(), domain) && mayHoldUnreadable(*store_, ref.path.front(), domain);
}

std::vector<std::optional<PreferenceValue>> SettingsService::currentValues(
    const std::vector<SettingDefinition>& settings) const {
  std::vector<const SettingDefinition*> pointers;
  pointers.reserve(settings.size());
  for (const auto& setting : settings) pointers.push_back(&setting);
  return currentValues(pointers);
}

std::vector<std::optional<PreferenceValue>> SettingsService::currentValues(
    const std::vector<const SettingDefinition*>& settings) const {
  std::vector<std::optional<PreferenceValue>> values(settings.size());
  // Positions in `settings` of the settings kept in each (domain, by-host) pair.
  std::map<std::pair<std::string, bool>, std::vector<std::size_t>> byDomain;
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const auto& setting = *settings[i];
    if (setting.channel == SettingChannel::nightShift || setting.ref.path.empty())
      values[i] = currentValue(setting);
    else
      byDomain[{setting.ref.domain, setting.ref.byHost}].push_back(i);
  }
  for (const auto& [where, members] : byDomain) {
    std::vector<std::string> keys;
    keys.reserve(members.size());
    for (const auto i : members) keys.push_back(settings[i]->ref.path.front());
    auto roots = store_->readKeys(keys, resolver_.resolve(where.first, where.second));
    for (std::size_t j = 0; j < members.size(); ++j) {
      const auto& setting = *settings[members[j]];
      values[members[j]] = asReadFor(valueAlongPath(std::move(roots[j]), setting.ref.path), setting.type);
    }
  }
  return values;
}

std::vector<bool> SettingsService::inUnreadableDomain(const std::vector<const SettingDefinition*>& settings) const {
  std::vector<bool> unreadable(settings.size(), false);
  const auto* probe = dynamic_cast<const PreferenceKeyProbing*>(store_.get());
  if (!probe) return unreadable;
  std::map<std::pair<std::string, bool>, bool> byDomain;
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const auto& setting = *settings[i];
    if (setting.channel == SettingChannel::nightShift || setting.ref.path.empty()) continue;
    const std::pair where{setting.ref.domain, setting.ref.byHost};
    auto found = byDomain.find(where);
    if (found == byDomain.end())
      found = byDomain.emplace(where, probe->isUnreadable(resolver_.resolve(where.first, where.second))).first;
    unreadable[i] = found->second;
  }
  return unreadable;
}

std::optional<PreferenceValue> SettingsService::externallyVisibleValue(const SettingDefinition& setting,
                                                                       const ExternalPreferenceReader& reader) const {
  const auto& ref = setting.ref;
  if (setting.channel == SettingChannel::nightShift) return nightShiftValueFromOutside(ref);
  if (ref.path.empty()) return std::nullopt;
  const auto domain = resolver_.resolve(ref.domain, ref.byHost);
  return asReadFor(valueAlongPath(reader.read(ref.path.front(), domain), ref.path), setting.type);
}

std::vector<std::string> SettingsService::apply(const PreferenceValue& value, const SettingDefinition& setting) const {
  if (!valueFits(value, setting.type)) throw SettingsServiceError::typeMismatch(setting.id, setting.type);
  if (setting.channel == SettingChannel::nightShift) {
    writeNightShift(value, setting);
  } else {
    writer_.write(value, setting.ref.path, resolver_.resolve(setting.ref.domain, setting.ref.byHost));
  }
  return setting.restartsApps;
}

std::vector<std::string> SettingsService::reset(const SettingDefinition& setting) const {
  const auto& ref = setting.ref;
  if (setting.channel == SettingChannel::nightShift) {
    writeNightShift(PreferenceValue::boolean(false), setting);
    return setting.restartsApps;
  }
  const auto domain = resolver_.resolve(ref.domain, ref.byHost);
  const auto root = ref.path.size() > 1 ? store_->read(ref.path.front(), domain) : std::nullopt;
  if (const auto write = rootWrite(setting, std::nullopt, root, false))
    if (const auto error = store_->writeKeys({*write}, domain).front()) std::rethrow_exception(error);
  return setting.restartsApps;
}

void SettingsService::writeNightShift(const PreferenceValue& value, const SettingDefinition& setting) const {
  if (isDryRun_) return;
  const auto client = NightShiftClient::create();
  if (!client) throw SettingsServiceError::channelUnavailable(setting.id);
  if (value.kind() != PreferenceValue::Kind::boolean || !endsInEnabled(setting.ref))
    throw SettingsServiceError::typeMismatch(setting.id, setting.type);
  if (!client->setEnabled(value.asBool())) throw SettingsServiceError::writeRefused(setting.id);
}

}  // namespace amberloom
