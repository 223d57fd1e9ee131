#include "Preferences/PreferenceValue.hpp"

#include <algorithm>

#include "Support/Base64.hpp"
#include "Support/CanonicalText.hpp"
#include "Support/Iso8601.hpp"

#include <cmath>

namespace amberloom {
namespace {

constexpr const char* kKindNames[] = {"bool", "int", "double", "string", "data", "date", "dictionary", "array"};

// Dictionaries are equal when their keys match up to canonical equivalence and the values under
// matching keys are equal.
bool equalDictionaries(const PreferenceValue::Dictionary& a, const PreferenceValue::Dictionary& b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;
  const auto byCanonicalKey = [](const PreferenceValue::Dictionary& d) {
    std::map<std::string, const PreferenceValue*> members;
    for (const auto& [key, value] : d) members.emplace(canonicalForm(key), &value);
    return members;
  };
  const auto left = byCanonicalKey(a), right = byCanonicalKey(b);
  if (left.size() != right.size()) return false;
  return std::equal(left.begin(), left.end(), right.begin(),
                    [](const auto& l, const auto& r) { return l.first == r.first && *l.second == *r.second; });
}

[[noreturn]] void corrupted(const CodingPath& path, const char* description) {
  throw DecodingError(DecodingError::Kind::dataCorrupted, path, description);
}

}  // namespace

const char* PreferenceValue::kindName(Kind kind) { return kKindNames[static_cast<int>(kind)]; }

bool PreferenceValue::operator==(const PreferenceValue& other) const {
  if (storage_.index() != other.storage_.index()) return false;
  switch (kind()) {
    case Kind::boolean: return asBool() == other.asBool();
    case Kind::integer: return asInt() == other.asInt();
    case Kind::real: return asDouble() == other.asDouble();
    case Kind::string: return canonicallyEqual(asString(), other.asString());
    case Kind::data: return asData() == other.asData();
    case Kind::date: return asDate() == other.asDate();
    case Kind::dictionary: return equalDictionaries(asDictionary(), other.asDictionary());
    case Kind::array: return asArray() == other.asArray();
  }
  return false;
}

Json PreferenceValue::toJson() const {
  Json payload;
  switch (kind()) {
    case Kind::boolean: payload = asBool(); break;
    case Kind::integer: payload = asInt(); break;
    case Kind::real:
      if (!std::isfinite(asDouble())) throw JsonWriteError("a double that is not finite cannot be written as JSON");
      payload = asDouble();
      break;
    case Kind::string: payload = asString(); break;
    case Kind::data: payload = base64::encode(asData()); break;
    case Kind::date:
      if (!iso8601::isWritable(asDate())) throw JsonWriteError("a date outside the years 1 to 9999 cannot be written as JSON");
      // To the last bit: a point or backup that cut the date would put back another one.
      payload = iso8601::formatExact(asDate());
      break;
    case Kind::dictionary:
      payload = Json::object();
      for (const auto& [key, member] : asDictionary()) payload[key] = member.toJson();
      break;
    case Kind::array:
      payload = Json::array();
      for (const auto& element : asArray()) payload.push_back(element.toJson());
      break;
  }
  return Json{{kindName(kind()), std::move(payload)}};
}

void PreferenceValue::writeJsonTo(JsonTextWriter& out) const {
  out.beginObject().key(kindName(kind()));
  switch (kind()) {
    case Kind::boolean: out.boolean(asBool()); break;
    case Kind::integer: out.integer(asInt()); break;
    case Kind::real:
      if (!std::isfinite(asDouble())) throw JsonWriteError("a double that is not finite cannot be written as JSON");
      out.number(asDouble());
      break;
    case Kind::string: out.string(asString()); break;
    case Kind::data: out.string(base64::encode(asData())); break;
    case Kind::date:
      if (!iso8601::isWritable(asDate())) throw JsonWriteError("a date outside the years 1 to 9999 cannot be written as JSON");
      out.string(iso8601::formatExact(asDate()));
      break;
    case Kind::dictionary:
      out.beginObject();
      // std::map order is the order writeJson sorts keys in.
      for (const auto& [key, member] : asDictionary()) {
        out.key(key);
        member.writeJsonTo(out);
      }
      out.endObject();
      break;
    case Kind::array:
      out.beginArray();
      for (const auto& element : asArray()) element.writeJsonTo(out);
      out.endArray();
      break;
  }
  out.endObject();
}

namespace {

// Reads one value; `path` is where it sits, extended and restored on the way down, so that the
// cost stays linear in the document (the path is copied only into an error).
PreferenceValue decodeValue(const Json& json, CodingPath& path) {
  requireObject(json, path);
  const char* found = nullptr;
  int count = 0;
  for (const char* name : kKindNames) {
    if (json.contains(name)) {
      found = name;
      ++count;
    }
  }
  if (count != 1) corrupted(path, "Deger tam olarak bir tip anahtari tasimali");
  const std::string kind = found;
  const Json& payload = json.at(kind);
  path.push_back(kind);
  std::optional<PreferenceValue> result;
  if (kind == "bool") result = PreferenceValue::boolean(decodeBool(payload, path));
  else if (kind == "int") result = PreferenceValue::integer(decodeInt(payload, path));
  else if (kind == "double") result = PreferenceValue::real(decodeDouble(payload, path));
  else if (kind == "string") result = PreferenceValue::string(decodeString(payload, path));
  else if (kind == "data") {
    auto bytes = base64::decode(decodeString(payload, path));
    path.pop_back();
    if (!bytes) corrupted(path, "Bozuk base64 veri");
    return PreferenceValue::data(std::move(*bytes));
  } else if (kind == "date") {
    const std::string text = decodeString(payload, path);
    path.pop_back();
    auto instant = iso8601::parse(text, true);
    if (!instant) instant = iso8601::parse(text, false);
    if (!instant) corrupted(path, "Bozuk ISO8601 tarih");
    return PreferenceValue::date(*instant);
  } else if (kind == "dictionary") {
    requireObject(payload, path);
    PreferenceValue::Dictionary members;
    for (const auto& [key, member] : payload.items()) {
      path.push_back(key);
      members.emplace(key, decodeValue(member, path));
      path.pop_back();
    }
    result = PreferenceValue::dictionary(std::move(members));
  } else {
    requireArray(payload, path);
    PreferenceValue::Array elements;
    elements.reserve(payload.size());
    for (std::size_t i = 0; i < payload.size(); ++i) {
      path.push_back(indexKey(i));
      elements.push_back(decodeValue(payload[i], path));
      path.pop_back();
    }
    result = PreferenceValue::array(std::move(elements));
  }
  path.pop_back();
  return std::move(*result);
}

}  // namespace

PreferenceValue PreferenceValue::fromJson(const Json& json, const CodingPath& path) {
  CodingPath working = path;
  return decodeValue(json, working);
}

platform::PlistObject PreferenceValue::propertyList() const {
  using namespace platform;
  switch (kind()) {
    case Kind::boolean: return PlistObject(asBool());
    case Kind::integer: return PlistObject(asInt());
    case Kind::real: return PlistObject(asDouble());
    case Kind::string: return PlistObject(asString());
    case Kind::data: return PlistObject(PlistData(asData()));
    case Kind::date: return PlistObject(PlistDate{asDate()});
    case Kind::dictionary: {
      PlistDictionary members;
      for (const auto& [key, member] : asDictionary()) members.emplace(key, member.propertyList());
      return PlistObject(std::move(members));
    }
    case Kind::array: {
      PlistArray elements;
      for (const auto& element : asArray()) elements.push_back(element.propertyList());
      return PlistObject(std::move(elements));
    }
  }
  return PlistObject();
}

std::optional<PreferenceValue> PreferenceValue::fromPropertyList(const std::optional<platform::PlistObject>& object) {
  using namespace platform;
  if (!object) return std::nullopt;
  return std::visit(
      [](const auto& v) -> std::optional<PreferenceValue> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) return boolean(v);
        else if constexpr (std::is_same_v<T, std::int64_t>) return integer(v);
        else if constexpr (std::is_same_v<T, double>) return real(v);
        else if constexpr (std::is_same_v<T, std::string>) return string(v);
        else if constexpr (std::is_same_v<T, PlistData>) return data(v);
        else if constexpr (std::is_same_v<T, PlistDate>) return date(v.secondsSinceReferenceDate);
        else if constexpr (std::is_same_v<T, PlistDictionary>) {
          Dictionary members;
          for (const auto& [key, member] : v) {
            if (platform::isRawKey(key)) return std::nullopt;  // a key that is not text
            auto converted = fromPropertyList(member);
            if (!converted) return std::nullopt;  // one unconvertible member spoils the whole value
            members.emplace(key, std::move(*converted));
          }
          return dictionary(std::move(members));
        } else if constexpr (std::is_same_v<T, PlistArray>) {
          Array elements;
          elements.reserve(v.size());
          for (const auto& element : v) {
            auto converted = fromPropertyList(element);
            if (!converted) return std::nullopt;
            elements.push_back(std::move(*converted));
          }
          return array(std::move(elements));
        } else {
          return std::nullopt;
        }
      },
      object->value);
}

}  // namespace amberloom
