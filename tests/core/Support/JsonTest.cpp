#include <gtest/gtest.h>

#include <limits>

#include "Support/ErrorDescription.hpp"
#include "Support/Json.hpp"
#include "Preferences/PreferenceWriter.hpp"

using namespace amberloom;
using namespace std::string_literals;

// ---------------------------------------------------------------------------------------------
// The JSON writer

TEST(JsonWriter, FollowsThePlatformConventions) {
  struct Case {
    const char* what;
    Json value;
    const char* text;
  };
  const Case cases[] = {
      {"keys sorted", Json::parse(R"({"zeta":1,"Alpha":2,"alpha":3})"), R"({"Alpha":2,"alpha":3,"zeta":1})"},
      {"slash escaped", Json("https://example.com/a"), R"("https:\/\/example.com\/a")"},
      {"quote and backslash", Json("say \"hi\" \\ bye"), R"("say \"hi\" \\ bye")"},
      {"control characters", Json("a\nb\tc\x01"), R"("a\nb\tc\u0001")"},
      {"non-ASCII kept as UTF-8", Json("caf\xC3\xA9"), "\"caf\xC3\xA9\""},
      {"integral double without fraction", Json(2.0), "2"},
      {"negative integral double", Json(-3.0), "-3"},
      {"fraction kept", Json(0.1), "0.1"},
      {"large integer exact", Json(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
      {"empty containers", Json::parse(R"({"a":[],"b":{}})"), R"({"a":[],"b":{}})"},
  };
  for (const auto& c : cases) EXPECT_EQ(writeJson(c.value), c.text) << c.what;
}

TEST(JsonWriter, PrettyPrintsWithTwoSpacesAndSpacedColons) {
  const Json value = Json::parse(R"({"b":[1,"x"],"a":{"c":true}})");
  EXPECT_EQ(writeJson(value, JsonStyle::pretty),
            "{\n"
            "  \"a\" : {\n"
            "    \"c\" : true\n"
            "  },\n"
            "  \"b\" : [\n"
            "    1,\n"
            "    \"x\"\n"
            "  ]\n"
            "}");
}

TEST(JsonWriter, RefusesNonFiniteNumbersAndTextThatIsNotUtf8Anywhere) {
  for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(writeJson(Json(v)), JsonWriteError);
    Json nested = Json::object();
    nested["list"] = Json::array({1, v});
    EXPECT_THROW(writeJson(nested, JsonStyle::pretty), JsonWriteError);
  }
  for (const char* text : {"caf\xE9", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
    EXPECT_THROW(writeJson(Json::array({text})), JsonWriteError) << text;
    EXPECT_THROW(writeJson(Json::object({{text, 1}})), JsonWriteError) << text;
  }
  EXPECT_EQ(writeJson(Json("a\0\xF0\x9F\x99\x82"s)), "\"a\\u0000\xF0\x9F\x99\x82\"");
}

TEST(JsonReader, MalformedOrTooDeeplyNestedTextIsDataCorruptedAtTheRoot) {
  const std::string tooDeep = std::string(kMaxJsonDepth + 1, '[') + std::string(kMaxJsonDepth + 1, ']');
  const std::string deepest = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
  EXPECT_NO_THROW(parseJson(deepest));
  EXPECT_NO_THROW(parseJson("[\"" + std::string(2000, '[') + "\"]"));  // brackets inside text do not count
  for (const std::string text : {"", "{", "{\"a\":}", "[1,]", "nul", tooDeep.c_str(), "[\"\xE9\"]"}) {
    try {
      parseJson(text);
      ADD_FAILURE() << text.substr(0, 40) << " was accepted";
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.kind(), DecodingError::Kind::dataCorrupted) << text.substr(0, 40);
      EXPECT_TRUE(error.codingPath().empty()) << text.substr(0, 40);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Error descriptions

TEST(ErrorDescription, DescribesCasesEnumerationsAndStructures) {
  EXPECT_EQ(PreferenceWriteError::pathBlockedByNonDictionary({"a"}).description(),
            R"(pathBlockedByNonDictionary(path: ["a"]))");
  EXPECT_EQ(PreferenceWriteError::pathBlockedByNonDictionary({"a", "b"}).description(),
            R"(pathBlockedByNonDictionary(path: ["a", "b"]))");
  EXPECT_EQ(PreferenceWriteError::emptyPath().description(), "emptyPath");
  EXPECT_EQ(describe::enumValue("SettingValueType", "bool"), "AmberloomCore.SettingValueType.bool");
  EXPECT_EQ(describe::enumCase("kindMismatch", {{"expected", describe::enumValue("SettingValueType", "int")},
                                                {"got", describe::text("bool")}}),
            R"(kindMismatch(expected: AmberloomCore.SettingValueType.int, got: "bool"))");

  const std::string described =
      describe::structure("SettingRef", {{"domain", describe::text("com.apple.dock")},
                                         {"keyPath", describe::textList({"autohide"})},
                                         {"byHost", describe::boolean(false)}});
  EXPECT_EQ(described, R"(AmberloomCore.SettingRef(domain: "com.apple.dock", keyPath: ["autohide"], byHost: false))");
  EXPECT_EQ(describe::enumCase("failed", {{std::nullopt, described}}),
            R"(failed(AmberloomCore.SettingRef(domain: "com.apple.dock", keyPath: ["autohide"], byHost: false)))");
}

TEST(ErrorDescription, EscapesTextsAndSpellsNumbers) {
  EXPECT_EQ(describe::text("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(describe::text("line\nnext\ttab\r"), R"("line\nnext\ttab\r")");
  EXPECT_EQ(describe::text(std::string("nul\0", 4)), R"("nul\0")");
  EXPECT_EQ(describe::text("bell\x07"), R"("bell\u{7}")");
  EXPECT_EQ(describe::text("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
  EXPECT_EQ(describe::textList({}), "[]");
  EXPECT_EQ(describe::real(1.0), "1.0");
  EXPECT_EQ(describe::real(0.1), "0.1");
  EXPECT_EQ(describe::real(1e-07), "1e-07");
}
