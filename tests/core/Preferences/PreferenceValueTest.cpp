#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Support/Json.hpp"
#include "Preferences/PreferenceValue.hpp"

using amberloom::CodingPath;
using amberloom::DecodingError;
using amberloom::JsonWriteError;
using amberloom::PreferenceValue;
using amberloom::parseJson;
using amberloom::writeJson;
using V = PreferenceValue;
using Kind = PreferenceValue::Kind;
namespace platform = amberloom::platform;

namespace {

V fromText(const std::string& json) { return V::fromJson(parseJson(json)); }
std::string toText(const V& value) { return writeJson(value.toJson()); }

V dict(V::Dictionary members) { return V::dictionary(std::move(members)); }
V list(V::Array elements) { return V::array(std::move(elements)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Equality

TEST(PreferenceValueEquality, ComparesKindFirstThenContent) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    V a, b;
    bool equal;
  };
  const Case cases[] = {
      {"int 1 is not double 1.0", V::integer(1), V::real(1.0), false},
      {"bool true is not int 1", V::boolean(true), V::integer(1), false},
      {"string is not data with the same bytes", V::string("ab"), V::data({'a', 'b'}), false},
      {"NaN is not equal to itself", V::real(nan), V::real(nan), false},
      {"NaN inside an array spoils the array", list({V::real(nan)}), list({V::real(nan)}), false},
      {"+0.0 equals -0.0", V::real(0.0), V::real(-0.0), true},
      {"composed and decomposed e-acute are one text", V::string("caf\xC3\xA9"), V::string("cafe\xCC\x81"), true},
      {"the Kelvin sign is canonically the letter K", V::string("\xE2\x84\xAA"), V::string("K"), true},
      {"letter case matters", V::string("a"), V::string("A"), false},
      {"data of another length", V::data({1, 2}), V::data({1, 2, 3}), false},
      {"dates are compared exactly", V::date(10.0), V::date(10.001), false},
      {"arrays are ordered", list({V::integer(1), V::integer(2)}),
       list({V::integer(2), V::integer(1)}), false},
      {"a nested member of another kind", dict({{"a", dict({{"b", V::integer(1)}})}}),
       dict({{"a", dict({{"b", V::real(1)}})}}), false},
      {"a missing member", dict({{"a", V::integer(1)}, {"b", V::integer(2)}}),
       dict({{"a", V::integer(1)}}), false},
      {"keys composed and decomposed are one key", dict({{"caf\xC3\xA9", V::integer(1)}, {"z", V::integer(2)}}),
       dict({{"cafe\xCC\x81", V::integer(1)}, {"z", V::integer(2)}}), true},
      {"equivalent keys with unequal values", dict({{"caf\xC3\xA9", V::integer(1)}}),
       dict({{"cafe\xCC\x81", V::integer(2)}}), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.what;
    EXPECT_EQ(c.b == c.a, c.equal) << c.what << " (reversed)";
  }
}

// ---------------------------------------------------------------------------------------------
// JSON form

TEST(PreferenceValueJson, WritesOneMemberNamedByTheKind) {
  struct Case {
    V value;
    const char* json;
  };
  const Case cases[] = {
      {V::boolean(false), R"({"bool":false})"},
      {V::integer(-9007199254740993), R"({"int":-9007199254740993})"},
      {V::real(1.0), R"({"double":1})"},
      {V::real(0.25), R"({"double":0.25})"},
      {V::string("a/b"), R"({"string":"a\/b"})"},
      {V::data({0xfb, 0xff}), R"({"data":"+\/8="})"},
      {V::data({}), R"({"data":""})"},
      {V::date(0), R"({"date":"2001-01-01T00:00:00.000Z"})"},
      {V::date(-978307200), R"({"date":"1970-01-01T00:00:00.000Z"})"},
      {list({V::integer(3), V::string("a")}), R"({"array":[{"int":3},{"string":"a"}]})"},
      {dict({{"b", V::integer(1)}, {"a", list({})}}), R"({"dictionary":{"a":{"array":[]},"b":{"int":1}}})"},
  };
  for (const auto& c : cases) EXPECT_EQ(toText(c.value), c.json);
}

TEST(PreferenceValueJson, ReadsWhatItWritesForEveryKind) {
  const V every = dict({
      {"bool", V::boolean(true)},
      {"int", V::integer(std::numeric_limits<std::int64_t>::min())},
      {"double", V::real(0.1)},
      {"whole", V::real(2.0)},
      {"string", V::string("\xC3\xA9 \"q\" \\ \n")},
      {"data", V::data({0, 1, 254, 255})},
      {"noData", V::data({})},
      {"date", fromText(R"({"date":"2024-03-05T14:07:09.250Z"})")},
      {"array", list({V::integer(1), dict({})})},
  });
  const V back = fromText(toText(every));
  EXPECT_EQ(back, every);
  EXPECT_EQ(back.asDictionary().at("whole").kind(), Kind::real);  // written as 2, read as a double
  EXPECT_EQ(toText(back.asDictionary().at("date")), R"({"date":"2024-03-05T14:07:09.250Z"})");
}

TEST(PreferenceValueJson, WhatCannotReadBackIsRefusedByTheWriter) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const V& v : {V::real(std::numeric_limits<double>::quiet_NaN()), V::real(inf), V::real(-inf), V::date(inf),
                     V::date(std::numeric_limits<double>::quiet_NaN()), V::date(252423993600.0) /* year 10000 */,
                     V::date(-63114076801.0) /* before year 1 */}) {
    EXPECT_THROW(toText(v), JsonWriteError) << (v.kind() == Kind::real ? v.asDouble() : v.asDate());
    EXPECT_THROW(toText(list({v})), JsonWriteError);
  }
  // Every date that is written reads back as the very same instant, far from the reference date too.
  for (const char* text : {"0001-01-01T00:00:00.000Z", "2024-03-05T14:07:09.250Z", "8073-03-05T14:07:09.250Z",
                           "9999-12-31T23:59:59.999Z"}) {
    const V date = fromText(std::string("{\"date\":\"") + text + "\"}");
    EXPECT_EQ(toText(date), std::string("{\"date\":\"") + text + "\"}");
    EXPECT_EQ(fromText(toText(date)), date) << text;
  }
}

