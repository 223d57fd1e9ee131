#pragma once
// Conversions between UTF-8 and the other text encodings that property lists store, strict
// enough that a text either converts exactly or is refused: nothing is replaced or dropped.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace amberloom::platform {

// Whether `text` is well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
// U+0000 counts as text.
bool isValidUtf8(std::string_view text);

// Each byte as the code point of the same number (ISO 8859-1), in UTF-8. Always succeeds.
std::string latin1ToUtf8(std::string_view bytes);

// Big-endian UTF-16 code units to UTF-8; none for an odd byte count or an unpaired surrogate.
std::optional<std::string> utf16BigEndianToUtf8(std::string_view bytes);

// Well-formed UTF-8 to big-endian UTF-16 code units; none when `text` is not well-formed.
std::optional<std::string> utf8ToUtf16BigEndian(std::string_view text);

}  // namespace amberloom::platform
