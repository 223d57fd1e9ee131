#include "EmailAddress.hpp"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace amberloom::server {

std::string normalisedAddress(const std::string& address) {
  // Full Unicode case mapping in the root locale: the same for every user, as the application's is.
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(address);
  text.trim().toLower(icu::Locale::getRoot());
  std::string out;
  return text.toUTF8String(out);
}

}  // namespace amberloom::server
