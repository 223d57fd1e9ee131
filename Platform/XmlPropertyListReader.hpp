#pragma once
// The reader of XML property lists: every XML property list the system reads (preference files,
// every `defaults export` a confirmation reads back, the login item's list) goes through it, and
// it reads them exactly as the Mac does, or not at all.
//
// The document is decoded first (XmlDocumentEncoding.hpp), then read as XML 1.0 says: line ends
// normalised (CR LF and a lone CR become LF), the five named entities and character references in
// text, CDATA sections, comments and processing instructions wherever XML allows them, attributes
// on elements ignored. One <plist> element holding exactly one value is the document; a
// self-closed <key/> is the empty key; of keys repeated in a dictionary the last one counts.
//
// Anything else makes the whole document unreadable rather than a value nobody stored: a character
// XML cannot carry, a scalar spelled otherwise than the Mac writes it (XmlScalarText.hpp), a key
// without its value, stray text between elements, an unknown element or entity, a second root,
// anything after </plist> but white space, comments and processing instructions, or containers
// nested deeper than kMaxPropertyListDepth; and what is not well-formed XML: an attribute named
// twice, "]]>" in text, a document type declaration holding anything but declarations of
// elements, attributes and notations, comments and processing instructions. Its cost is linear in
// the document, however many references its texts hold.

#include <optional>
#include <string_view>

#include "Platform/PlistObject.hpp"

namespace amberloom::platform {

// The object the XML property list in `bytes` holds, or none. Never throws.
std::optional<PlistObject> readXmlPropertyList(std::string_view bytes);

}  // namespace amberloom::platform
