#pragma once
// A fast reader of XML property lists in the plain form that `defaults export` prints, this
// system's and the Mac's alike: the usual header, elements indented by white space, the five named
// entities in text. Every confirmation of a write reads one such export.
//
// It reads only what it is sure of. Anything else (comments, CDATA, character references, numbers
// spelled another way, a carriage return, a UID dictionary, a repeated key, text that is not
// well-formed, any error at all) makes it answer nothing, and the general XML reader then reads
// the bytes, with whatever result it gives. What it does read equals that reader's result.

#include <optional>
#include <string_view>

#include "Platform/PlistObject.hpp"

namespace amberloom::platform {

std::optional<PlistObject> readPlainXmlPropertyList(std::string_view bytes);

}  // namespace amberloom::platform
