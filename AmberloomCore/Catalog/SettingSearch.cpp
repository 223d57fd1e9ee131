#include "Catalog/SettingSearch.hpp"

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace amberloom {
namespace {

bool isHorizontalSpace(UChar32 c) { return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR; }

}  // namespace

std::string trimmingHorizontalSpace(std::string_view text) {
  const auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  int32_t start = 0;
  int32_t end = unicode.length();
  while (start < end && isHorizontalSpace(unicode.char32At(start))) start = unicode.moveIndex32(start, 1);
  while (end > start) {
    const int32_t previous = unicode.moveIndex32(end, -1);
    if (!isHorizontalSpace(unicode.char32At(previous))) break;
    end = previous;
  }
  std::string result;
  unicode.tempSubStringBetween(start, end).toUTF8String(result);
  return result;
}

std::string SettingSearchIndex::folded(std::string_view text) {
  bool ascii = true;
  for (unsigned char c : text) ascii = ascii && c < 0x80;
  if (ascii) {
    std::string result(text);
    for (auto& c : result)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
  }
  auto unicode = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  unicode.toLower(icu::Locale::getRoot());
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_SUCCESS(status)) {
    auto composed = nfc->normalize(unicode, status);
    if (U_SUCCESS(status)) unicode = std::move(composed);
  }
  std::string result;
  unicode.toUTF8String(result);
  return result;
}

std::string SettingSearchIndex::haystack(const SettingDefinition& setting) {
  const std::string summary = setting.text ? setting.text->summary : std::string();
  return folded(setting.label + " " + setting.id + " " + summary);
}

SettingSearchIndex::SettingSearchIndex(const std::vector<SettingGroup>& groups) {
  for (const auto& group : groups)
    for (const auto& setting : group.settings) entries_.push_back({&setting, haystack(setting)});
}

std::vector<const SettingDefinition*> SettingSearchIndex::find(std::string_view query) const {
  const std::string needle = folded(query);
  std::vector<const SettingDefinition*> found;
  for (const auto& entry : entries_)
    if (entry.haystack.find(needle) != std::string::npos) found.push_back(entry.setting);
  return found;
}

}  // namespace amberloom
