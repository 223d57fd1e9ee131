#pragma once
// Days of the proleptic Gregorian calendar, for the readers of dates written as text.

#include <cstdint>

namespace amberloom::platform {

// Days since 1970-01-01 (Howard Hinnant's algorithm).
constexpr std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// Whether the day exists: a month of 1 to 12, and February 29 only in a leap year.
constexpr bool isCivilDay(std::int64_t year, unsigned month, unsigned day) {
  constexpr unsigned monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > monthDays[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month != 2 || day != 29 || leap;
}

}  // namespace amberloom::platform
