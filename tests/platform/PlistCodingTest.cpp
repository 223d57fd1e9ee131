#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Platform/PlistCoding.hpp"

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

namespace {

// A binary property list of `count` objects laid out by `object(i, bytes)`, references four bytes
// wide, object 0 at the top.
template <typename WriteObject>
std::string craftedBinary(std::uint64_t count, WriteObject object) {
  const auto bigEndian = [](std::string& out, std::uint64_t v, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<char>(v >> (8 * i)));
  };
  std::string bytes = "bplist00";
  std::vector<std::uint64_t> offsets;
  for (std::uint64_t i = 0; i < count; ++i) {
    offsets.push_back(bytes.size());
    object(i, bytes, bigEndian);
  }
  const std::uint64_t table = bytes.size();
  for (auto offset : offsets) bigEndian(bytes, offset, 4);
  bytes.append(6, '\0');
  bytes.push_back(4);  // offset size
  bytes.push_back(4);  // reference size
  bigEndian(bytes, count, 8);
  bigEndian(bytes, 0, 8);
  bigEndian(bytes, table, 8);
  return bytes;
}

// Arrays nested `depth` deep, each holding `width` references to the next, around an integer.
std::string nestedArrays(std::uint64_t depth, int width) {
  return craftedBinary(depth + 1, [&](std::uint64_t i, std::string& bytes, auto bigEndian) {
    if (i == depth) {
      bytes += '\x10';  // a one-byte integer
      bytes += '\x07';
      return;
    }
    bytes.push_back(static_cast<char>(0xA0 | width));
    for (int r = 0; r < width; ++r) bigEndian(bytes, i + 1, 4);
  });
}

}  // namespace

TEST(PlistCoding, HostileObjectGraphsReadAsNoneWithoutExhaustingTheProcess) {
  EXPECT_TRUE(parsePropertyList(nestedArrays(10, 1)).has_value());  // the crafting itself is sound
  EXPECT_TRUE(parsePropertyList(nestedArrays(12, 2)).has_value());  // shared references are fine
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"nested far too deep", nestedArrays(300000, 1)},
      {"two references per level, forty levels", nestedArrays(40, 2)},
      {"an array holding itself", craftedBinary(1, [](std::uint64_t, std::string& bytes, auto bigEndian) {
         bytes += '\xA1';
         bigEndian(bytes, 0, 4);
       })},
      {"a reference past the last object", craftedBinary(1, [](std::uint64_t, std::string& bytes, auto bigEndian) {
         bytes += '\xA1';
         bigEndian(bytes, 5, 4);
       })},
      {"a count larger than the file", craftedBinary(1, [](std::uint64_t, std::string& bytes, auto) {
         bytes += "\xAF\x13\x7f\xff\xff\xff\xff\xff\xff\xff";
       })},
  };
  for (const auto& c : cases) EXPECT_FALSE(parsePropertyList(c.bytes).has_value()) << c.what;
}

TEST(PlistCoding, UidsAndWideUnsignedIntegersAreKeptThroughARewrite) {
  const PlistObject original(PlistDictionary{
      {"ref", PlistObject(PlistOther{"uid", 42})},
      {"big", PlistObject(PlistOther{"uint64", 18446744073709551615ull})},
      {"negative", PlistObject(-1)},
  });
  const auto back = parsePropertyList(binaryPropertyList(original));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, original);
}
