#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "Platform/BinaryPropertyList.hpp"
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
  values["negativeZero"] = PlistObject(-0.0);
  values["infinite"] = PlistObject(PlistArray{PlistObject(HUGE_VAL), PlistObject(-HUGE_VAL)});
  values["wide"] = PlistObject(PlistOther{"uint64", 18446744073709551615ull});
  const auto back = parsePropertyList(xmlPropertyList(PlistObject(values)));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, PlistObject(values));
  EXPECT_TRUE(std::signbit(back->as<PlistDictionary>().at("negativeZero").as<double>()));
  const auto notANumber = parsePropertyList(xmlPropertyList(PlistObject(std::nan(""))));
  ASSERT_TRUE(notANumber.has_value());
  EXPECT_TRUE(std::isnan(notANumber->as<double>()));
}

TEST(PlistCoding, XmlExportShowsWhatTheStoreSeesAndLeavesOutWhatItCannotCarry) {
  using namespace std::string_literals;
  const auto exported = parsePropertyList(xmlPropertyList(PlistObject(PlistDictionary{
      {"ref", PlistObject(PlistOther{"uid", 42})},
      {"broken", PlistObject(PlistOther{"utf16", 0, "\xD8\x00"s})},
      {"\xFF\xD8\x00"s, PlistObject(1)},
      {"control", PlistObject("a\x01z")},
      {"\x1F key", PlistObject(1)},
      {"nonchar", PlistObject(PlistArray{PlistObject("\xEF\xBF\xBE")})},
      {"lines", PlistObject("l1\r\nl2\r")},
      {"first", PlistObject(PlistDate{-63113904000.0})},
      {"last", PlistObject(PlistDate{252423993599.0})},
  })));
  ASSERT_TRUE(exported.has_value());
  EXPECT_EQ(*exported, PlistObject(PlistDictionary{
                           {"ref", PlistObject(PlistDictionary{{"CF$UID", PlistObject(42)}})},
                           {"lines", PlistObject("l1\r\nl2\r")},
                           {"first", PlistObject(PlistDate{-63113904000.0})},
                           {"last", PlistObject(PlistDate{252423993599.0})},
                       }));
  // A date the XML form cannot carry costs its own member only, at whatever depth it sits; one in
  // an array costs the array's member.
  for (const double instant : {252423993600.0, -63113904001.0, std::nan(""), HUGE_VAL}) {
    const auto back = parsePropertyList(xmlPropertyList(PlistObject(PlistDictionary{
        {"outer", PlistObject(PlistDictionary{{"when", PlistDate{instant}}, {"kept", PlistObject(1)}})},
        {"list", PlistObject(PlistArray{PlistObject(2), PlistDate{instant}})},
        {"other", PlistObject(3)},
    })));
    ASSERT_TRUE(back.has_value()) << instant;
    EXPECT_EQ(*back, PlistObject(PlistDictionary{{"outer", PlistObject(PlistDictionary{{"kept", PlistObject(1)}})},
                                                 {"other", PlistObject(3)}}))
        << instant;
    EXPECT_THROW(xmlPropertyList(PlistObject(PlistDate{instant})), PlistEncodingError) << instant;
  }
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

namespace {

// A binary property list of a dictionary with one member, its key and value given as encoded
// objects (marker and payload).
std::string oneMemberDictionary(const std::string& key, const std::string& value) {
  const std::string parts[] = {key, value};
  return craftedBinary(3, [&](std::uint64_t i, std::string& bytes, auto bigEndian) {
    if (i == 0) {
      bytes += '\xD1';
      bigEndian(bytes, 1, 4);
      bigEndian(bytes, 2, 4);
    } else {
      bytes += parts[i - 1];
    }
  });
}

std::string ascii(const std::string& text) { return static_cast<char>(0x50 | text.size()) + text; }
std::string utf16(const std::string& units) { return static_cast<char>(0x60 | units.size() / 2) + units; }

}  // namespace

TEST(PlistCoding, ForeignTextReadsExactlyAndSurvivesARewrite) {
  using namespace std::string_literals;
  struct Case {
    const char* what;
    std::string bytes;
    PlistObject expected;
  };
  const Case cases[] = {
      {"U+0000 inside a value", oneMemberDictionary(ascii("k"), ascii("x\0y"s)),
       PlistDictionary{{"k", PlistObject("x\0y"s)}}},
      {"U+0000 inside a key", oneMemberDictionary(ascii("a\0b"s), ascii("v")),
       PlistDictionary{{"a\0b"s, PlistObject("v")}}},
      {"U+0000 in UTF-16 text", oneMemberDictionary(ascii("k"), utf16("\x00\xE9\x00\x00"s)),
       PlistDictionary{{"k", PlistObject("\xC3\xA9\0"s)}}},
      {"single-byte text above 0x7F", oneMemberDictionary(ascii("k"), ascii("caf\xE9")),
       PlistDictionary{{"k", PlistObject("caf\xC3\xA9")}}},
      {"an unpaired surrogate in a value", oneMemberDictionary(ascii("k"), utf16("\xD8\x00\x00\x41"s)),
       PlistDictionary{{"k", PlistObject(PlistOther{"utf16", 0, "\xD8\x00\x00\x41"s})}}},
      {"an unpaired surrogate in a key", oneMemberDictionary(utf16("\xDC\x01"s), ascii("v")),
       PlistDictionary{{"\xFF\xDC\x01"s, PlistObject("v")}}},
      {"a set", oneMemberDictionary(ascii("k"), "\xC0"),
       PlistDictionary{{"k", PlistObject(PlistOther{"set", 0, binaryPropertyList(PlistObject(PlistArray{}))})}}},
  };
  for (const auto& c : cases) {
    const auto read = parsePropertyList(c.bytes);
    ASSERT_TRUE(read.has_value()) << c.what;
    EXPECT_EQ(*read, c.expected) << c.what;
    EXPECT_EQ(parsePropertyList(binaryPropertyList(*read)), c.expected) << c.what;
  }
  // Keys that differ only after a U+0000 stay two members.
  const PlistObject twoKeys(PlistDictionary{{"a\0b"s, PlistObject(1)}, {"a\0c"s, PlistObject(2)}});
  EXPECT_EQ(parsePropertyList(binaryPropertyList(twoKeys)), twoKeys);
  // A set within a set is refused: the inner one would be encoded once per set around it.
  EXPECT_FALSE(parsePropertyList(craftedBinary(2, [](std::uint64_t i, std::string& bytes, auto bigEndian) {
                 bytes += i == 0 ? '\xC1' : '\xC0';
                 if (i == 0) bigEndian(bytes, 1, 4);
               })).has_value());
  // Text the binary form cannot hold exactly is refused, never shortened or replaced.
  EXPECT_THROW(binaryPropertyList(PlistObject("caf\xE9")), PlistEncodingError);
  EXPECT_THROW(binaryPropertyList(PlistObject(PlistDictionary{{"\xC0\x80", PlistObject(1)}})), PlistEncodingError);
}

TEST(PlistCoding, WhatTheBinaryFormRefusesIsKnownWithoutEncoding) {
  using namespace std::string_literals;
  const std::string rawKey = kRawKeyMarker + "\xD8\x00"s;
  const std::vector<PlistObject> objects{
      everyKind(), PlistObject("caf\xE9"), PlistObject(PlistDictionary{{"\xC0\x80", PlistObject(1)}}),
      PlistObject(PlistDictionary{{rawKey, PlistObject("ok")}}),
      PlistObject(PlistArray{PlistObject(PlistDictionary{{"k", PlistObject("\xFF")}})}),
      PlistObject(PlistOther{"utf16", 0, "\xD8\x00"s})};
  for (std::size_t i = 0; i < objects.size(); ++i) {
    bool encodes = true;
    try {
      encodeBinaryPropertyList(objects[i]);
    } catch (const PlistEncodingError&) {
      encodes = false;
    }
    EXPECT_EQ(binaryEncodable(objects[i]), encodes) << i;
  }
}

TEST(PlistCoding, HostileXmlReadsAsNoneWithoutExhaustingTheProcess) {
  const std::string head = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  const auto nested = [](int depth, const std::string& open, const std::string& close) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += open;
    text += "<true/>";
    for (int i = 0; i < depth; ++i) text += close;
    return text;
  };
  ASSERT_TRUE(parsePropertyList(head + nested(500, "<array>", "</array>") + "</plist>").has_value());
  const std::string cases[] = {
      head + nested(200000, "<array>", "</array>") + "</plist>",
      head + nested(200000, "<array a=\"/>\">", "</array>") + "</plist>",  // an opening tag posing as closed
      head + nested(600, "<dict><key>k</key>", "</dict>") + "</plist>",
      head + "<string>a\0b</string></plist>",
      head + "<dict><key>a\0b</key><true/></dict></plist>",
      head + "<string>caf\xE9</string></plist>",
      head + "<dict><key>caf\xE9</key><true/></dict></plist>",
  };
  for (const auto& bytes : cases) EXPECT_FALSE(parsePropertyList(bytes).has_value()) << bytes.substr(0, 80);
}

