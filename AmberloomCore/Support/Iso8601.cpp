#include "Support/Iso8601.hpp"

#include "Platform/CivilDate.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace amberloom::iso8601 {
namespace {

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

// 0001-01-01T00:00:00Z and 10000-01-01T00:00:00Z, relative to the reference date.
constexpr double kFirstWritable = -62135596800.0 - kReferenceDateUnixSeconds;
constexpr double kPastLastWritable = 253402300800.0 - kReferenceDateUnixSeconds;

std::string format(double secondsSinceReferenceDate, bool milliseconds) {
  if (!isWritable(secondsSinceReferenceDate))
    throw std::out_of_range("an instant outside the years 1 to 9999 has no ISO 8601 form here");
  // Round to the microsecond first so that a millisecond instant stored as a binary fraction
  // (0.123 is a hair below 0.123) is not truncated to the millisecond before it.
  const std::int64_t micros = std::llround(secondsSinceReferenceDate * 1e6) +
                              static_cast<std::int64_t>(kReferenceDateUnixSeconds) * 1000000;
  const std::int64_t totalMs = micros >= 0 ? micros / 1000 : -((-micros + 999) / 1000);
  std::int64_t seconds = totalMs >= 0 ? totalMs / 1000 : -((-totalMs + 999) / 1000);
  int ms = static_cast<int>(totalMs - seconds * 1000);
  // Far from the reference date a double cannot hold a millisecond exactly, and the instant read
  // from "...09.250Z" may lie a hair below it: the text that reads back as this very instant wins.
  const auto readsBack = [&](std::int64_t s, int m) {
    return static_cast<double>(s - static_cast<std::int64_t>(kReferenceDateUnixSeconds)) +
               static_cast<double>(m) / 1000.0 == secondsSinceReferenceDate;
  };
  if (milliseconds && !readsBack(seconds, ms) && readsBack(seconds + (ms + 1) / 1000, (ms + 1) % 1000)) {
    seconds += (ms + 1) / 1000;
    ms = (ms + 1) % 1000;
  }
  std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const std::int64_t secondOfDay = seconds - days * 86400;
  std::int64_t y;
  unsigned m, d;
  civilFromDays(days, y, m, d);
  char buffer[48];
  const int hh = static_cast<int>(secondOfDay / 3600), mm = static_cast<int>(secondOfDay / 60 % 60),
            ss = static_cast<int>(secondOfDay % 60);
  if (milliseconds)
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<long long>(y), m, d, hh,
                  mm, ss, ms);
  else
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(y), m, d, hh, mm,
                  ss);
  return buffer;
}

// Longer fractions than the millisecond form carries are read and written through the decimal
// text of the whole instant, so that the double read is the one written.
constexpr std::size_t kExactFractionDigits = 10;
constexpr std::size_t kMostFractionDigits = 1100;  // a denormal's decimal expansion fits

