// Texts compare as the platform compares them: canonically equivalent spellings are one text
// wherever a key, id or domain is matched, and names sort in a human order even with no locale.

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <string>

#include "Catalog/SettingRef.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/IntentLog.hpp"
#include "Support/LocalizedOrder.hpp"
#include "TestHome.hpp"

using namespace amberloom;

namespace {

const std::string composed = "caf\xC3\xA9";      // "café" with one code point for the accented e
const std::string decomposed = "cafe\xCC\x81";   // the same text with a combining accent

std::string catalogueWithIds(const std::string& first, const std::string& second) {
  const auto setting = [](const std::string& id) {
    return R"({"id": ")" + id + R"(", "domain": "d", "path": ["k"], "type": "bool", "label": "L"})";
  };
  return R"({"schemaVersion": 1, "settings": [)" + setting(first) + ", " + setting(second) + "]}";
}

}  // namespace

TEST(CanonicalText, EquivalentSpellingsAreOneKeyIdAndDomain) {
  const SettingRef a{"com.example." + composed, {composed, "inner"}, false};
  const SettingRef b{"com.example." + decomposed, {decomposed, "inner"}, false};
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::hash<SettingRef>{}(a), std::hash<SettingRef>{}(b));
  EXPECT_NE(a, (SettingRef{a.domain, a.path, true}));
  EXPECT_NE(a, (SettingRef{a.domain, {composed}, false}));

  try {
    SettingsCatalog::fromData(catalogueWithIds(composed, decomposed));
    ADD_FAILURE() << "two spellings of one id were both accepted";
  } catch (const CatalogError& error) {
    EXPECT_EQ(error, CatalogError::duplicateSettingID(decomposed));
  }
  const auto catalog = SettingsCatalog::fromData(catalogueWithIds(composed, "other"));
  ASSERT_NE(catalog.setting(decomposed), nullptr);
  EXPECT_EQ(catalog.setting(decomposed)->id, composed);

  const IntentLog log(amberloom::testing::home() + "/intents.json", "23F79", [] { return 1.0; });
  log.record(composed, PreferenceValue::integer(1));
  log.record(decomposed, PreferenceValue::integer(2));
  ASSERT_EQ(log.all().size(), 1u);
  EXPECT_EQ(log.intent(composed)->value, PreferenceValue::integer(2));
  log.forget(composed);
  EXPECT_TRUE(log.all().empty());
}

TEST(LocalizedOrder, WithoutARealLocaleNamesSortAsPeopleReadThem) {
  const icu::Locale previous = icu::Locale::getDefault();
  UErrorCode status = U_ZERO_ERROR;
  for (const char* name : {"en_US_POSIX", "c", "en_US"}) {
    icu::Locale::setDefault(icu::Locale(name), status);
    const LocalizedOrder order;
    EXPECT_TRUE(order.before("apple", "Zebra")) << name;
    EXPECT_TRUE(order.before("apple", "Apple")) << name;
    EXPECT_TRUE(order.before("\xC3\xA9t\xC3\xA9", "zoo")) << name;  // "été" among the e's, not after z
  }
  icu::Locale::setDefault(previous, status);
}
