#pragma once
// The platform's string equality: texts are equal when they are canonically equivalent ("é"
// composed or decomposed), as preference keys, setting ids and domains are compared on a Mac.

#include <string>
#include <string_view>

namespace amberloom {

// The text in canonical composed form (NFC); equal forms mean canonically equivalent texts, and
// comparing forms bytewise orders by code points after normalisation. Text that is not UTF-8 is
// returned unchanged.
std::string canonicalForm(std::string_view text);

// Whether the two texts are canonically equivalent. Cheap for ASCII texts.
bool canonicallyEqual(std::string_view a, std::string_view b);

// Bytes from the system (a host name, a model name) as well-formed UTF-8: every ill-formed
// sequence becomes U+FFFD, so that the text can go into a file or a message.
std::string wellFormedText(std::string_view bytes);

}  // namespace amberloom
