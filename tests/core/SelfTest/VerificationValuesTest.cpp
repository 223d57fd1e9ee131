#include <gtest/gtest.h>

#include "LoadOutcome.hpp"

#include <set>

#include "Preferences/BundledResource.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Changes/SettingsService.hpp"
#include "SelfTest/VerificationValues.hpp"

using namespace amberloom;

namespace {

// What a load of `json` ends in: "loaded N", the error's description, or the decoding failure.
std::string loadOutcome(const std::string& json) {
  return amberloom::testing::loadOutcome<VerificationValuesError>([&] { return VerificationValues::fromData(json).byID().size(); });
}

std::string valuesFile(const std::string& entries) { return R"({"values": [)" + entries + "]}"; }

}  // namespace

TEST(VerificationValues, LoadsEachEntryAsItsTypeAndTheLaterOfTwoSameIdsWins) {
  const auto values = VerificationValues::fromData(valuesFile(R"(
      {"id": "a", "type": "bool", "value": false, "note": "ignored"},
      {"id": "b", "type": "int", "value": -4},
      {"id": "c", "type": "double", "value": 2},
      {"id": "d", "type": "string", "value": "~/Pictures", "expandTilde": true},
      {"id": "a", "type": "string", "value": "second"},
      {"id": "unknown.to.any.catalogue", "type": "double", "value": 0.25, "expandTilde": false})"));
  const VerificationValues::Table expected{
      {"a", {"a", PreferenceValue::string("second"), false}},
      {"b", {"b", PreferenceValue::integer(-4), false}},
      {"c", {"c", PreferenceValue::real(2.0), false}},
      {"d", {"d", PreferenceValue::string("~/Pictures"), true}},
      {"unknown.to.any.catalogue", {"unknown.to.any.catalogue", PreferenceValue::real(0.25), false}},
  };
  EXPECT_EQ(values.byID(), expected);
  EXPECT_EQ(values.value("c"), (VerificationValue{"c", PreferenceValue::real(2.0), false}));
  EXPECT_EQ(values.value("z"), std::nullopt);
  EXPECT_EQ(VerificationValues().value("a"), std::nullopt);
}

TEST(VerificationValues, AFaultyFileFailsWholeNamingTheEntryAndItsTypeText) {
  struct Case {
    const char* name;
    std::string json;
    std::string outcome;
  };
  const std::vector<Case> cases{
      {"empty list", valuesFile(""), "loaded 0"},
      {"no values key", "{}", "decoding keyNotFound at "},
      {"not JSON", "{\"values\": [", "decoding dataCorrupted at "},
      {"dictionary type", valuesFile(R"({"id": "x", "type": "dictionary", "value": {}})"),
       R"(unsupportedValueType(settingID: "x", type: "dictionary"))"},
      {"capitalised type", valuesFile(R"({"id": "x", "type": "Bool", "value": true})"),
       R"(unknownValueType(settingID: "x", type: "Bool"))"},
      {"date type", valuesFile(R"({"id": "x", "type": "date", "value": "2024-01-01T00:00:00Z"})"),
       R"(unknownValueType(settingID: "x", type: "date"))"},
      {"type is checked before value", valuesFile(R"({"id": "x", "type": "float"})"),
       R"(unknownValueType(settingID: "x", type: "float"))"},
      // What the decoder found is kept with the entry's fault.
      {"int written as text", valuesFile(R"({"id": "x", "type": "int", "value": "3"})"),
       R"(valueDoesNotMatchType(settingID: "x", type: "int", detail: "/values/Index 0/value: Expected to decode Int64 but found a string instead."))"},
      {"int with a fraction", valuesFile(R"({"id": "x", "type": "int", "value": 3.5})"),
       R"(valueDoesNotMatchType(settingID: "x", type: "int", detail: "/values/Index 0/value: Parsed JSON number <3.5> does not fit in Int64."))"},
      {"bool without value", valuesFile(R"({"id": "x", "type": "bool"})"),
       R"(valueDoesNotMatchType(settingID: "x", type: "bool", detail: "/values/Index 0: No value associated with key \"value\"."))"},
      {"expandTilde as text", valuesFile(R"({"id": "x", "type": "string", "value": "~", "expandTilde": "yes"})"),
       "decoding typeMismatch at /values/Index 0/expandTilde"},
      {"second entry faulty",
       valuesFile(R"({"id": "ok", "type": "bool", "value": true}, {"id": "y", "type": "int", "value": true})"),
       R"(valueDoesNotMatchType(settingID: "y", type: "int", detail: "/values/Index 1/value: Expected to decode Int64 but found a boolean instead."))"},
  };
  for (const auto& c : cases) EXPECT_EQ(loadOutcome(c.json), c.outcome) << c.name;
}

