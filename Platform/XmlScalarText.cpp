#include "Platform/XmlScalarText.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "Platform/CivilDate.hpp"

namespace amberloom::platform {
namespace {

constexpr std::int64_t kReferenceDateUnix = 978307200;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i]) return false;
  }
  return true;
}

int hexDigit(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Digits in `base` to an unsigned 64-bit number; none when empty, not all digits, or too large.
std::optional<std::uint64_t> unsignedNumber(std::string_view digits, unsigned base) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const int digit = base == 16 ? hexDigit(c) : (isDigit(c) ? c - '0' : -1);
    if (digit < 0) return std::nullopt;
    if (value > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(digit)) / base) return std::nullopt;
    value = value * base + static_cast<unsigned>(digit);
  }
  return value;
}

}  // namespace

std::optional<PlistObject> integerFromXml(std::string_view text) {
  text = trimmed(text);
  if (text.starts_with("0x") || text.starts_with("0X")) {
    const auto value = unsignedNumber(text.substr(2), 16);
    if (!value) return std::nullopt;
    if (*value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
      return PlistObject(PlistOther{"uint64", *value});
    return PlistObject(static_cast<std::int64_t>(*value));
  }
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  const auto magnitude = unsignedNumber(text, 10);
  if (!magnitude) return std::nullopt;
  constexpr auto kSignedMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (negative) {
    if (*magnitude > kSignedMax + 1) return std::nullopt;
    // -(2^63) has no positive counterpart: negate in unsigned arithmetic.
    return PlistObject(static_cast<std::int64_t>(~*magnitude + 1));
  }
  if (*magnitude > kSignedMax) return PlistObject(PlistOther{"uint64", *magnitude});
  return PlistObject(static_cast<std::int64_t>(*magnitude));
}

std::optional<double> realFromXml(std::string_view text) {
  text = trimmed(text);
  const bool negative = text.starts_with('-');
  std::string_view unsignedText = text;
  if (negative || text.starts_with('+')) unsignedText.remove_prefix(1);
  if (equalsIgnoringCase(unsignedText, "nan")) return std::numeric_limits<double>::quiet_NaN();
  if (equalsIgnoringCase(unsignedText, "inf") || equalsIgnoringCase(unsignedText, "infinity"))
    return negative ? -HUGE_VAL : HUGE_VAL;

  // Digits, an optional point with digits, an optional exponent; a digit on at least one side of
  // the point. Where the first significant digit sits tells an overflow from an underflow.
  std::size_t i = 0;
  long long pointPosition = 0, firstSignificant = -1, digitCount = 0;
  bool seenPoint = false;
  for (; i < unsignedText.size(); ++i) {
    const char c = unsignedText[i];
    if (isDigit(c)) {
      if (c != '0' && firstSignificant < 0) firstSignificant = digitCount;
      ++digitCount;
      if (!seenPoint) ++pointPosition;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
  }
  if (digitCount == 0) return std::nullopt;
  long long exponent = 0;
  if (i < unsignedText.size()) {
    if (unsignedText[i] != 'e' && unsignedText[i] != 'E') return std::nullopt;
    std::size_t e = i + 1;
    const bool negativeExponent = e < unsignedText.size() && unsignedText[e] == '-';
    if (e < unsignedText.size() && (unsignedText[e] == '-' || unsignedText[e] == '+')) ++e;
    if (e == unsignedText.size()) return std::nullopt;
    for (; e < unsignedText.size(); ++e) {
      if (!isDigit(unsignedText[e])) return std::nullopt;
      exponent = std::min(exponent * 10 + (unsignedText[e] - '0'), 1LL << 40);
    }
    if (negativeExponent) exponent = -exponent;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(unsignedText.data(), unsignedText.data() + unsignedText.size(), value);
  if (error == std::errc::result_out_of_range) {
    value = pointPosition - firstSignificant + exponent > 0 ? HUGE_VAL : 0.0;
  } else if (error != std::errc() || end != unsignedText.data() + unsignedText.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::optional<PlistDate> dateFromXml(std::string_view text) {
  // The day in full, then as many of hour, minute and second as were written, then "Z"; the fields
  // left out are zero.
  static constexpr std::string_view shape = "dddd-dd-ddTdd:dd:dd";
  if (text.empty() || text.back() != 'Z') return std::nullopt;
  text.remove_suffix(1);
  if (text.size() != 10 && text.size() != 13 && text.size() != 16 && text.size() != 19) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (shape[i] == 'd' ? !isDigit(text[i]) : text[i] != shape[i]) return std::nullopt;
  const auto number = [text](std::size_t from) -> unsigned {
    if (from >= text.size()) return 0;
    return static_cast<unsigned>(text[from] - '0') * 10 + static_cast<unsigned>(text[from + 1] - '0');
  };
  const unsigned year = number(0) * 100 + number(2), month = number(5), day = number(8);
  const unsigned hour = number(11), minute = number(14), second = number(17);
  if (year < 1 || !isCivilDay(year, month, day) || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  const std::int64_t unix = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return PlistDate{static_cast<double>(unix - kReferenceDateUnix)};
}

std::optional<PlistData> dataFromXml(std::string_view text) {
  std::string symbols;
  symbols.reserve(text.size());
  for (const char c : text)
    if (!isSpace(c)) symbols.push_back(c);
  if (symbols.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  while (padding < 2 && padding < symbols.size() && symbols[symbols.size() - 1 - padding] == '=') ++padding;
  PlistData bytes;
  bytes.reserve(symbols.size() / 4 * 3);
  for (std::size_t i = 0; i < symbols.size(); i += 4) {
    std::uint32_t group = 0;
    for (std::size_t j = i; j < i + 4; ++j) {
      const char c = symbols[j];
      std::uint32_t sextet = 0;
      if (c >= 'A' && c <= 'Z') sextet = static_cast<std::uint32_t>(c - 'A');
      else if (c >= 'a' && c <= 'z') sextet = static_cast<std::uint32_t>(c - 'a' + 26);
      else if (isDigit(c)) sextet = static_cast<std::uint32_t>(c - '0' + 52);
      else if (c == '+') sextet = 62;
      else if (c == '/') sextet = 63;
      else if (c != '=' || j < symbols.size() - padding) return std::nullopt;
      group = (group << 6) | sextet;
    }
    bytes.push_back(static_cast<std::uint8_t>(group >> 16));
    bytes.push_back(static_cast<std::uint8_t>(group >> 8));
    bytes.push_back(static_cast<std::uint8_t>(group));
  }
  bytes.resize(bytes.size() - padding);
  return bytes;
}

}  // namespace amberloom::platform