// The nearest double to `whole` + 0.`fraction`.
std::optional<double> exactInstant(std::int64_t whole, std::string_view fraction) {
  std::string text;
  if (whole >= 0 || fraction.find_first_not_of('0') == std::string_view::npos) {
    text = std::to_string(whole) + "." + std::string(fraction);
  } else {
    // -n + 0.f is -((n - 1) + (1 - 0.f)): the digits' complement to 1, carried from the last.
    std::string complement(fraction);
    for (char& c : complement) c = static_cast<char>('9' - (c - '0'));
    for (std::size_t i = complement.size(); i-- > 0;) {
      if (complement[i] != '9') {
        ++complement[i];
        break;
      }
      complement[i] = '0';
    }
    text = "-" + std::to_string(-(whole + 1)) + "." + complement;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

bool isWritable(double secondsSinceReferenceDate) {
  // Compared after the rounding to the microsecond that formatting does.
  const double rounded = std::round(secondsSinceReferenceDate * 1e6) / 1e6;
  return std::isfinite(rounded) && rounded >= kFirstWritable && rounded < kPastLastWritable;
}

std::string formatWithMilliseconds(double secondsSinceReferenceDate) { return format(secondsSinceReferenceDate, true); }
std::string formatWholeSeconds(double secondsSinceReferenceDate) { return format(secondsSinceReferenceDate, false); }

std::string formatExact(double secondsSinceReferenceDate) {
  std::string text = formatWithMilliseconds(secondsSinceReferenceDate);
  if (parse(text) == secondsSinceReferenceDate) return text;
  // The shortest decimal that reads back as this double, split into whole seconds (toward the
  // past) and a fraction in [0, 1).
  char buffer[kMostFractionDigits + 64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, secondsSinceReferenceDate, std::chars_format::fixed);
  const std::string_view decimal(buffer, static_cast<std::size_t>(written.ptr - buffer));
  const std::size_t point = decimal.find('.');
  std::string fraction(point == std::string_view::npos ? std::string_view() : decimal.substr(point + 1));
  std::int64_t whole = 0;
  const std::string_view integral = decimal.substr(decimal.front() == '-' ? 1 : 0, point == std::string_view::npos
                                                                                      ? std::string_view::npos
                                                                                      : point - (decimal.front() == '-'));
  std::from_chars(integral.data(), integral.data() + integral.size(), whole);
  if (decimal.front() == '-') {
    whole = -whole;
    if (fraction.find_first_not_of('0') != std::string::npos) {
      // -n.f is -(n + 1) + (1 - 0.f).
      whole -= 1;
      for (char& c : fraction) c = static_cast<char>('9' - (c - '0'));
      for (std::size_t i = fraction.size(); i-- > 0;) {
        if (fraction[i] != '9') {
          ++fraction[i];
          break;
        }
        fraction[i] = '0';
      }
    }
  }
  fraction.resize(std::max(fraction.size(), kExactFractionDigits), '0');
  // The date and time of the whole seconds, from the one formatter, with the fraction in place of
  // its milliseconds.
  text = format(static_cast<double>(whole), false);
  text.insert(text.size() - 1, "." + fraction);
  return text;
}

std::optional<double> parse(std::string_view text, bool requireFraction) {
  int year, month, day, hour, minute, second;
  if (!digits(text, 0, 4, year) || text.size() < 19 || text[4] != '-' || !digits(text, 5, 2, month) ||
      text[7] != '-' || !digits(text, 8, 2, day) || text[10] != 'T' || !digits(text, 11, 2, hour) ||
      text[13] != ':' || !digits(text, 14, 2, minute) || text[16] != ':' || !digits(text, 17, 2, second))
    return std::nullopt;
  if (month < 1 || day < 1 || !platform::isCivilDay(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) ||
      hour > 23 || minute > 59 || second > 59)
    return std::nullopt;

  std::size_t at = 19;
  std::int64_t fraction = 0, scale = 1;
  std::string_view fractionDigits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    const std::size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < kMostFractionDigits) {
      if (at - start < 9) {
        fraction = fraction * 10 + (text[at] - '0');
        scale *= 10;
      }
      ++at;
    }
    if (at == start) return std::nullopt;
    fractionDigits = text.substr(start, at - start);
  } else if (requireFraction) {
    return std::nullopt;
  }
  int offsetSeconds = 0;
  if (at < text.size() && text[at] == 'Z') {
    ++at;
  } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    int oh, om;
    if (!digits(text, at + 1, 2, oh) || at + 3 >= text.size() || text[at + 3] != ':' || !digits(text, at + 4, 2, om) ||
        oh > 23 || om > 59)
      return std::nullopt;
    offsetSeconds = (oh * 3600 + om * 60) * (text[at] == '+' ? 1 : -1);
    at += 6;
  } else {
    return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  const std::int64_t days = platform::daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  const std::int64_t unixSeconds = days * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
  if (fractionDigits.size() >= kExactFractionDigits)
    return exactInstant(unixSeconds - static_cast<std::int64_t>(kReferenceDateUnixSeconds), fractionDigits);
  // Whole seconds first, then the fraction, so a millisecond text gives the same double each time.
  return static_cast<double>(unixSeconds - static_cast<std::int64_t>(kReferenceDateUnixSeconds)) +
         static_cast<double>(fraction) / static_cast<double>(scale);
}

double now() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(since).count() - kReferenceDateUnixSeconds;
}

}  // namespace amberloom::iso8601