TEST(VerificationValues, OnlyALeadingTildeOfAnExpandingStringBecomesTheHomeDirectory) {
  struct Case {
    VerificationValue value;
    PreferenceValue resolved;
  };
  const std::vector<Case> cases{
      {{"a", PreferenceValue::string("~/Desktop"), true}, PreferenceValue::string("/Users/x/Desktop")},
      {{"a", PreferenceValue::string("~"), true}, PreferenceValue::string("/Users/x")},
      {{"a", PreferenceValue::string("~other"), true}, PreferenceValue::string("/Users/xother")},
      {{"a", PreferenceValue::string("/tmp/~/x"), true}, PreferenceValue::string("/tmp/~/x")},
      {{"a", PreferenceValue::string("~/Desktop"), false}, PreferenceValue::string("~/Desktop")},
      {{"a", PreferenceValue::integer(5), true}, PreferenceValue::integer(5)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.value.resolvedValue("/Users/x"), c.resolved) << writeJson(c.value.value.toJson());
}

// The built-in test values must keep fitting the built-in catalogue: an edit of a setting's id,
// type, options or range that leaves its test value behind fails here.
TEST(VerificationValues, BundledValuesFitTheSettingsOfTheBundledCatalogue) {
  const auto values = VerificationValues::bundled();
  const auto catalog = SettingsCatalog::bundled();
  ASSERT_FALSE(values.byID().empty());

  for (const auto& [id, value] : values.byID()) {
    const auto* setting = catalog.setting(id);
    ASSERT_NE(setting, nullptr) << id << " is not in the catalogue";
    EXPECT_EQ(setting->channel, SettingChannel::defaults) << id << " cannot be tested by the runner";
    EXPECT_TRUE(valueFits(value.value, setting->type)) << id << " does not fit " << rawValue(setting->type);
    const auto& control = setting->control;
    if (control.kind() == SettingControl::Kind::choice) {
      const bool offered = std::any_of(control.options().begin(), control.options().end(),
                                       [&](const ControlOption& option) { return option.value == value.value; });
      EXPECT_TRUE(offered) << id << " is not one of its choices";
    }
    if (control.kind() == SettingControl::Kind::slider) {
      const double number = value.value.kind() == PreferenceValue::Kind::integer
                                ? static_cast<double>(value.value.asInt())
                                : value.value.asDouble();
      EXPECT_TRUE(number >= control.range().min && number <= control.range().max) << id << " is outside its slider";
    }
    if (value.expandTilde) {
      EXPECT_TRUE(value.value.asString().starts_with("~/")) << id;
    }
  }

  // Every setting the runner could test has a value, so a new setting cannot slip past the self-test.
  for (const auto& setting : catalog.settings()) {
    const bool scalar = setting.type != SettingValueType::dictionary && setting.type != SettingValueType::array;
    if (scalar && setting.channel == SettingChannel::defaults && setting.tier == SettingTier::editable) {
      EXPECT_TRUE(values.value(setting.id)) << setting.id << " has no test value";
    }
  }

  // A repeated id would silently hide the earlier entry.
  const auto document = parseJson(BundledResource::data("verification_values"));
  std::set<std::string> seen;
  for (const auto& entry : document.at("values"))
    EXPECT_TRUE(seen.insert(entry.at("id").get<std::string>()).second) << entry.at("id") << " appears twice";
}
