#pragma once
// The text forms of the scalars of an XML property list, read exactly as the Mac reads them:
// anything else is no value at all, never a nearby one, so that the document holding it is
// refused whole rather than rewritten with a value nobody stored.

#include <optional>
#include <string_view>

#include "Platform/PlistObject.hpp"

namespace amberloom::platform {

// An optional sign and decimal digits, or "0x" and hexadecimal digits, with white space around
// allowed; within the signed or the unsigned 64-bit range. Above the signed range it is the
// `PlistOther` "uint64".
std::optional<PlistObject> integerFromXml(std::string_view text);

// A decimal number with an optional fraction and exponent, or "nan", "inf", "infinity" with an
// optional sign (any letter case), with white space around allowed. Beyond the range of a double
// it is an infinity, below it a zero.
std::optional<double> realFromXml(std::string_view text);

// "YYYY-MM-DDTHH:MM:SSZ", a real day of the years 1 to 9999 and a time of day without a leap
// second; the time may stop after the hour or the minute ("YYYY-MM-DDTHHZ") or be left out
// ("YYYY-MM-DDZ"), and what is left out is zero.
std::optional<PlistDate> dateFromXml(std::string_view text);

// Base64 with white space anywhere: whole groups of four, padding only at the end.
std::optional<PlistData> dataFromXml(std::string_view text);

}  // namespace amberloom::platform
