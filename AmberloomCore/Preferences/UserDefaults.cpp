#include "Preferences/UserDefaults.hpp"

#include "Preferences/CFPreferenceStore.hpp"

namespace amberloom {

std::optional<bool> UserDefaults::boolValue(const std::string& key) const {
  auto stored = value(key);
  if (!stored || stored->kind() != PreferenceValue::Kind::boolean) return std::nullopt;
  return stored->asBool();
}

std::optional<std::int64_t> UserDefaults::integerValue(const std::string& key) const {
  auto stored = value(key);
  if (!stored || stored->kind() != PreferenceValue::Kind::integer) return std::nullopt;
  return stored->asInt();
}

std::optional<std::string> UserDefaults::stringValue(const std::string& key) const {
  auto stored = value(key);
  if (!stored || stored->kind() != PreferenceValue::Kind::string) return std::nullopt;
  return stored->asString();
}

std::optional<std::vector<std::string>> UserDefaults::stringArray(const std::string& key) const {
  auto stored = value(key);
  if (!stored || stored->kind() != PreferenceValue::Kind::array) return std::nullopt;
  std::vector<std::string> strings;
  for (const auto& member : stored->asArray()) {
    if (member.kind() != PreferenceValue::Kind::string) return std::nullopt;
    strings.push_back(member.asString());
  }
  return strings;
}

void UserDefaults::setBool(bool value, const std::string& key) { set(PreferenceValue::boolean(value), key); }

void UserDefaults::setInteger(std::int64_t value, const std::string& key) {
  set(PreferenceValue::integer(value), key);
}

void UserDefaults::setString(const std::string& value, const std::string& key) {
  set(PreferenceValue::string(value), key);
}

void UserDefaults::setStringArray(const std::vector<std::string>& value, const std::string& key) {
  PreferenceValue::Array members;
  for (const auto& item : value) members.push_back(PreferenceValue::string(item));
  set(PreferenceValue::array(std::move(members)), key);
}

UserDefaultsRef StoreUserDefaults::standard() {
  return std::make_shared<StoreUserDefaults>(std::make_shared<CFPreferenceStore>());
}

std::optional<PreferenceValue> StoreUserDefaults::value(const std::string& key) const {
  return store_->read(key, ResolvedDomain{applicationDomain, HostScope::anyHost});
}

void StoreUserDefaults::set(const std::optional<PreferenceValue>& value, const std::string& key) {
  store_->write(value, key, ResolvedDomain{applicationDomain, HostScope::anyHost});
}

}  // namespace amberloom
