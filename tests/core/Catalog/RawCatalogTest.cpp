// The event reader must give exactly what the tree decoder gives, or give up and leave the file
// to it; a file the decoder refuses must never come through the event reader.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Preferences/BundledResource.hpp"
#include "Catalog/RawCatalog.hpp"
#include "RawCatalogDescription.hpp"

using namespace amberloom;
using amberloom::testing::describeRecords;

namespace {

const std::string fullSetting = R"({
  "id": "finder.pathbar", "domain": "com.apple.finder", "path": ["Outer", "Inner"], "type": "bool",
  "label": "Caf\u00e9 \/ bar\n", "byHost": true, "restart": ["Finder", "Dock"], "osMin": "13.0", "osMax": "15.99",
  "minAppVersion": "1.02", "brokenOn": ["14.4", "15"], "control": "toggle", "channel": "nightShift",
  "effectUnverified": true, "systemWritten": false, "exposure": "alsoInSystemSettings", "risk": "weakensSecurity",
  "tier": "syncOnly", "comment": {"nested": [1, {"deep": null}], "more": "x"}, "tags": [[], {}],
  "text": {"summary": "S", "whyHidden": "W", "level": "Expert", "category": "finder", "categoryName": "Finder",
           "subcategory": "bars", "subcategoryName": "Bars", "riskNote": "R", "extra": [1, 2]}
})";

std::string catalogOf(const std::string& settings, const std::string& top = R"("schemaVersion": 1)") {
  return "{" + top + R"(, "settings": [)" + settings + "]}";
}

// Files both readers take, the event reader included.
const std::vector<std::string> wellFormed = {
    catalogOf(""),
    catalogOf(fullSetting, R"("schemaVersion": 1, "catalogVersion": 7, "notes": {"a": [1, 2, {"b": "c"}]})"),
    catalogOf(fullSetting, R"("catalogVersion": null, "schemaVersion": -2)"),
    catalogOf(fullSetting + "," + R"({"id": "b", "domain": "d", "path": ["k"], "type": "int", "label": "L"})"),
    catalogOf(R"({"label": "L", "type": "int", "path": ["k"], "domain": "d", "id": "x", "byHost": null, "restart": null,
                 "osMin": null, "osMax": null, "minAppVersion": null, "brokenOn": null, "control": null, "channel": null,
                 "effectUnverified": null, "systemWritten": null, "text": null, "exposure": null, "risk": null, "tier": null})"),
    catalogOf(R"({"id": "c", "domain": "d", "path": ["k"], "type": "double", "label": "L",
                 "control": {"choice": [{"value": true, "label": "T"}, {"value": 2, "label": ""}, {"value": 2.0, "label": "W"},
                                        {"value": 0.5, "label": "H", "note": {}}, {"value": "s", "label": "S"},
                                        {"value": -9223372036854775808, "label": "M"}, {"value": 1e300, "label": "Big"}],
                            "slider": {"min": 0, "max": 1}, "other": [1]}})"),
    catalogOf(R"({"id": "s", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "control": {"choice": null, "slider": {"min": -1.5, "max": 10, "step": 0, "unit": "pt"}}})"),
    catalogOf(R"({"id": "n", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "control": {"slider": {"min": 0, "max": 1, "step": null}}})"),
    catalogOf(R"({"id": "e", "domain": "d", "path": ["k"], "type": "array", "label": "L", "control": {}})"),
    catalogOf(R"({"id": "t", "domain": "d", "path": ["k"], "type": "string", "label": "L", "control": "Toggle",
                 "text": {"summary": "", "whyHidden": "", "level": "advanced", "category": "", "categoryName": "",
                          "subcategory": null, "subcategoryName": null, "riskNote": null}})"),
    catalogOf(R"({"id": "v", "domain": "d", "path": ["k"], "type": "Bool", "label": "L", "exposure": "v", "tier": "t"})",
              R"("schemaVersion": 1.0)"),
};