TEST(PreferenceValueJson, OtherMembersAreIgnoredAndDatesGainMilliseconds) {
  EXPECT_EQ(fromText(R"({"int":3,"note":"ignored"})"), V::integer(3));  // one kind member counts
  const V value = fromText(R"({"date":"2024-01-02T03:04:05Z"})");
  EXPECT_EQ(toText(value), R"({"date":"2024-01-02T03:04:05.000Z"})");
  EXPECT_EQ(value, fromText(R"({"date":"2024-01-02T03:04:05.000Z"})"));
}

TEST(PreferenceValueJson, MalformedValuesFailWithTheirTextAndPath) {
  struct Case {
    const char* json;
    DecodingError::Kind kind;
    const char* description;  // empty: the decoder's own text, not checked
    CodingPath path;
  };
  const auto corrupted = DecodingError::Kind::dataCorrupted;
  const char* oneKind = "Deger tam olarak bir tip anahtari tasimali";
  const Case cases[] = {
      {R"({})", corrupted, oneKind, {}},
      {R"({"int":1,"bool":true})", corrupted, oneKind, {}},
      {R"({"integer":1})", corrupted, oneKind, {}},
      {R"({"data":"***"})", corrupted, "Bozuk base64 veri", {}},
      {R"({"data":"AAE"})", corrupted, "Bozuk base64 veri", {}},
      {R"({"date":"yesterday"})", corrupted, "Bozuk ISO8601 tarih", {}},
      {R"({"date":"2024-02-30T00:00:00Z"})", corrupted, "Bozuk ISO8601 tarih", {}},
      {R"({"dictionary":{"fine":{"int":1},"bad":{"data":"!"}}})", corrupted, "Bozuk base64 veri",
       {"dictionary", "bad"}},
      {R"({"array":[{"int":1},{"double":1,"string":"x"}]})", corrupted, oneKind, {"array", "Index 1"}},
      {R"({"int":"3"})", DecodingError::Kind::typeMismatch, "", {"int"}},
      {R"({"string":null})", DecodingError::Kind::valueNotFound, "", {"string"}},
      {R"([{"int":1}])", DecodingError::Kind::typeMismatch, "", {}},
  };
  for (const auto& c : cases) {
    try {
      fromText(c.json);
      ADD_FAILURE() << c.json << " was accepted";
    } catch (const DecodingError& error) {
      EXPECT_EQ(error.kind(), c.kind) << c.json;
      if (*c.description) {
        EXPECT_EQ(error.debugDescription(), c.description) << c.json;
      }
      EXPECT_EQ(error.codingPath(), c.path) << c.json;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Property-list form

TEST(PreferenceValuePropertyList, EveryKindComesBackAsTheSameKind) {
  const V values[] = {
      V::boolean(false),
      V::integer(std::numeric_limits<std::int64_t>::min()),
      V::real(1.0),
      V::string(""),
      V::data({0, 255}),
      V::date(726842829.123),
      dict({{"n", dict({{"deep", V::real(1.0)}})}}),
      list({}),
      list({V::boolean(true), V::integer(1)}),
  };
  for (const auto& value : values) {
    const auto back = V::fromPropertyList(value.propertyList());
    EXPECT_EQ(back, value) << toText(value);  // equality includes the kind
  }
}

TEST(PreferenceValuePropertyList, NumbersKeepTheirKind) {
  EXPECT_EQ(V::fromPropertyList(platform::PlistObject(1.0)), V::real(1.0));
  EXPECT_EQ(V::fromPropertyList(platform::PlistObject(std::int64_t{1})), V::integer(1));
  EXPECT_EQ(V::fromPropertyList(platform::PlistObject(true)), V::boolean(true));
  EXPECT_TRUE(std::holds_alternative<bool>(V::boolean(true).propertyList().value));
  EXPECT_TRUE(std::holds_alternative<double>(V::real(1.0).propertyList().value));
}

TEST(PreferenceValuePropertyList, OneUnrepresentableMemberMakesTheWholeValueNone) {
  using platform::PlistArray;
  using platform::PlistDictionary;
  using platform::PlistObject;
  const PlistObject uid(platform::PlistOther{"uid", 1});
  EXPECT_FALSE(V::fromPropertyList(std::nullopt).has_value());
  EXPECT_FALSE(V::fromPropertyList(uid).has_value());
  EXPECT_FALSE(V::fromPropertyList(PlistObject(PlistArray{PlistObject(1), uid})).has_value());
  EXPECT_FALSE(V::fromPropertyList(
                   PlistObject(PlistDictionary{{"ok", PlistObject(1)},
                                               {"deep", PlistObject(PlistDictionary{{"x", PlistObject(PlistArray{uid})}})}}))
                   .has_value());
  // Text stored as UTF-16 that is not well-formed, as a value or as a key.
  EXPECT_FALSE(V::fromPropertyList(PlistObject(platform::PlistOther{"utf16", 0, std::string("\xD8\x00", 2)})).has_value());
  EXPECT_FALSE(V::fromPropertyList(PlistObject(PlistDictionary{{std::string("\xFF\xD8\x00", 3), PlistObject(1)}})).has_value());
  EXPECT_EQ(V::fromPropertyList(PlistObject(PlistArray{})), list({}));
}
