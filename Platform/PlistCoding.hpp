#pragma once
// Property-list bytes to objects and back. Parsing accepts binary and XML property lists;
// writing produces the binary form preference files use, or the XML form that the
// `defaults export` command prints.

#include <optional>
#include <string>
#include <string_view>

#include "Platform/BinaryPropertyList.hpp"
#include "Platform/PlistObject.hpp"

namespace amberloom::platform {

// The object held by `bytes`, or none when they are not a well-formed property list. Never throws;
// truncated or hostile input reads as none. Binary lists are read by BinaryPropertyList.hpp, XML
// ones by XmlPropertyListReader.hpp, which refuses the whole document for one malformed value.
std::optional<PlistObject> parsePropertyList(std::string_view bytes);

// The object as a binary property list ("bplist00"), every value kept exactly (reals and dates
// as their full doubles, integers as signed 64-bit). A `PlistOther` UID, unsigned integer, set or
// UTF-16 text is written back as it was read, so rewriting a file never loses a member it cannot
// represent; any other `PlistOther` is written as an empty string. Throws PlistEncodingError for
// text or a key that is not well-formed UTF-8.
std::string binaryPropertyList(const PlistObject& object);

// The object as an XML property list the way the system's export writes it: reals to 17
// significant digits, dates to the whole second, integers exactly, a UID as a dictionary holding
// "CF$UID", a carriage return in text as "&#13;". Whatever it writes reads back as it is.
// Dictionary members whose key or text is not well-formed or holds a character XML cannot carry
// (U+0000 to U+001F but tab, line feed and carriage return; U+FFFE, U+FFFF), or that hold a set or
// a date outside the years 1 to 9999, are left out. Throws PlistEncodingError for such a value
// outside any dictionary.
std::string xmlPropertyList(const PlistObject& object);

// The same XML when it leaves nothing out; none when some member has no XML form.
std::optional<std::string> completeXmlPropertyList(const PlistObject& object);

}  // namespace amberloom::platform
