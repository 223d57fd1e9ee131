#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "Preferences/Version.hpp"

using amberloom::DecodingError;
using amberloom::Json;
using amberloom::Version;

namespace {
Version v(const char* text) {
  auto parsed = Version::parse(text);
  if (!parsed) throw std::invalid_argument(text);
  return *parsed;
}
}  // namespace

TEST(Version, MissingComponentsReadAsZero) {
  EXPECT_EQ(v("14"), v("14.0.0"));
  EXPECT_FALSE(v("14") < v("14.0") || v("14.0") > v("14"));
  EXPECT_LE(v("14"), v("14.0.0"));
  EXPECT_GT(v("14.0.1"), v("14"));
  EXPECT_GT(v("14.10"), v("14.9"));
  EXPECT_LT(v("13.6.9"), v("14"));
}

TEST(Version, ParsesDottedNonNegativeIntegers) {
  struct Case {
    const char* text;
    const char* description;  // nullptr: refused
  };
  const Case cases[] = {
      {"14.2.1", "14.2.1"}, {"1.02", "1.2"},  {"+14", "14"},    {"0", "0"},      {"", nullptr},
      {".", nullptr},       {"14.", nullptr},  {".14", nullptr},  {"14..1", nullptr}, {"14.a", nullptr},
      {"14.-1", nullptr},   {"14. 1", nullptr}, {"v14", nullptr}, {"++14", nullptr}, {"99999999999999999999", nullptr},
      {"+-0", nullptr},     {"-+0", nullptr},   {"-0", "0"},
  };
  for (const auto& c : cases) {
    const auto parsed = Version::parse(c.text);
    if (c.description) {
      ASSERT_TRUE(parsed.has_value()) << '"' << c.text << '"';
      EXPECT_EQ(parsed->description(), c.description);
    } else {
      EXPECT_FALSE(parsed.has_value()) << '"' << c.text << '"';
    }
  }
}

TEST(Version, IsWithinAFamilyWhenEveryFamilyComponentMatches) {
  EXPECT_TRUE(v("14.2.1").isWithin(v("14.2")));
  EXPECT_TRUE(v("14.2.1").isWithin(v("14")));
  EXPECT_FALSE(v("14").isWithin(v("14.2")));
  EXPECT_TRUE(v("14.0").isWithin(v("14.0.0")));
  EXPECT_FALSE(v("15.2").isWithin(v("14.2")));
  EXPECT_TRUE(v("15.2").isWithin(Version({})));  // an empty family holds everything
}

TEST(Version, JsonFormIsTheDottedText) {
  EXPECT_EQ(v("14.2.1").toJson(), Json("14.2.1"));
  EXPECT_EQ(Version::fromJson(Json("14.02")), v("14.2"));
  try {
    Version::fromJson(Json("abc"), {"minimumOS"});
    ADD_FAILURE();
  } catch (const DecodingError& error) {
    EXPECT_EQ(error.kind(), DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(error.debugDescription(), "gecersiz surum: abc");
    EXPECT_EQ(error.codingPath(), std::vector<std::string>{"minimumOS"});
  }
  try {
    Version::fromJson(Json(14));
    ADD_FAILURE();
  } catch (const DecodingError& error) {
    EXPECT_EQ(error.kind(), DecodingError::Kind::typeMismatch);
  }
}

TEST(Version, AppVersionFallsBackToZero) {
  EXPECT_EQ(Version::currentApp(Json::parse(R"({"CFBundleShortVersionString":"2.3"})")), v("2.3"));
  for (const char* info : {R"({})", R"({"CFBundleShortVersionString":2})", R"({"CFBundleShortVersionString":"two"})"}) {
    const Version version = Version::currentApp(Json::parse(info));
    EXPECT_EQ(version.description(), "0") << info;
    EXPECT_LT(version, v("0.0.1")) << info;
  }
  EXPECT_EQ(Version::currentApp(), v("1.0.0"));  // the built-in information list
}

TEST(Version, RunningMacOSVersionCanBeOverridden) {
  EXPECT_EQ(Version::current().description(), "14.5.0");
  ::setenv("AMBERLOOM_MACOS_VERSION", "15.1", 1);
  EXPECT_EQ(Version::current().description(), "15.1.0");
  ::setenv("AMBERLOOM_MACOS_VERSION", "not a version", 1);
  EXPECT_EQ(Version::current().description(), "14.5.0");
  ::unsetenv("AMBERLOOM_MACOS_VERSION");
}
