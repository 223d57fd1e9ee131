#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Support/Json.hpp"
#include "Catalog/SettingsCatalog.hpp"

using amberloom::CatalogError;
using amberloom::ControlError;
using amberloom::ControlOption;
using amberloom::DecodingError;
using amberloom::Json;
using amberloom::PreferenceValue;
using amberloom::RawScalar;
using amberloom::SettingAvailability;
using amberloom::SettingChannel;
using amberloom::SettingControl;
using amberloom::SettingDefinition;
using amberloom::SettingExposure;
using amberloom::SettingRisk;
using amberloom::SettingsCatalog;
using amberloom::SettingTextLevel;
using amberloom::SettingTier;
using amberloom::SettingValueType;
using amberloom::Version;

namespace {

// A valid setting with `changes` laid over it (a null member stays, as a JSON null).
Json entry(const std::string& id, const Json& changes = Json::object()) {
  Json setting = {{"id", id}, {"domain", "com.apple.dock"}, {"path", {"autohide"}}, {"type", "bool"}, {"label", "Hide"}};
  for (const auto& [key, value] : changes.items()) setting[key] = value;
  return setting;
}

// A catalogue file of `settings` with `top` laid over its top level.
std::string file(const std::vector<Json>& settings, const Json& top = Json::object()) {
  Json document = {{"schemaVersion", 1}, {"settings", Json(settings)}};
  for (const auto& [key, value] : top.items()) document[key] = value;
  return amberloom::writeJson(document);
}

// What a load ends with: "loaded", or the kind of error and its text.
std::string outcome(const std::string& bytes) {
  try {
    SettingsCatalog::fromData(bytes);
    return "loaded";
  } catch (const CatalogError& error) {
    return std::string("CatalogError ") + error.what();
  } catch (const ControlError& error) {
    return std::string("ControlError ") + error.what();
  } catch (const DecodingError&) {
    return "DecodingError";
  }
}

SettingDefinition loadOne(const Json& setting) {
  const auto catalog = SettingsCatalog::fromData(file({setting}));
  return catalog.settings().at(0);
}

Version v(const char* text) { return *Version::parse(text); }

struct ErrorCase {
  const char* behaviour;
  std::string bytes;
  std::string expected;
};

TEST(SettingsCatalog, EachFaultIsReportedWithItsExactDescription) {
  const std::vector<ErrorCase> cases = {
      {"schema version above the supported one", file({entry("x")}, {{"schemaVersion", 2}}),
       "CatalogError unsupportedSchemaVersion(found: 2, supported: 1)"},
      {"empty path", file({entry("x", {{"path", Json::array()}})}), "CatalogError emptyPath(settingID: \"x\")"},
      {"type text matched case-sensitively", file({entry("x", {{"type", "Bool"}})}),
       "CatalogError unknownValueType(settingID: \"x\", type: \"Bool\")"},
      {"unknown type text", file({entry("x", {{"type", "data"}})}),
       "CatalogError unknownValueType(settingID: \"x\", type: \"data\")"},
      {"the second setting with an id", file({entry("x"), entry("y"), entry("x")}),
       "CatalogError duplicateSettingID(\"x\")"},
      {"unknown exposure", file({entry("x", {{"exposure", "v"}})}),
       "CatalogError unknownFieldValue(settingID: \"x\", field: \"exposure\", value: \"v\")"},
      {"unknown risk", file({entry("x", {{"risk", "high"}})}),
       "CatalogError unknownFieldValue(settingID: \"x\", field: \"risk\", value: \"high\")"},
      {"unknown tier, case-sensitively", file({entry("x", {{"tier", "Editable"}})}),
       "CatalogError unknownFieldValue(settingID: \"x\", field: \"tier\", value: \"Editable\")"},
      {"a line break in the label", file({entry("x", {{"label", "Hide\nrm -rf ~"}})}),
       "CatalogError controlCharacter(settingID: \"x\", field: \"label\")"},
      {"a tab in the domain", file({entry("x", {{"domain", "com.apple\tdock"}})}),
       "CatalogError controlCharacter(settingID: \"x\", field: \"domain\")"},
      {"a control character in the id, escaped in the text", file({entry("a\x01z")}),
       "CatalogError controlCharacter(settingID: \"a\\u{1}z\", field: \"id\")"},
      {"a delete character in the label", file({entry("x", {{"label", "a\x7f"}})}),
       "CatalogError controlCharacter(settingID: \"x\", field: \"label\")"},
      {"empty choice list", file({entry("x", {{"control", {{"choice", Json::array()}}}})}),
       "ControlError emptyChoiceList(settingID: \"x\")"},
      {"choice value of the wrong type", file({entry("x", {{"control", {{"choice", {{{"value", "1"}, {"label", "One"}}}}}}})}),
       "ControlError choiceTypeMismatch(settingID: \"x\")"},
      {"slider with min equal to max",
       file({entry("x", {{"control", {{"slider", {{"min", 5}, {"max", 5}}}}}})}),
       "ControlError invertedRange(settingID: \"x\")"},
      {"plain control named choice", file({entry("x", {{"control", "choice"}})}),
       "ControlError unknownControl(settingID: \"x\", kind: \"choice\")"},
      {"a version that does not parse", file({entry("x", {{"osMin", "14.x"}})}), "DecodingError"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.bytes), c.expected) << c.behaviour;
}

TEST(SettingsCatalog, TheFirstFaultInCheckOrderWins) {
  const Json emptyPath = {{"path", Json::array()}};
  const Json badType = {{"type", "Bool"}};
  const std::vector<ErrorCase> cases = {
      {"decoding before the schema version",
       file({entry("x", {{"label", nullptr}})}, {{"schemaVersion", 2}}), "DecodingError"},
      {"decoding of a later setting before the checks of an earlier one",
       file({entry("x", emptyPath), entry("y", {{"byHost", "yes"}})}), "DecodingError"},
      {"schema version before every setting", file({entry("x", emptyPath), entry("x", badType)}, {{"schemaVersion", 2}}),
       "CatalogError unsupportedSchemaVersion(found: 2, supported: 1)"},
      {"first faulty setting in file order", file({entry("a"), entry("b", {{"tier", "t"}}), entry("c", emptyPath)}),
       "CatalogError unknownFieldValue(settingID: \"b\", field: \"tier\", value: \"t\")"},
      {"path before type", file({entry("x", {{"path", Json::array()}, {"type", "Bool"}})}),
       "CatalogError emptyPath(settingID: \"x\")"},
      {"path before duplicate", file({entry("x"), entry("x", emptyPath)}), "CatalogError emptyPath(settingID: \"x\")"},
      {"type before duplicate", file({entry("x"), entry("x", badType)}),
       "CatalogError unknownValueType(settingID: \"x\", type: \"Bool\")"},
      {"duplicate before control characters", file({entry("x"), entry("x", {{"label", "a\nb"}})}),
       "CatalogError duplicateSettingID(\"x\")"},
      {"control characters before the control", file({entry("x", {{"label", "a\nb"}, {"control", "slider"}})}),
       "CatalogError controlCharacter(settingID: \"x\", field: \"label\")"},
      {"id checked before domain and label", file({entry("a\nb", {{"domain", "\t"}, {"label", "\n"}})}),
       "CatalogError controlCharacter(settingID: \"a\\nb\", field: \"id\")"},
      {"control before exposure", file({entry("x", {{"control", "Toggle"}, {"exposure", "v"}})}),
       "ControlError unknownControl(settingID: \"x\", kind: \"Toggle\")"},
      {"exposure before risk and tier", file({entry("x", {{"tier", "t"}, {"risk", "r"}, {"exposure", "e"}})}),
       "CatalogError unknownFieldValue(settingID: \"x\", field: \"exposure\", value: \"e\")"},
      {"risk before tier", file({entry("x", {{"tier", "t"}, {"risk", "r"}})}),
       "CatalogError unknownFieldValue(settingID: \"x\", field: \"risk\", value: \"r\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.bytes), c.expected) << c.behaviour;
}

TEST(SettingsCatalog, StructuralFaultsFailToDecode) {
  const std::vector<ErrorCase> cases = {
      {"malformed JSON", "{\"schemaVersion\": 1, \"settings\": [", "DecodingError"},
      {"not an object", "[]", "DecodingError"},
      {"no settings", amberloom::writeJson(Json{{"schemaVersion", 1}}), "DecodingError"},
      {"no schema version", amberloom::writeJson(Json{{"settings", Json::array()}}), "DecodingError"},
      {"schema version as text", file({}, {{"schemaVersion", "1"}}), "DecodingError"},
      {"a missing id", file({[] { auto s = entry("x"); s.erase("id"); return s; }()}), "DecodingError"},
      {"a null domain", file({entry("x", {{"domain", nullptr}})}), "DecodingError"},
      {"a path that is not a list of strings", file({entry("x", {{"path", {"a", 1}}})}), "DecodingError"},
      {"texts without a level", file({entry("x", {{"text", {{"summary", "s"}, {"whyHidden", "w"}, {"category", "c"},
                                                            {"categoryName", "C"}}}})}),
       "DecodingError"},
      {"a control given as a number", file({entry("x", {{"control", 3}})}), "DecodingError"},
      {"a control given as a list", file({entry("x", {{"control", Json::array({"toggle"})}})}), "DecodingError"},
      {"an option without a label", file({entry("x", {{"control", {{"choice", {{{"value", true}}}}}}})}), "DecodingError"},
      {"an option with a null value", file({entry("x", {{"control", {{"choice", {{{"value", nullptr}, {"label", "L"}}}}}}})}),
       "DecodingError"},
      {"a slider without max", file({entry("x", {{"control", {{"slider", {{"min", 0}}}}}})}), "DecodingError"},
      {"a restart list holding a number", file({entry("x", {{"restart", {"Dock", 1}}})}), "DecodingError"},
      {"an osMin given as a number", file({entry("x", {{"osMin", 14}})}), "DecodingError"},
      // A number beyond the signed range must not wrap to a negative (and so passing) version.
      {"a schema version beyond 64 bits", "{\"schemaVersion\": 18446744073709551615, \"settings\": []}",
       "DecodingError"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.bytes), c.expected) << c.behaviour;
}

TEST(SettingsCatalog, AVersionThatDoesNotParseNamesItsText) {
  for (const auto& [key, value, text] : std::vector<std::tuple<std::string, Json, std::string>>{
           {"osMin", "14.x", "14.x"},
           {"osMax", "", ""},
           {"minAppVersion", "1..2", "1..2"},
           {"brokenOn", Json::array({"14.4", "abc"}), "abc"},
       }) {
    try {
      SettingsCatalog::fromData(file({entry("x", {{key, value}})}));
      ADD_FAILURE() << key << " loaded";
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.kind(), DecodingError::Kind::dataCorrupted) << key;
      EXPECT_EQ(error.debugDescription(), "gecersiz surum: " + text) << key;
    }
  }
}

TEST(SettingsCatalog, SchemaVersionsUpToTheSupportedOneLoad) {
  for (const int version : {1, 0, -3}) {
    const auto catalog = SettingsCatalog::fromData(file({}, {{"schemaVersion", version}}));
    EXPECT_EQ(catalog.schemaVersion(), version);
    EXPECT_TRUE(catalog.settings().empty());
  }
}

TEST(SettingsCatalog, CatalogVersionIsZeroWhenAbsentOrNull) {
  EXPECT_EQ(SettingsCatalog::fromData(file({})).catalogVersion(), 0);
  EXPECT_EQ(SettingsCatalog::fromData(file({}, {{"catalogVersion", nullptr}})).catalogVersion(), 0);
  EXPECT_EQ(SettingsCatalog::fromData(file({}, {{"catalogVersion", 42}})).catalogVersion(), 42);
}

TEST(SettingsCatalog, AbsentKeysTakeTheirDefaults) {
  const auto setting = loadOne(entry("dock.autohide"));
  EXPECT_EQ(setting.id, "dock.autohide");
  EXPECT_EQ(setting.ref.domain, "com.apple.dock");
  EXPECT_EQ(setting.ref.path, std::vector<std::string>{"autohide"});
  EXPECT_FALSE(setting.ref.byHost);
  EXPECT_EQ(setting.type, SettingValueType::boolean);
  EXPECT_EQ(setting.label, "Hide");
  EXPECT_TRUE(setting.restartsApps.empty());
  EXPECT_EQ(setting.availability, SettingAvailability::always());
  EXPECT_EQ(setting.control, SettingControl::toggle());
  EXPECT_FALSE(setting.effectUnverified);
  EXPECT_FALSE(setting.systemWritten);
  EXPECT_FALSE(setting.text.has_value());
  EXPECT_EQ(setting.channel, SettingChannel::defaults);
  EXPECT_EQ(setting.exposure, SettingExposure::hidden);
  EXPECT_EQ(setting.risk, SettingRisk::none);
  EXPECT_EQ(setting.tier, SettingTier::editable);
}

TEST(SettingsCatalog, NullOptionalKeysReadAsAbsent) {
  Json changes;
  for (const char* key : {"byHost", "restart", "osMin", "osMax", "minAppVersion", "brokenOn", "control", "channel",
                          "effectUnverified", "systemWritten", "text", "exposure", "risk", "tier"})
    changes[key] = nullptr;
  EXPECT_EQ(loadOne(entry("x", changes)), loadOne(entry("x")));
}

TEST(SettingsCatalog, AbsentControlFollowsTheValueType) {
  const std::vector<std::pair<const char*, SettingControl>> cases = {
      {"bool", SettingControl::toggle()}, {"int", SettingControl::text()},
      {"double", SettingControl::text()}, {"string", SettingControl::text()},
      {"dictionary", SettingControl::unsupported()}, {"array", SettingControl::unsupported()},
  };
  for (const auto& [type, control] : cases) {
    EXPECT_EQ(loadOne(entry("x", {{"type", type}})).control, control) << type;
    EXPECT_EQ(loadOne(entry("x", {{"type", type}, {"control", Json::object()}})).control, control) << type;
  }
}

TEST(SettingsCatalog, EveryGivenKeyIsTakenOver) {
  const auto setting = loadOne(entry("finder.path", {
      {"domain", "NSGlobalDomain"},
      {"path", {"Outer", "Inner"}},
      {"type", "string"},
      {"label", "Path bar"},
      {"byHost", true},
      {"restart", {"Finder", "Dock"}},
      {"osMin", "13.0"},
      {"osMax", "15"},
      {"minAppVersion", "1.2"},
      {"brokenOn", {"14.4", "15.1"}},
      {"control", "folder"},
      {"channel", "nightShift"},
      {"effectUnverified", true},
      {"systemWritten", true},
      {"text", {{"summary", "S"}, {"whyHidden", "W"}, {"level", "expert"}, {"category", "finder"},
                {"categoryName", "Finder"}, {"subcategory", "bars"}, {"subcategoryName", "Bars"}, {"riskNote", "R"}}},
      {"exposure", "alsoInSystemSettings"},
      {"risk", "weakensSecurity"},
      {"tier", "syncOnly"},
      {"unknownKey", 7},
  }));
  EXPECT_EQ(setting.ref.domain, "NSGlobalDomain");
  EXPECT_EQ(setting.ref.path, (std::vector<std::string>{"Outer", "Inner"}));
  EXPECT_TRUE(setting.ref.byHost);
  EXPECT_EQ(setting.type, SettingValueType::string);
  EXPECT_EQ(setting.label, "Path bar");
  EXPECT_EQ(setting.restartsApps, (std::vector<std::string>{"Finder", "Dock"}));
  EXPECT_EQ(setting.availability, (SettingAvailability{v("13"), v("15.0"), v("1.2"), {v("14.4"), v("15.1")}}));
  EXPECT_EQ(setting.control, SettingControl::folder());
  EXPECT_EQ(setting.channel, SettingChannel::nightShift);
  EXPECT_TRUE(setting.effectUnverified);
  EXPECT_TRUE(setting.systemWritten);
  ASSERT_TRUE(setting.text.has_value());
  EXPECT_EQ(setting.text->summary, "S");
  EXPECT_EQ(setting.text->whyHidden, "W");
  EXPECT_EQ(setting.text->level, SettingTextLevel::expert);
  EXPECT_EQ(setting.text->category, "finder");
  EXPECT_EQ(setting.text->categoryName, "Finder");
  EXPECT_EQ(setting.text->subcategory, "bars");
  EXPECT_EQ(setting.text->subcategoryName, "Bars");
  EXPECT_EQ(setting.text->riskNote, "R");
  EXPECT_EQ(setting.exposure, SettingExposure::alsoInSystemSettings);
  EXPECT_EQ(setting.risk, SettingRisk::weakensSecurity);
  EXPECT_EQ(setting.tier, SettingTier::syncOnly);
}

TEST(SettingsCatalog, UnknownLevelsAndChannelsFallBackWithoutError) {
  const auto level = [](const char* text) {
    return loadOne(entry("x", {{"text", {{"summary", ""}, {"whyHidden", ""}, {"level", text}, {"category", ""},
                                         {"categoryName", ""}}}}))
        .text->level;
  };
  EXPECT_EQ(level("basic"), SettingTextLevel::basic);
  EXPECT_EQ(level("advanced"), SettingTextLevel::advanced);
  EXPECT_EQ(level("expert"), SettingTextLevel::expert);
  EXPECT_EQ(level("Expert"), SettingTextLevel::basic);
  EXPECT_EQ(level(""), SettingTextLevel::basic);

  const auto channel = [](const char* text) { return loadOne(entry("x", {{"channel", text}})).channel; };
  EXPECT_EQ(channel("nightShift"), SettingChannel::nightShift);
  EXPECT_EQ(channel("defaults"), SettingChannel::defaults);
  EXPECT_EQ(channel("NightShift"), SettingChannel::defaults);
  EXPECT_EQ(channel("bluetooth"), SettingChannel::defaults);
}

TEST(SettingsCatalog, NothingElseIsChecked) {
  // Empty texts, an inverted OS range and a risky setting without a note all load.
  const auto setting = loadOne(entry("", {{"domain", ""}, {"path", {""}}, {"label", ""}, {"osMin", "15"}, {"osMax", "14"},
                                          {"risk", "weakensSecurity"}, {"restart", {"", "no such app"}}}));
  EXPECT_EQ(setting.id, "");
  EXPECT_EQ(setting.risk, SettingRisk::weakensSecurity);
  EXPECT_FALSE(setting.availability.allows(v("14.5"), v("1")));
}

// ---- controls ----

std::optional<SettingControl> control(const char* type, const Json& spec) {
  return loadOne(entry("x", {{"type", type}, {"control", spec}})).control;
}

Json choiceOf(std::vector<Json> values) {
  Json options = Json::array();
  for (std::size_t i = 0; i < values.size(); ++i) options.push_back({{"value", values[i]}, {"label", "L" + std::to_string(i)}});
  return {{"choice", options}};
}

TEST(SettingsCatalog, PlainControlsFitEveryValueType) {
  EXPECT_EQ(control("int", "color"), SettingControl::color());
  EXPECT_EQ(control("string", "toggle"), SettingControl::toggle());
  EXPECT_EQ(control("bool", "text"), SettingControl::text());
  EXPECT_EQ(control("dictionary", "folder"), SettingControl::folder());
  for (const char* kind : {"choice", "slider", "unsupported", "Toggle", "", " toggle"})
    EXPECT_EQ(outcome(file({entry("x", {{"control", kind}})})),
              std::string("ControlError unknownControl(settingID: \"x\", kind: \"") + kind + "\")")
        << kind;
}

TEST(SettingsCatalog, ChoiceValuesAreConvertedToTheSettingsType) {
  EXPECT_EQ(control("double", choiceOf({1})), SettingControl::choice({{PreferenceValue::real(1.0), "L0"}}));
  EXPECT_EQ(control("int", choiceOf({1})), SettingControl::choice({{PreferenceValue::integer(1), "L0"}}));
  EXPECT_EQ(control("bool", choiceOf({false, true})),
            SettingControl::choice({{PreferenceValue::boolean(false), "L0"}, {PreferenceValue::boolean(true), "L1"}}));
  // Options keep catalogue order; repeated labels and values both stay.
  Json repeated = {{"choice", {{{"value", "b"}, {"label", "Same"}}, {{"value", "a"}, {"label", "Same"}},
                               {{"value", "b"}, {"label", ""}}}}};
  EXPECT_EQ(control("string", repeated),
            SettingControl::choice({{PreferenceValue::string("b"), "Same"}, {PreferenceValue::string("a"), "Same"},
                                    {PreferenceValue::string("b"), ""}}));
}

TEST(SettingsCatalog, ChoiceValuesThatDoNotFitAreRefused) {
  const std::vector<std::pair<const char*, Json>> cases = {
      {"bool", choiceOf({1})},          {"string", choiceOf({1})},       {"int", choiceOf({true})},
      {"int", choiceOf({"1"})},         {"int", choiceOf({1.5})},        {"double", choiceOf({"1.5"})},
      {"bool", choiceOf({"true"})},     {"string", choiceOf({true})},    {"dictionary", choiceOf({"a"})},
      {"array", choiceOf({1})},         {"int", choiceOf({1, 2, "3"})},
  };
  for (const auto& [type, spec] : cases)
    EXPECT_EQ(outcome(file({entry("x", {{"type", type}, {"control", spec}})})),
              "ControlError choiceTypeMismatch(settingID: \"x\")")
        << type << " " << spec.dump();
}

TEST(SettingsCatalog, ChoiceWinsOverSlider) {
  const Json inverted = {{"min", 10}, {"max", 0}};
  EXPECT_EQ(control("int", {{"choice", {{{"value", 2}, {"label", "Two"}}}}, {"slider", inverted}}),
            SettingControl::choice({{PreferenceValue::integer(2), "Two"}}));
  EXPECT_EQ(outcome(file({entry("x", {{"type", "int"}, {"control", {{"choice", Json::array()}, {"slider", {{"min", 0}, {"max", 1}}}}}})})),
            "ControlError emptyChoiceList(settingID: \"x\")");
  // A null choice counts as absent, leaving the slider.
  EXPECT_EQ(control("int", {{"choice", nullptr}, {"slider", {{"min", 0}, {"max", 1}}}}), SettingControl::slider({0, 1, 1}));
}

TEST(SettingsCatalog, SliderRangesMustRise) {
  EXPECT_EQ(control("int", {{"slider", {{"min", 0}, {"max", 10}}}}), SettingControl::slider({0, 10, 1.0}));
  EXPECT_EQ(control("double", {{"slider", {{"min", 0.5}, {"max", 2}, {"step", 0}}}}), SettingControl::slider({0.5, 2, 0}));
  EXPECT_EQ(control("double", {{"slider", {{"min", -1}, {"max", 1}, {"step", -5}}}}), SettingControl::slider({-1, 1, -5}));
  EXPECT_EQ(control("bool", {{"slider", {{"min", 0}, {"max", 1}, {"step", 7}}}}), SettingControl::slider({0, 1, 7}));
  for (const auto& [min, max] : std::vector<std::pair<double, double>>{{5, 5}, {10, 0}, {-1, -2}})
    EXPECT_EQ(outcome(file({entry("x", {{"control", {{"slider", {{"min", min}, {"max", max}}}}}})})),
              "ControlError invertedRange(settingID: \"x\")")
        << min << " " << max;
}

// ---- raw scalars ----

TEST(RawScalar, JsonScalarsAreReadAsBooleanThenIntegerThenDoubleThenString) {
  EXPECT_EQ(RawScalar::fromJson(Json::parse("true")), RawScalar(true));
  EXPECT_EQ(RawScalar::fromJson(Json::parse("0")), RawScalar(std::int64_t{0}));
  EXPECT_EQ(RawScalar::fromJson(Json::parse("1")), RawScalar(std::int64_t{1}));
  EXPECT_EQ(RawScalar::fromJson(Json::parse("-9223372036854775808")), RawScalar(std::int64_t{INT64_MIN}));
  EXPECT_EQ(RawScalar::fromJson(Json::parse("0.5")), RawScalar(0.5));
  EXPECT_EQ(RawScalar::fromJson(Json::parse("\"true\"")), RawScalar(std::string("true")));
  for (const char* json : {"null", "[1]", "{\"a\": 1}"})
    EXPECT_THROW(RawScalar::fromJson(Json::parse(json)), DecodingError) << json;
}

TEST(RawScalar, ConvertsOnlyToAFittingType) {
  using T = SettingValueType;
  const RawScalar yes(true), one(std::int64_t{1}), half(0.5), text(std::string("1"));
  struct Case {
    const RawScalar& scalar;
    T type;
    std::optional<PreferenceValue> expected;
  };
  const std::vector<Case> cases = {
      {yes, T::boolean, PreferenceValue::boolean(true)},
      {one, T::integer, PreferenceValue::integer(1)},
      {half, T::real, PreferenceValue::real(0.5)},
      {one, T::real, PreferenceValue::real(1.0)},
      {text, T::string, PreferenceValue::string("1")},
      {one, T::boolean, std::nullopt},
      {yes, T::integer, std::nullopt},
      {half, T::integer, std::nullopt},
      {text, T::integer, std::nullopt},
      {one, T::string, std::nullopt},
      {yes, T::real, std::nullopt},
      {text, T::dictionary, std::nullopt},
      {one, T::array, std::nullopt},
  };
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(cases[i].scalar.preferenceValue(cases[i].type), cases[i].expected) << "case " << i;
}

// ---- availability and lookups ----

TEST(SettingAvailability, AllowsWithinBoundsAndOutsideBrokenReleases) {
  struct Case {
    const char* behaviour;
    SettingAvailability availability;
    const char* os;
    const char* app;
    bool allowed;
  };
  const std::vector<Case> cases = {
      {"always", SettingAvailability::always(), "10.0", "0", true},
      {"at osMin", {v("14"), {}, {}, {}}, "14.0", "1", true},
      {"below osMin", {v("14.1"), {}, {}, {}}, "14.0.9", "1", false},
      {"at osMax", {{}, v("14.0"), {}, {}}, "14", "1", true},
      {"a point release above osMax", {{}, v("14"), {}, {}}, "14.0.1", "1", false},
      {"osMin above osMax allows nothing", {v("15"), v("14"), {}, {}}, "14.5", "1", false},
      {"app at minAppVersion", {{}, {}, v("1.2"), {}}, "14", "1.2.0", true},
      {"app below minAppVersion on a new macOS", {{}, {}, v("1.2"), {}}, "99", "1.1.9", false},
      {"broken release", {{}, {}, {}, {v("14.4")}}, "14.4", "1", false},
      {"broken release, point release", {{}, {}, {}, {v("14.4")}}, "14.4.1", "1", false},
      {"broken release, later release", {{}, {}, {}, {v("14.4")}}, "14.5", "1", true},
      {"broken release, not a prefix of digits", {{}, {}, {}, {v("14.4")}}, "14.40", "1", true},
      {"broken major family", {{}, {}, {}, {v("14")}}, "14.6.1", "1", false},
      {"os shorter than the broken entry", {{}, {}, {}, {v("14.0")}}, "14", "1", false},
      {"second broken entry", {{}, {}, {}, {v("13"), v("15.1")}}, "15.1.2", "1", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.availability.allows(v(c.os), v(c.app)), c.allowed) << c.behaviour;
}

TEST(SettingsCatalog, SettingsForAVersionKeepCatalogueOrder) {
  const auto catalog = SettingsCatalog::fromData(file({
      entry("d"),
      entry("new", {{"osMin", "15"}}),
      entry("b", {{"osMax", "14.5"}}),
      entry("broken", {{"brokenOn", {"14.5"}}}),
      entry("app", {{"minAppVersion", "2"}}),
      entry("a"),
  }));
  std::vector<std::string> ids;
  for (const auto& s : catalog.settings(v("14.5.0"), v("1.0"))) ids.push_back(s.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"d", "b", "a"}));
  EXPECT_EQ(catalog.settings(v("14"), v("2")).size(), 5u);
}

TEST(SettingsCatalog, SettingByIdMatchesExactly) {
  const auto catalog = SettingsCatalog::fromData(file({entry("dock.autohide"), entry("dock.tilesize")}));
  ASSERT_NE(catalog.setting("dock.tilesize"), nullptr);
  EXPECT_EQ(catalog.setting("dock.tilesize")->id, "dock.tilesize");
  EXPECT_EQ(catalog.setting("Dock.Autohide"), nullptr);
  EXPECT_EQ(catalog.setting("dock"), nullptr);
  EXPECT_EQ(catalog.setting(""), nullptr);
  EXPECT_EQ(SettingsCatalog(1, 0, {}).setting("dock.autohide"), nullptr);
}

TEST(SettingsCatalog, NightShiftSettingsAreUsableOnlyWhereNightShiftCanBeDriven) {
  ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);
  EXPECT_TRUE(loadOne(entry("x")).isUsableOnThisMac());
  EXPECT_FALSE(loadOne(entry("x", {{"channel", "nightShift"}})).isUsableOnThisMac());
  ::unsetenv("AMBERLOOM_NIGHT_SHIFT");
}

}  // namespace
