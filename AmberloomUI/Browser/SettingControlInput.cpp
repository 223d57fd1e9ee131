#include "Browser/SettingControlInput.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "Changes/ShellCommand.hpp"

namespace amberloom::ui::SettingControlInput {

namespace {

using Kind = PreferenceValue::Kind;

bool isKind(const Value& value, Kind kind) { return value && value->kind() == kind; }

// 2^63: the first double above every int64.
constexpr double int64Limit = 9223372036854775808.0;

// A whole double as an int64, saturating at the ends of the range.
std::int64_t saturatingInt(double whole) {
  if (whole >= int64Limit) return std::numeric_limits<std::int64_t>::max();
  if (whole < -int64Limit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(whole);
}

std::string fixed(double value, int decimals) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ptr);
}

// `snapped` written with the step's decimal places and read back: 3 × 0.1 is stored as 0.3, not
// as 0.30000000000000004. A step of more places than a double keeps is left as it came.
double onGrid(double snapped, double step) {
  char buffer[400];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, step, std::chars_format::fixed);
  const std::string_view digits(buffer, written.ptr);
  const auto point = digits.find('.');
  const int places = point == std::string_view::npos ? 0 : static_cast<int>(digits.size() - point - 1);
  if (places > 15 || !std::isfinite(snapped)) return snapped;
  const std::string rounded = fixed(snapped, places);
  double result = snapped;
  std::from_chars(rounded.data(), rounded.data() + rounded.size(), result);
  return result;
}

std::string trimmed(const std::string& text) {
  constexpr const char* blanks = " \t\n\r\f\v";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The whole text as a number of type T, an optional leading "+" allowed; none for anything else.
template <typename T>
std::optional<T> parsed(const std::string& text) {
  const bool plus = text.starts_with('+');
  const char* begin = text.data() + (plus ? 1 : 0);
  const char* end = text.data() + text.size();
  if (plus && begin != end && *begin == '-') return std::nullopt;  // "+-3" is not a number
  T number{};
  const auto [ptr, ec] = std::from_chars(begin, end, number);
  if (ec != std::errc() || ptr != end) return std::nullopt;  // out of range is refused too
  return number;
}

}  // namespace

bool switchState(const Value& value) {
  if (isKind(value, Kind::boolean)) return value->asBool();
  if (isKind(value, Kind::integer)) return value->asInt() != 0;
  return false;
}

std::optional<PreferenceValue> toggled(SettingValueType type, bool on) {
  if (type == SettingValueType::boolean) return PreferenceValue::boolean(on);
  if (type == SettingValueType::integer) return PreferenceValue::integer(on ? 1 : 0);
  return std::nullopt;
}

double numberReading(const Value& value, const ControlRange& range) {
  if (isKind(value, Kind::integer)) return static_cast<double>(value->asInt());
  if (isKind(value, Kind::real)) return value->asDouble();
  return range.min;
}

double knobPosition(const Value& value, const ControlRange& range) {
  const double reading = numberReading(value, range);
  if (std::isnan(reading)) return range.min;
  return std::clamp(reading, range.min, range.max);
}

PreferenceValue sliderValue(SettingValueType type, const ControlRange& range, double position) {
  double v = std::isnan(position) ? range.min : position;
  // A step too fine to count the position in (the quotient overflows) leaves it off the grid.
  if (range.step > 0 && std::isfinite(v / range.step)) v = onGrid(range.step * std::round(v / range.step), range.step);
  // The grid counts from zero, so a snapped value can land beyond either end.
  v = std::clamp(v, range.min, range.max);
  if (type != SettingValueType::integer) return PreferenceValue::real(v);

  double whole = std::round(v);
  const double lowest = std::ceil(range.min), highest = std::floor(range.max);
  if (lowest <= highest) whole = std::clamp(whole, lowest, highest);  // else no whole number fits
  return PreferenceValue::integer(saturatingInt(whole));
}

double startingNumber(SettingValueType type, const ControlRange& range) {
  const PreferenceValue middle = sliderValue(type, range, range.min / 2 + range.max / 2);
  return middle.kind() == Kind::integer ? static_cast<double>(middle.asInt()) : middle.asDouble();
}

double nudgedPosition(SettingValueType type, const ControlRange& range, const Value& value, int steps) {
  const double step = range.step > 0 ? range.step : type == SettingValueType::integer ? 1 : 0.1;
  const double from = value ? knobPosition(value, range) : startingNumber(type, range);
  return from + steps * step;
}

std::string sliderLabel(SettingValueType type, const ControlRange& range, const Value& value) {
  const double reading = numberReading(value, range);
  if (!std::isfinite(reading)) return "–";
  if (type == SettingValueType::integer) {
    const double whole = std::round(reading);
    if (whole >= int64Limit || whole < -int64Limit) return fixed(whole, 0);
    return std::to_string(static_cast<std::int64_t>(whole));
  }
  return fixed(reading, range.step < 0.1 ? 2 : 1);
}

int selectedIndex(const std::vector<ControlOption>& options, const Value& value) {
  if (!value) return -1;
  const auto found = std::find_if(options.begin(), options.end(),
                                  [&](const ControlOption& option) { return option.value == *value; });
  return found == options.end() ? -1 : static_cast<int>(found - options.begin());
}

std::string textReading(const Value& value) {
  if (isKind(value, Kind::string)) return value->asString();
  if (isKind(value, Kind::integer)) return std::to_string(value->asInt());
  if (isKind(value, Kind::real)) return ShellCommand::decimal(value->asDouble());
  return {};
}

std::optional<PreferenceValue> committedText(SettingValueType type, const Value& current, const std::string& draft) {
  if (draft == textReading(current)) return std::nullopt;
  std::optional<PreferenceValue> value;
  if (type == SettingValueType::integer) {
    if (const auto number = parsed<std::int64_t>(trimmed(draft))) value = PreferenceValue::integer(*number);
  } else if (type == SettingValueType::real) {
    const auto number = parsed<double>(trimmed(draft));
    if (number && std::isfinite(*number)) value = PreferenceValue::real(*number);
  } else {
    value = PreferenceValue::string(draft);
  }
  if (value && current && *value == *current) return std::nullopt;
  return value;
}

std::optional<ColorValue> shownColour(const Value& value) {
  if (!isKind(value, Kind::string)) return std::nullopt;
  return ColorValue::fromPreferenceString(value->asString());
}

PreferenceValue pickedColour(double red, double green, double blue, const Value& current) {
  const auto unit = [](double component) { return std::isnan(component) ? 0.0 : std::clamp(component, 0.0, 1.0); };
  const auto shown = shownColour(current);
  const ColorValue colour{unit(red), unit(green), unit(blue), shown ? shown->name : std::nullopt};
  return PreferenceValue::string(colour.preferenceString());
}

std::optional<std::string> colourName(const Value& value) {
  const auto shown = shownColour(value);
  if (!shown || !shown->name || shown->name->empty()) return std::nullopt;
  return shown->name;
}

std::optional<std::string> folderText(const Value& value, const std::string& home) {
  if (!isKind(value, Kind::string) || value->asString().empty()) return std::nullopt;
  const std::string& path = value->asString();
  if (!home.empty() && home != "/" && path.starts_with(home) &&
      (path.size() == home.size() || path[home.size()] == '/'))
    return "~" + path.substr(home.size());
  return path;
}

}  // namespace amberloom::ui::SettingControlInput
