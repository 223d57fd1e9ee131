#pragma once
// The binary property-list form ("bplist00") read and written here, so that every member is kept
// exactly: text with U+0000, single-byte text with bytes of 0x80 and above, UTF-16 text that is not
// well-formed, full-precision dates, wide unsigned integers and sets.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Platform/PlistObject.hpp"

namespace amberloom::platform {

// Containers nested deeper than this (the top object counting as level 1) read as none, in every
// property-list form.
inline constexpr std::size_t kMaxPropertyListDepth = 512;

// A value that the binary form cannot hold exactly (text or a key that is not well-formed UTF-8).
class PlistEncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The object held by binary property-list bytes, or none when they are malformed, nested deeper
// than kMaxPropertyListDepth, cyclic, expand far beyond their size, or hold a kind with no place
// in a PlistObject (a null, a dictionary key that is not text, a set within a set). Never throws.
// ASCII text ("0x5" strings) is read as ISO 8859-1, so a byte of 0x80 or above is the character of
// that number. A set reads as the `PlistOther` "set", whose `bytes` are its members as the binary
// form of an array, so that a rewrite stores it as the set it was.
std::optional<PlistObject> parseBinaryPropertyList(std::string_view bytes);

// The object in binary form. Throws PlistEncodingError for text or a key that is not well-formed
// UTF-8 (raw keys and "utf16" members are written back as they were read).
std::string encodeBinaryPropertyList(const PlistObject& object);
// Whether encodeBinaryPropertyList takes `object` without throwing, found without encoding it: a
// write checks each value it stores.
bool binaryEncodable(const PlistObject& object);

// Whether containers in `object` are nested more than `levels` deep (a scalar is one level).
// Looks no deeper than `levels` + 1.
bool nestedDeeperThan(const PlistObject& object, std::size_t levels);

}  // namespace amberloom::platform