namespace {

// A random object of every kind the XML form carries exactly: finite reals, whole-second dates,
// text with markup characters, white space and characters beyond ASCII.
PlistObject randomObject(std::mt19937_64& random, int depth) {
  static const std::string pieces[] = {"a", "Z", "0", " ", "\t", "\n", "\r", "\r\n", "&", "<", ">", "]]>", "\"", "'", "\xC3\xA9",
                                       "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "CF$UID", "key"};
  const auto text = [&] {
    std::string out;
    for (int i = static_cast<int>(random() % 6); i > 0; --i) out += pieces[random() % std::size(pieces)];
    return out;
  };
  switch (random() % (depth > 0 ? 8 : 6)) {
    case 0: return PlistObject(random() % 2 == 0);
    case 1: {
      static const std::int64_t edges[] = {0, -1, INT64_MIN, INT64_MAX, 10, -10};
      return PlistObject(random() % 2 ? edges[random() % std::size(edges)] : static_cast<std::int64_t>(random()));
    }
    case 2: {
      double v = std::bit_cast<double>(random());
      return PlistObject(std::isfinite(v) ? v : static_cast<double>(random() % 1000) / 7);
    }
    case 3: return PlistObject(text());
    case 4: {
      PlistData bytes(random() % 80);
      for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
      return PlistObject(std::move(bytes));
    }
    case 5: {
      // Whole seconds between the years 1 and 9999.
      const double seconds = -63114076800.0 + static_cast<double>(random() % 315537897600ULL);
      return PlistObject(PlistDate{seconds});
    }
    case 6: {
      PlistDictionary members;
      for (int i = static_cast<int>(random() % 5); i > 0; --i)
        members.insert_or_assign(text() + "k", randomObject(random, depth - 1));
      return PlistObject(std::move(members));
    }
    default: {
      PlistArray elements;
      for (int i = static_cast<int>(random() % 5); i > 0; --i) elements.push_back(randomObject(random, depth - 1));
      return PlistObject(std::move(elements));
    }
  }
}

}  // namespace

// Whatever the export writes reads back as it was, text with markup, line ends and characters
// beyond ASCII included.
TEST(PlistCoding, EveryExportReadsBackAsItWasWritten) {
  std::mt19937_64 random(43);
  for (int round = 0; round < 300; ++round) {
    PlistDictionary domain;
    for (int i = 0; i < 8; ++i) domain.insert_or_assign("k" + std::to_string(i), randomObject(random, 3));
    const std::string bytes = xmlPropertyList(PlistObject(domain));
    const auto back = parsePropertyList(bytes);
    ASSERT_TRUE(back.has_value()) << bytes;
    ASSERT_EQ(*back, PlistObject(domain)) << bytes;
  }
}