// Files the event reader leaves to the tree decoder, whether or not the decoder takes them.
const std::vector<std::string> leftToTheDecoder = {
    "",
    "{",
    "[]",
    "null",
    catalogOf("") + " x",
    R"({"schemaVersion": 1})",
    R"({"settings": []})",
    R"({"schemaVersion": 1, "settings": null})",
    R"({"schemaVersion": null, "settings": []})",
    R"({"schemaVersion": "1", "settings": []})",
    R"({"schemaVersion": 1.5, "settings": []})",
    R"({"schemaVersion": 1, "catalogVersion": "2", "settings": []})",
    R"({"schemaVersion": 1, "settings": [], "settings": []})",
    catalogOf("3"),
    catalogOf("[]"),
    catalogOf(R"({"domain": "d", "path": ["k"], "type": "int", "label": "L"})"),
    catalogOf(R"({"id": null, "domain": "d", "path": ["k"], "type": "int", "label": "L"})"),
    catalogOf(R"({"id": "a", "id": "b", "domain": "d", "path": ["k"], "type": "int", "label": "L"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": "k", "type": "int", "label": "L"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k", 1], "type": "int", "label": "L"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": 1, "label": "L"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "byHost": "yes"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "restart": "Dock"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "osMin": "14.x"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "osMax": 14})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "brokenOn": ["14", 3]})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "brokenOn": ["abc"]})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "control": 3})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "control": ["toggle"]})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "control": {"choice": 1}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "control": {"choice": [1]}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "control": {"choice": [{"value": 1}]}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "control": {"choice": [{"value": null, "label": "L"}]}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "control": {"choice": [{"value": [1], "label": "L"}]}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "control": {"choice": [{"value": 1, "label": 1}]}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "control": {"slider": {"min": 0}}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "control": {"slider": {"min": "0", "max": 1}}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "control": {"slider": 1}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "text": {"summary": "S", "whyHidden": "W", "category": "c", "categoryName": "C"}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L",
                 "text": {"summary": "S", "whyHidden": "W", "level": "basic", "category": "c", "categoryName": "C",
                          "subcategory": 3}})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "text": "t"})"),
    catalogOf(R"({"id": "a", "domain": "d", "path": ["k"], "type": "int", "label": "L", "tier": 1})"),
};

struct Decoded {
  std::optional<RawCatalog> records;
  std::optional<DecodingError> error;
};

Decoded decodeTree(const std::string& bytes) {
  try {
    return {RawCatalog::decode(bytes), std::nullopt};
  } catch (const DecodingError& error) {
    return {std::nullopt, error};
  }
}

TEST(RawCatalog, TheEventReaderGivesWhatTheTreeDecoderGives) {
  for (const auto& bytes : wellFormed) {
    const auto fast = RawCatalog::readWellFormed(bytes);
    ASSERT_TRUE(fast.has_value()) << bytes;
    const auto tree = decodeTree(bytes);
    ASSERT_TRUE(tree.records.has_value()) << bytes;
    EXPECT_EQ(describeRecords(*fast), describeRecords(*tree.records)) << bytes;
  }
}

TEST(RawCatalog, AnythingUnexpectedIsLeftToTheTreeDecoder) {
  for (const auto& bytes : leftToTheDecoder) {
    EXPECT_FALSE(RawCatalog::readWellFormed(bytes).has_value()) << bytes;
    const auto tree = decodeTree(bytes);
    try {
      const auto records = RawCatalog::read(bytes);
      ASSERT_TRUE(tree.records.has_value()) << bytes;
      EXPECT_EQ(describeRecords(records), describeRecords(*tree.records)) << bytes;
    } catch (const DecodingError& error) {
      ASSERT_TRUE(tree.error.has_value()) << bytes;
      EXPECT_EQ(error, *tree.error) << bytes;
    }
  }
}

TEST(RawCatalog, ARepeatedKeyKeepsTheLastValueAsTheTreeDoes) {
  const auto records = RawCatalog::read(catalogOf(R"({"id": "a", "id": "b", "domain": "d", "path": ["k"], "type": "int", "label": "L"})"));
  ASSERT_EQ(records.settings.size(), 1u);
  EXPECT_EQ(records.settings[0].id, "b");
}

TEST(RawCatalog, TheBuiltInCatalogueTakesTheEventReader) {
  const std::string bytes = BundledResource::data("catalog");
  const auto fast = RawCatalog::readWellFormed(bytes);
  ASSERT_TRUE(fast.has_value());
  EXPECT_EQ(describeRecords(*fast), describeRecords(RawCatalog::decode(bytes)));
}

}  // namespace
