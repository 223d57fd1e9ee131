#include <gtest/gtest.h>

#include <cmath>

#include "PlistCoding.hpp"

using namespace amberloom::platform;

namespace {

PlistObject everyKind() {
  PlistDictionary nested{{"inner", PlistObject(std::int64_t{-7})}};
  return PlistObject(PlistDictionary{
      {"bool", PlistObject(true)},
      {"int", PlistObject(std::int64_t{-9007199254740993})},
      {"big", PlistObject(std::int64_t{INT64_MAX})},
      {"real", PlistObject(1.0)},
      {"fraction", PlistObject(0.1234567)},
      {"string", PlistObject(std::string("h\xC3\xA9llo <&> \"q\""))},
      {"data", PlistObject(PlistData{0, 1, 2, 255})},
      {"date", PlistObject(PlistDate{726842829.123})},
      {"dict", PlistObject(nested)},
      {"array", PlistObject(PlistArray{PlistObject(std::string("a")), PlistObject(false)})},
  });
}

}  // namespace

TEST(PlistCoding, BinaryFormKeepsEveryKindExactly) {
  const PlistObject original = everyKind();
  const auto back = parsePropertyList(binaryPropertyList(original));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, original);
  EXPECT_TRUE(back->as<PlistDictionary>().at("real").is<double>());
}

TEST(PlistCoding, XmlFormKeepsNumbersAndDatesToTheSecond) {
  PlistDictionary values = everyKind().as<PlistDictionary>();
  values["date"] = PlistObject(PlistDate{726842829.0});  // XML keeps whole seconds only
  const auto back = parsePropertyList(xmlPropertyList(PlistObject(values)));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, PlistObject(values));
}

TEST(PlistCoding, MalformedBytesReadAsNone) {
  const std::string binary = binaryPropertyList(everyKind());
  EXPECT_FALSE(parsePropertyList("").has_value());
  EXPECT_FALSE(parsePropertyList("not a plist").has_value());
  EXPECT_FALSE(parsePropertyList("<?xml version=\"1.0\"?><plist><dict><key>a</key>").has_value());
  for (std::size_t cut : {8u, 20u, 60u}) {
    EXPECT_FALSE(parsePropertyList(std::string_view(binary).substr(0, binary.size() - cut)).has_value()) << cut;
  }
}
