#include "Support/CanonicalText.hpp"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace amberloom {
namespace {

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string canonicalForm(std::string_view text) {
  if (isAscii(text)) return std::string(text);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::string(text);
  const auto normalized =
      nfc->normalize(icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))), status);
  if (U_FAILURE(status)) return std::string(text);
  std::string out;
  normalized.toUTF8String(out);
  return out;
}

std::string wellFormedText(std::string_view bytes) {
  std::string text;
  icu::UnicodeString::fromUTF8(icu::StringPiece(bytes.data(), static_cast<int32_t>(bytes.size()))).toUTF8String(text);
  return text;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
  if (a == b) return true;
  // Only two ASCII texts can be told apart bytewise: a non-ASCII text may normalise to ASCII
  // (the Kelvin sign is the letter K).
  if (isAscii(a) && isAscii(b)) return false;
  return canonicalForm(a) == canonicalForm(b);
}

}  // namespace amberloom
