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

// Whether `text` is well-formed UTF-8 of characters XML can carry: tab, line feed, carriage return,
// and U+0020 and above except U+FFFE and U+FFFF. Neither raw nor as a character reference can a
// document hold U+0000, U+0001 and the other control characters; a reader refuses it whole.
bool isXmlText(std::string_view text);
bool isXmlCharacter(std::uint32_t c);

// Appends the code point (at most U+10FFFF, no surrogate) in UTF-8.
void appendUtf8(std::string& out, std::uint32_t c);

// Each byte as the code point of the same number (ISO 8859-1), in UTF-8. Always succeeds.
std::string latin1ToUtf8(std::string_view bytes);

// Big-endian UTF-16 code units to UTF-8; none for an odd byte count or an unpaired surrogate.
std::optional<std::string> utf16BigEndianToUtf8(std::string_view bytes);
// The same for little-endian code units.
std::optional<std::string> utf16LittleEndianToUtf8(std::string_view bytes);

// Text in the named encoding (an IANA name such as "ISO-8859-1" or "windows-1252") to UTF-8; none
// when the encoding is unknown or a byte sequence has no character in it.
std::optional<std::string> encodedTextToUtf8(std::string_view bytes, const std::string& encoding);

// Well-formed UTF-8 to big-endian UTF-16 code units; none when `text` is not well-formed.
std::optional<std::string> utf8ToUtf16BigEndian(std::string_view text);

}  // namespace amberloom::platform
