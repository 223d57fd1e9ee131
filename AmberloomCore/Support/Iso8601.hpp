#pragma once
// ISO 8601 instants in UTC, as the stored files write them. Instants are seconds relative to the
// reference date 2001-01-01T00:00:00Z.

#include <optional>
#include <string>
#include <string_view>

namespace amberloom::iso8601 {

inline constexpr double kReferenceDateUnixSeconds = 978307200.0;

// Whether the instant can be written in the forms below and read back: finite, and within the
// years 1 to 9999.
bool isWritable(double secondsSinceReferenceDate);

// 2024-03-05T14:07:09.250Z (milliseconds, truncated toward the past). Throws std::out_of_range
// for an instant that is not writable.
std::string formatWithMilliseconds(double secondsSinceReferenceDate);
// 2024-03-05T14:07:09Z (whole seconds, truncated toward the past). Throws as above.
std::string formatWholeSeconds(double secondsSinceReferenceDate);
// The instant itself, as `parse` reads it back to the very same double: the millisecond form when
// that does, otherwise a fraction of ten or more digits. Throws as above.
std::string formatExact(double secondsSinceReferenceDate);

// Reads "YYYY-MM-DDTHH:MM:SS" with an optional fraction of one or more digits, then "Z" or a
// "+HH:MM"/"-HH:MM" offset. `requireFraction` demands the fraction. A fraction of ten digits or
// more is read as the nearest double to the instant written. None for anything else.
std::optional<double> parse(std::string_view text, bool requireFraction = false);

// The current time as seconds relative to the reference date.
double now();

}  // namespace amberloom::iso8601
