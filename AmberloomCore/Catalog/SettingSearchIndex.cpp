#include "Catalog/SettingSearchIndex.hpp"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>

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

namespace {

bool isAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

void appendAsciiLowered(std::string_view text, std::string& result) {
  for (char c : text) result += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The full lower-case mapping and composition of a text, through ICU's C interface into plain
// buffers (the index folds every text of the catalogue at once).
std::string foldedWithICU(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  std::u16string source(text.size(), u'\0');
  int32_t length = 0;
  u_strFromUTF8WithSub(source.data(), static_cast<int32_t>(source.size()), &length, text.data(),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  // Full lower-case mapping grows a text at most threefold.
  std::u16string lower(static_cast<std::size_t>(length) * 3 + 1, u'\0');
  const int32_t lowered = u_strToLower(lower.data(), static_cast<int32_t>(lower.size()), source.data(), length, "", &status);
  if (U_FAILURE(status)) return std::string(text);
  lower.resize(static_cast<std::size_t>(lowered));
  static const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  // Most texts are composed already; only the others pay for a normalised copy.
  if (nfc && unorm2_quickCheck(nfc, lower.data(), lowered, &status) != UNORM_YES && U_SUCCESS(status)) {
    std::u16string composed(lower.size() * 3 + 1, u'\0');
    const int32_t size = unorm2_normalize(nfc, lower.data(), lowered, composed.data(), static_cast<int32_t>(composed.size()), &status);
    if (U_SUCCESS(status)) {
      composed.resize(static_cast<std::size_t>(size));
      lower = std::move(composed);
    }
  }
  std::string result(lower.size() * 3, '\0');
  int32_t written = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &written, lower.data(),
                     static_cast<int32_t>(lower.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return std::string(text);
  result.resize(static_cast<std::size_t>(written));
  return result;
}

}  // namespace

std::string SettingSearchIndex::folded(std::string_view text) {
  // A space neither composes with its neighbours nor counts as a cased letter for the context of
  // a final sigma, so words can be folded one by one, and only those beyond ASCII need ICU.
  std::string result;
  result.reserve(text.size());
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const auto word = text.substr(start, end - start);
    if (isAscii(word))
      appendAsciiLowered(word, result);
    else
      result += foldedWithICU(word);
    if (end == text.size()) break;
    result += ' ';
    start = end + 1;
  }
  return result;
}

std::string SettingSearchIndex::haystack(const SettingDefinition& setting) {
  const std::string summary = setting.text ? setting.text->summary : std::string();
  return folded(setting.label + " " + setting.id + " " + summary);
}

namespace {
constexpr char kEndOfHaystack = '\xFF';
}  // namespace

SettingSearchIndex::SettingSearchIndex(const std::vector<SettingGroup>& groups) {
  for (const auto& group : groups)
    for (const auto& setting : group.settings) {
      starts_.push_back(haystacks_.size());
      settings_.push_back(&setting);
      haystacks_ += haystack(setting);
      haystacks_ += kEndOfHaystack;
    }
}

std::vector<const SettingDefinition*> SettingSearchIndex::find(std::string_view query) const {
  const std::string needle = folded(query);
  if (needle.empty()) return settings_;
  std::vector<const SettingDefinition*> found;
  // The library's find looks for the needle's first byte with a vectorised scan.
  const std::string_view all(haystacks_);
  std::size_t from = 0;
  // Matches come in order, so the setting holding one is found by walking on from the last: a
  // short query matches nearly every setting, and a search from the start for each costs more
  // than the scan.
  std::size_t setting = 0;
  while (from < all.size()) {
    const std::size_t match = all.find(needle, from);
    if (match == std::string_view::npos) break;
    while (setting + 1 < starts_.size() && starts_[setting + 1] <= match) ++setting;
    found.push_back(settings_[setting]);
    // The search goes on with the next setting's haystack.
    ++setting;
    from = setting < starts_.size() ? starts_[setting] : all.size();
  }
  return found;
}

}  // namespace amberloom
