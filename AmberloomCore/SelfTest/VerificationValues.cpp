#include "SelfTest/VerificationValues.hpp"

#include <utility>
#include <vector>

#include "Preferences/BundledResource.hpp"
#include "Catalog/SettingValueType.hpp"

namespace amberloom {

PreferenceValue VerificationValue::resolvedValue(const std::string& homeDirectory) const {
  if (expandTilde && value.kind() == PreferenceValue::Kind::string && value.asString().starts_with('~'))
    return PreferenceValue::string(homeDirectory + value.asString().substr(1));
  return value;
}

namespace {

const char* caseName(VerificationValuesError::Case c) {
  switch (c) {
    case VerificationValuesError::Case::unknownValueType: return "unknownValueType";
    case VerificationValuesError::Case::unsupportedValueType: return "unsupportedValueType";
    case VerificationValuesError::Case::valueDoesNotMatchType: return "valueDoesNotMatchType";
  }
  return "";
}

std::string describedCase(VerificationValuesError::Case c, const std::string& settingID, const std::string& type,
                          const std::string& detail) {
  std::vector<describe::Field> payload{{"settingID", describe::text(settingID)}, {"type", describe::text(type)}};
  if (!detail.empty()) payload.push_back({"detail", describe::text(detail)});
  return describe::enumCase(caseName(c), payload);
}

}  // namespace

VerificationValuesError::VerificationValuesError(Case c, std::string settingID, std::string type, std::string detail)
    : DescribedError(describedCase(c, settingID, type, detail)),
      case_(c),
      settingID_(std::move(settingID)),
      type_(std::move(type)),
      detail_(std::move(detail)) {}

VerificationValuesError VerificationValuesError::unknownValueType(std::string settingID, std::string type) {
  return VerificationValuesError(Case::unknownValueType, std::move(settingID), std::move(type));
}
VerificationValuesError VerificationValuesError::unsupportedValueType(std::string settingID, std::string type) {
  return VerificationValuesError(Case::unsupportedValueType, std::move(settingID), std::move(type));
}
VerificationValuesError VerificationValuesError::valueDoesNotMatchType(std::string settingID, std::string type,
                                                                       std::string detail) {
  return VerificationValuesError(Case::valueDoesNotMatchType, std::move(settingID), std::move(type), std::move(detail));
}

namespace {

// Where a decoding failure happened and what the decoder said of it.
std::string decodingDetail(const DecodingError& error) {
  std::string where;
  for (const auto& key : error.codingPath()) where += "/" + key;
  return where + ": " + error.debugDescription();
}

// The "value" member read as the entry's type. Every decoding failure, a missing member included,
// is the entry's fault and is reported as such, with what the decoder found.
PreferenceValue decodeValue(const Json& entry, const std::string& id, const std::string& typeText,
                            SettingValueType type, const CodingPath& path) {
  try {
    const auto valuePath = appending(path, "value");
    const Json& raw = member(entry, "value", path);
    switch (type) {
      case SettingValueType::boolean: return PreferenceValue::boolean(decodeBool(raw, valuePath));
      case SettingValueType::integer: return PreferenceValue::integer(decodeInt(raw, valuePath));
      case SettingValueType::real: return PreferenceValue::real(decodeDouble(raw, valuePath));
      case SettingValueType::string: return PreferenceValue::string(decodeString(raw, valuePath));
      case SettingValueType::dictionary:
      case SettingValueType::array: break;  // refused before the value is looked at
    }
  } catch (const DecodingError& error) {
    throw VerificationValuesError::valueDoesNotMatchType(id, typeText, decodingDetail(error));
  }
  throw VerificationValuesError::valueDoesNotMatchType(id, typeText);
}

VerificationValue decodeEntry(const Json& entry, const CodingPath& path) {
  requireObject(entry, path);
  const std::string id = requiredString(entry, "id", path);
  const std::string typeText = requiredString(entry, "type", path);
  bool expandTilde = false;
  if (const Json* v = optionalMember(entry, "expandTilde"))
    expandTilde = decodeBool(*v, appending(path, "expandTilde"));

  const auto type = settingValueType(typeText);
  if (!type) throw VerificationValuesError::unknownValueType(id, typeText);
  if (*type == SettingValueType::dictionary || *type == SettingValueType::array)
    throw VerificationValuesError::unsupportedValueType(id, typeText);
  return VerificationValue{id, decodeValue(entry, id, typeText, *type, path), expandTilde};
}

}  // namespace

VerificationValues VerificationValues::fromData(std::string_view bytes) {
  const Json document = parseJson(bytes);
  const CodingPath valuesPath{"values"};
  const Json& list = requireArray(member(document, "values", {}), valuesPath);

  std::vector<VerificationValue> decoded;
  decoded.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) decoded.push_back(decodeEntry(list[i], appending(valuesPath, i)));

  Table table;
  for (auto& value : decoded) {
    std::string key = value.id;
    table.insert_or_assign(std::move(key), std::move(value));  // a later entry replaces an earlier one
  }
  return VerificationValues(std::move(table));
}

VerificationValues VerificationValues::bundled() { return fromData(BundledResource::data("verification_values")); }

std::optional<VerificationValue> VerificationValues::value(const std::string& settingID) const {
  const auto found = byID_.find(settingID);
  if (found == byID_.end()) return std::nullopt;
  return found->second;
}

}  // namespace amberloom
