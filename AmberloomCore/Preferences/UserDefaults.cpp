#include "Preferences/UserDefaults.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <string_view>

#include "Preferences/CFPreferenceStore.hpp"
#include "Support/Log.hpp"

namespace amberloom {

namespace {

// The whole number a text starts with (after blanks, with an optional sign), as the platform reads
// a text as a number; none when it starts with no digit or the number does not fit.
std::optional<std::int64_t> leadingInteger(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  if (at == text.size() || text[at] < '0' || text[at] > '9') return std::nullopt;
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const int digit = text[at] - '0';
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

bool equalsIgnoringCase(const std::string& text, std::string_view word) {
  return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace

std::optional<bool> UserDefaults::boolValue(const std::string& key) const {
  auto stored = value(key);
  if (!stored) return std::nullopt;
  switch (stored->kind()) {
    case PreferenceValue::Kind::boolean: return stored->asBool();
    case PreferenceValue::Kind::integer: return stored->asInt() != 0;
    case PreferenceValue::Kind::real: return stored->asDouble() != 0;
    case PreferenceValue::Kind::string: {
      const std::string& text = stored->asString();
      if (equalsIgnoringCase(text, "yes") || equalsIgnoringCase(text, "true")) return true;
      if (equalsIgnoringCase(text, "no") || equalsIgnoringCase(text, "false")) return false;
      return leadingInteger(text).value_or(0) != 0;
    }
    default: return std::nullopt;
  }
}

std::optional<std::int64_t> UserDefaults::integerValue(const std::string& key) const {
  auto stored = value(key);
  if (!stored) return std::nullopt;
  switch (stored->kind()) {
    case PreferenceValue::Kind::integer: return stored->asInt();
    case PreferenceValue::Kind::boolean: return stored->asBool() ? 1 : 0;
    case PreferenceValue::Kind::real: {
      const double whole = std::trunc(stored->asDouble());
      // 2^63 itself is out of range; NaN fails both comparisons.
      if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)) return std::nullopt;
      return static_cast<std::int64_t>(whole);
    }
    case PreferenceValue::Kind::string: return leadingInteger(stored->asString());
    default: return std::nullopt;
  }
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

std::optional<std::vector<std::string>> UserDefaults::stringsOfArray(const std::string& key) const {
  auto stored = value(key);
  if (!stored || stored->kind() != PreferenceValue::Kind::array) return std::nullopt;
  std::vector<std::string> strings;
  for (const auto& member : stored->asArray())
    if (member.kind() == PreferenceValue::Kind::string) strings.push_back(member.asString());
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
  return std::make_shared<StoreUserDefaults>(std::make_shared<CFPreferenceStore>(), [] {
    const auto aside = platform::PreferenceFiles::live().moveUnreadableAside(applicationDomain, false);
    if (aside) log::warning(log::Area::preferences, "The application's unreadable preferences were moved aside as " + *aside);
    return aside.has_value();
  });
}

std::optional<PreferenceValue> StoreUserDefaults::value(const std::string& key) const {
  return store_->read(key, ResolvedDomain{domain_, HostScope::anyHost});
}

void StoreUserDefaults::set(const std::optional<PreferenceValue>& value, const std::string& key) {
  const ResolvedDomain domain{domain_, HostScope::anyHost};
  // Models store their choices on every assignment, most of them at every start with the value
  // already there: rewriting the file (and syncing it to disk) would change nothing.
  if (store_->read(key, domain) == value) return;
  try {
    store_->write(value, key, domain);
  } catch (const platform::PreferenceFileError&) {
    if (!moveUnreadableAside_ || !moveUnreadableAside_()) throw;
    store_->write(value, key, domain);
  }
}

}  // namespace amberloom
