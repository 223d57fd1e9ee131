#include "Catalog/SettingControl.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace amberloom {
namespace {
describe::Field idField(const std::string& settingID) { return {"settingID", describe::text(settingID)}; }
}  // namespace

SettingControl SettingControl::defaultFor(SettingValueType type) {
  switch (type) {
    case SettingValueType::boolean: return toggle();
    case SettingValueType::integer:
    case SettingValueType::real:
    case SettingValueType::string: return text();
    case SettingValueType::dictionary:
    case SettingValueType::array: return unsupported();
  }
  return unsupported();
}

const char* SettingControl::kindName(Kind kind) {
  static const char* names[] = {"choice", "slider", "toggle", "text", "color", "folder", "unsupported"};
  return names[static_cast<int>(kind)];
}

bool SettingControl::operator==(const SettingControl& other) const {
  if (kind_ != other.kind_) return false;
  if (kind_ == Kind::choice) return options_ == other.options_;
  if (kind_ == Kind::slider) return range_ == other.range_;
  return true;
}

bool SettingControl::accepts(const PreferenceValue& value) const {
  switch (kind_) {
    case Kind::choice:
      return std::any_of(options_.begin(), options_.end(), [&](const ControlOption& o) { return o.value == value; });
    case Kind::slider: {
      double number;
      if (value.kind() == PreferenceValue::Kind::integer)
        number = static_cast<double>(value.asInt());
      else if (value.kind() == PreferenceValue::Kind::real)
        number = value.asDouble();
      else
        return false;
      return range_.min <= number && number <= range_.max;  // false for NaN
    }
    default: return true;
  }
}

namespace {

// Whole numbers read as integers ("3", never "3.0"). A double outside the 64-bit range, infinite
// or NaN has no integer form; it is never converted to one.
std::string describeDouble(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  constexpr double twoTo63 = 9223372036854775808.0;
  if (std::trunc(value) == value) {
    if (std::fabs(value) < twoTo63) return std::to_string(static_cast<std::int64_t>(value));
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;  // shortest exact form
    return std::string(buffer, end);
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

}  // namespace

std::string SettingControl::describe(const std::optional<PreferenceValue>& value) const {
  if (!value) return "not set";
  if (kind_ == Kind::choice)
    for (const auto& option : options_)
      if (option.value == *value) return option.label;
  switch (value->kind()) {
    case PreferenceValue::Kind::boolean: return value->asBool() ? "on" : "off";
    case PreferenceValue::Kind::integer: return std::to_string(value->asInt());
    case PreferenceValue::Kind::real: return describeDouble(value->asDouble());
    case PreferenceValue::Kind::string: return value->asString();
    default: return "\u2026";
  }
}

ControlError ControlError::emptyChoiceList(std::string settingID) {
  const auto text = describe::enumCase("emptyChoiceList", {idField(settingID)});
  return ControlError(Case::emptyChoiceList, std::move(settingID), "", text);
}
ControlError ControlError::choiceTypeMismatch(std::string settingID) {
  const auto text = describe::enumCase("choiceTypeMismatch", {idField(settingID)});
  return ControlError(Case::choiceTypeMismatch, std::move(settingID), "", text);
}
ControlError ControlError::invertedRange(std::string settingID) {
  const auto text = describe::enumCase("invertedRange", {idField(settingID)});
  return ControlError(Case::invertedRange, std::move(settingID), "", text);
}
ControlError ControlError::unknownControl(std::string settingID, std::string kind) {
  const auto text = describe::enumCase("unknownControl", {idField(settingID), {"kind", describe::text(kind)}});
  return ControlError(Case::unknownControl, std::move(settingID), std::move(kind), text);
}

RawScalar RawScalar::fromJson(const Json& json, const CodingPath& path) {
  if (json.is_boolean()) return RawScalar(json.get<bool>());
  if (json.is_number()) {
    try {
      return RawScalar(decodeInt(json, path));
    } catch (const DecodingError&) {
      return RawScalar(decodeDouble(json, path));
    }
  }
  return RawScalar(decodeString(json, path));
}

std::optional<PreferenceValue> RawScalar::preferenceValue(SettingValueType type) const {
  switch (type) {
    case SettingValueType::boolean:
      if (const auto* v = std::get_if<bool>(&value_)) return PreferenceValue::boolean(*v);
      break;
    case SettingValueType::integer:
      if (const auto* v = std::get_if<std::int64_t>(&value_)) return PreferenceValue::integer(*v);
      break;
    case SettingValueType::real:
      if (const auto* v = std::get_if<double>(&value_)) return PreferenceValue::real(*v);
      if (const auto* v = std::get_if<std::int64_t>(&value_)) return PreferenceValue::real(static_cast<double>(*v));
      break;
    case SettingValueType::string:
      if (const auto* v = std::get_if<std::string>(&value_)) return PreferenceValue::string(*v);
      break;
    case SettingValueType::dictionary:
    case SettingValueType::array: break;
  }
  return std::nullopt;
}

RawControlSpec RawControlSpec::fromJson(const Json& json, const CodingPath& path) {
  RawControlSpec spec;
  if (json.is_string()) {
    spec.simple = json.get<std::string>();
    return spec;
  }
  requireObject(json, path);
  if (const Json* choice = optionalMember(json, "choice")) {
    const auto choicePath = appending(path, "choice");
    requireArray(*choice, choicePath);
    std::vector<RawOption> options;
    for (std::size_t i = 0; i < choice->size(); ++i) {
      const auto optionPath = appending(choicePath, i);
      const Json& option = (*choice)[i];
      options.push_back({RawScalar::fromJson(member(option, "value", optionPath), appending(optionPath, "value")),
                         requiredString(option, "label", optionPath)});
    }
    spec.choice = std::move(options);
  }
  if (const Json* slider = optionalMember(json, "slider")) {
    const auto sliderPath = appending(path, "slider");
    RawRange range;
    range.min = decodeDouble(member(*slider, "min", sliderPath), appending(sliderPath, "min"));
    range.max = decodeDouble(member(*slider, "max", sliderPath), appending(sliderPath, "max"));
    if (const Json* step = optionalMember(*slider, "step")) range.step = decodeDouble(*step, appending(sliderPath, "step"));
    spec.slider = range;
  }
  return spec;
}

SettingControl RawControlSpec::resolve(const std::string& settingID, SettingValueType type) const {
  if (simple) {
    if (*simple == "toggle") return SettingControl::toggle();
    if (*simple == "text") return SettingControl::text();
    if (*simple == "color") return SettingControl::color();
    if (*simple == "folder") return SettingControl::folder();
    throw ControlError::unknownControl(settingID, *simple);
  }
  if (choice) {
    if (choice->empty()) throw ControlError::emptyChoiceList(settingID);
    std::vector<ControlOption> options;
    options.reserve(choice->size());
    for (const auto& option : *choice) {
      auto value = option.value.preferenceValue(type);
      if (!value) throw ControlError::choiceTypeMismatch(settingID);
      options.push_back({std::move(*value), option.label});
    }
    return SettingControl::choice(std::move(options));
  }
  if (slider) {
    if (!(slider->min < slider->max)) throw ControlError::invertedRange(settingID);
    return SettingControl::slider({slider->min, slider->max, slider->step.value_or(1.0)});
  }
  return SettingControl::defaultFor(type);
}

}  // namespace amberloom
