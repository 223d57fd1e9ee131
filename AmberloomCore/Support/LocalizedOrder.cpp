#include "Support/LocalizedOrder.hpp"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

#include <string_view>

namespace amberloom {

struct LocalizedOrder::Collator {
  std::unique_ptr<icu::Collator> icu;
};

namespace {

// The C/POSIX locale (what ICU makes of an unset LANG) collates in code-point order, capitals
// before every small letter; with no real locale the common root order is the sensible one.
icu::Locale collationLocale() {
  const icu::Locale& locale = icu::Locale::getDefault();
  const std::string_view variant = locale.getVariant();
  const std::string_view language = locale.getLanguage();
  if (language.empty() || language == "c" || variant == "POSIX") return icu::Locale::getRoot();
  return locale;
}

}  // namespace

LocalizedOrder::LocalizedOrder() : collator_(std::make_unique<Collator>()) {
  UErrorCode status = U_ZERO_ERROR;
  collator_->icu.reset(icu::Collator::createInstance(collationLocale(), status));
  if (U_FAILURE(status)) collator_->icu.reset();
}

LocalizedOrder::~LocalizedOrder() = default;

int LocalizedOrder::compare(std::string_view a, std::string_view b) const {
  if (collator_->icu) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = collator_->icu->compareUTF8(
        icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
        icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    if (U_SUCCESS(status)) return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
  }
  return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace amberloom
