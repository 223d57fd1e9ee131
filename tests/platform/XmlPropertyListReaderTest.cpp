// XML property lists are read exactly as the Mac reads them, or not at all: one table of documents
// against the value each must give or "unreadable", read as they stand, re-encoded as UTF-16 of
// both byte orders, nested deep inside dictionaries and arrays, and from a preference file that the
// `defaults` command must then refuse to rewrite.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFileCache.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/TextEncoding.hpp"
#include "TestHome.hpp"

using namespace amberloom::platform;
using namespace std::string_literals;
namespace test = amberloom::testing;

namespace {

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n";

std::string document(const std::string& body) { return kHead + body + "\n</plist>\n"; }

const std::optional<PlistObject> unreadable = std::nullopt;

PlistObject date(double secondsSinceReferenceDate) { return PlistObject(PlistDate{secondsSinceReferenceDate}); }
PlistObject bytes(std::initializer_list<std::uint8_t> values) { return PlistObject(PlistData(values)); }
PlistObject wide(std::uint64_t v) { return PlistObject(PlistOther{"uint64", v}); }

struct Case {
  std::string body;  // the root value, or a whole document when `whole`
  std::optional<PlistObject> expected;
  bool whole = false;
};

std::string utf16(const std::string& text, bool bigEndian) {
  const auto units = utf8ToUtf16BigEndian(text);
  if (!units) return {};
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (std::size_t i = 0; i < units->size(); i += 2) {
    out.push_back((*units)[bigEndian ? i : i + 1]);
    out.push_back((*units)[bigEndian ? i + 1 : i]);
  }
  return out;
}

// Every case of the table; a body is placed in a standard document.
std::vector<Case> cases() {
  const PlistObject nan(std::numeric_limits<double>::quiet_NaN());
  return {
      // integers: a sign and decimal digits, or 0x and hexadecimal digits, within 64 bits
      {"<integer>-9223372036854775808</integer>", PlistObject(std::numeric_limits<std::int64_t>::min())},
      {"<integer>-9223372036854775809</integer>", unreadable},
      {"<integer>9223372036854775807</integer>", PlistObject(std::numeric_limits<std::int64_t>::max())},
      {"<integer>18446744073709551615</integer>", wide(18446744073709551615ull)},
      {"<integer>18446744073709551616</integer>", unreadable},
      {"<integer></integer>", unreadable},
      {"<integer/>", unreadable},
      {"<integer>12abc</integer>", unreadable},
      {"<integer>1.5</integer>", unreadable},
      {"<integer>1e3</integer>", unreadable},
      {"<integer>--1</integer>", unreadable},
      {"<integer>+7</integer>", PlistObject(7)},
      {"<integer>-0</integer>", PlistObject(0)},
      {"<integer>010</integer>", PlistObject(10)},
      {"<integer>\n\t42\n</integer>", PlistObject(42)},
      {"<integer>0x1F</integer>", PlistObject(31)},
      {"<integer>0XffffFFFFffffFFFF</integer>", wide(18446744073709551615ull)},
      {"<integer>0x10000000000000000</integer>", unreadable},
      {"<integer>0x</integer>", unreadable},
      {"<integer>-0x1</integer>", unreadable},
      // reals: decimal or exponent form, or the spellings of not-a-number and the infinities
      {"<real>1.5</real>", PlistObject(1.5)},
      {"<real>1,5</real>", unreadable},
      {"<real>1e3</real>", PlistObject(1000.0)},
      {"<real>-2.5E-3</real>", PlistObject(-0.0025)},
      {"<real>3</real>", PlistObject(3.0)},
      {"<real>.5</real>", PlistObject(0.5)},
      {"<real>1.</real>", PlistObject(1.0)},
      {"<real> 0.25 </real>", PlistObject(0.25)},
      {"<real>+infinity</real>", PlistObject(HUGE_VAL)},
      {"<real>-infinity</real>", PlistObject(-HUGE_VAL)},
      {"<real>-INF</real>", PlistObject(-HUGE_VAL)},
      {"<real>1e400</real>", PlistObject(HUGE_VAL)},
      {"<real>-1e-400</real>", PlistObject(-0.0)},
      {"<real></real>", unreadable},
      {"<real>.</real>", unreadable},
      {"<real>1e</real>", unreadable},
      {"<real>1.2.3</real>", unreadable},
      {"<real>0x1p3</real>", unreadable},
      {"<real>1_000</real>", unreadable},
      // dates: YYYY-MM-DDTHH:MM:SSZ, a real day and time
      {"<date>2024-02-29T12:00:00Z</date>", date(730900800)},
      {"<date>0001-01-01T00:00:00Z</date>", date(-63113904000)},
      {"<date>9999-12-31T23:59:59Z</date>", date(252423993599)},
      {"<date></date>", unreadable},
      {"<date>2021-02-30T00:00:00Z</date>", unreadable},
      {"<date>2023-02-29T00:00:00Z</date>", unreadable},
      {"<date>0000-01-01T00:00:00Z</date>", unreadable},
      {"<date>2021-01-01T24:00:00Z</date>", unreadable},
      {"<date>2021-01-01T23:60:00Z</date>", unreadable},
      {"<date>2016-12-31T23:59:60Z</date>", unreadable},
      {"<date>2021-01-01T00:00:00+02:00</date>", unreadable},
      {"<date>2021-01-01T00:00:00</date>", unreadable},
      {"<date>2021-01-01T00:00:00.5Z</date>", unreadable},
      {"<date> 2021-01-01T00:00:00Z</date>", unreadable},
      {"<date>2021-03-04Z</date>", date(636508800)},
      {"<date>2021-03-04T05Z</date>", date(636526800)},
      {"<date>2021-03-04T05:06Z</date>", date(636527160)},
      {"<date>0001-01-01Z</date>", date(-63113904000)},
      {"<date>2021-03Z</date>", unreadable},
      {"<date>2021-03-04T5Z</date>", unreadable},
      {"<date>2021-03-04TZ</date>", unreadable},
      // data: base64, white space anywhere, padding only at the end
      {"<data>AAEC</data>", bytes({0, 1, 2})},
      {"<data>AA==</data>", bytes({0})},
      {"<data>\n\tAAEC\n\t/w==\n\t</data>", bytes({0, 1, 2, 255})},
      {"<data></data>", bytes({})},
      {"<data/>", bytes({})},
      {"<data>AAE</data>", unreadable},
      {"<data>A===</data>", unreadable},
      {"<data>AA==AAEC</data>", unreadable},
      {"<data>AA!C</data>", unreadable},
      // dictionaries: every key has its value; the empty key; the last of repeated keys
      {"<dict><key>a</key></dict>", unreadable},
      {"<dict><key>a</key><true/><key>b</key></dict>", unreadable},
      {"<dict><true/></dict>", unreadable},
      {"<dict><key>a</key><true/><false/></dict>", unreadable},
      {"<dict><key>a</key><true/>stray</dict>", unreadable},
      {"<dict>\n\t<key/>\n\t<true/>\n</dict>", PlistObject(PlistDictionary{{"", PlistObject(true)}})},
      {"<dict><key>a</key><integer>1</integer><key>a</key><integer>2</integer></dict>",
       PlistObject(PlistDictionary{{"a", PlistObject(2)}})},
      {"<dict><key>b</key><true/><key>a</key><false/></dict>",
       PlistObject(PlistDictionary{{"a", PlistObject(false)}, {"b", PlistObject(true)}})},
      {"<dict><key>CF$UID</key><integer>3</integer></dict>", PlistObject(PlistDictionary{{"CF$UID", PlistObject(3)}})},
      {"<dict/>", PlistObject(PlistDictionary{})},
      {"<array>stray<true/></array>", unreadable},
      {"<array/>", PlistObject(PlistArray{})},
      {"<true></true>", PlistObject(true)},
      {"<false > <!-- no --> </false >", PlistObject(false)},
      {"<true>x</true>", unreadable},
      {"<null/>", unreadable},
      {"<key>a</key>", unreadable},
      // text: entities, references, CDATA, comments, line ends as XML has them
      {"<string>a &amp; b &lt;&gt;&quot;&apos;</string>", PlistObject("a & b <>\"'")},
      {"<string>&#65;&#x42;&#x1F600;</string>", PlistObject("AB\xF0\x9F\x98\x80")},
      {"<string><![CDATA[<not> &markup;]]></string>", PlistObject("<not> &markup;")},
      {"<string>a<!-- note -->b<?pi x?>c</string>", PlistObject("abc")},
      {"<string>l1\r\nl2\rl3\n</string>", PlistObject("l1\nl2\nl3\n")},
      {"<string>cr&#13;kept</string>", PlistObject("cr\rkept")},
      {"<string a=\"1\" b='&amp;'>x</string>", PlistObject("x")},
      {"<string/>", PlistObject("")},
      {"<string>caf\xC3\xA9 \xE2\x98\xBE</string>", PlistObject("caf\xC3\xA9 \xE2\x98\xBE")},
      {"<string>a\x01z</string>", unreadable},
      {"<string>a&#1;z</string>", unreadable},
      {"<string>a&#xFFFE;z</string>", unreadable},
      {"<string>a\xEF\xBF\xBFz</string>", unreadable},
      {"<string>a&#xD800;z</string>", unreadable},
      {"<string>caf\xE9</string>", unreadable},
      {"<string>a &amp b</string>", unreadable},
      {"<string>a & b</string>", unreadable},
      {"<string>a<b/>c</string>", unreadable},
      {"<string>a<!-- x -- y -->b</string>", unreadable},
      {"<string a=1>x</string>", unreadable},
      {"<string a=\"1\" a='2'>x</string>", unreadable},
      {"<string>a]]>b</string>", unreadable},
      {"<string>a]]&gt;b]></string>", PlistObject("a]]>b]>")},
      {"<string>x", unreadable},
      // the document: one root, nothing after </plist> but white space, comments and instructions
      {document("<true/>") + "<!-- after -->\n<?pi after?>\n", PlistObject(true), true},
      {document("<true/>") + "x", unreadable, true},
      {document("<true/>") + "<plist><true/></plist>", unreadable, true},
      {document("<true/><true/>"), unreadable, true},
      {document(""), unreadable, true},
      {"<plist version=\"1.0\"><true/></plist>", PlistObject(true), true},
      {"<?xml version=\"1.0\"?>\n<!-- a list --><plist><true/></plist>", PlistObject(true), true},
      {"<true/>", unreadable, true},
      {"<?xml version=\"1.0\"?><plist/>", unreadable, true},
      {" <?xml version=\"1.0\"?><plist><true/></plist>", unreadable, true},
      {"<?xml encoding=\"UTF-8\"?><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\"?><!DOCTYPE plist [<!ELEMENT plist ANY>]><plist><true/></plist>", PlistObject(true), true},
      {"<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY e \"x\">]><plist><string>&e;</string></plist>", unreadable,
       true},
      {"<?xml version=\"1.0\"?><!DOCTYPE plist[<!--c--><?p?> %p; <!ATTLIST plist v CDATA '>'>]><plist><true/></plist>",
       PlistObject(true), true},
      {"<?xml version=\"1.0\"?><!DOCTYPE plist [ body ]><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\"?><!DOCTYPE plist body><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\"?><!DOCTYPE plist PUBLIC \"a{b\" \"x\"><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\"?><!DOCTYPE plist [<!ELEMENT plist body>]><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\"?><!DOCTYPE p [<!ELEMENT p (a|(b,c?)*)+><!ELEMENT s (#PCDATA|b)*><!NOTATION n PUBLIC "
       "'x'><!ATTLIST p t (a|b) #IMPLIED u NOTATION (n) #FIXED 'n'>]><plist><true/></plist>", PlistObject(true), true},
      {"<?xml version=\"1.0\"?><!DOCTYPE p [<!ELEMENT s (#PCDATA|b)*?>]><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\"?><!DOCTYPE p [<!ATTLIST p u NOTATION n 'x'>]><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\"?><!DOCTYPE p [<!ELEMENT p (a|b,c)>]><plist><true/></plist>", unreadable, true},
      // encodings: a byte-order mark, and 8-bit encodings named by the declaration
      {"\xEF\xBB\xBF" + document("<string>caf\xC3\xA9</string>"), PlistObject("caf\xC3\xA9"), true},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><plist><string>caf\xE9</string></plist>",
       PlistObject("caf\xC3\xA9"), true},
      {"<?xml version='1.0' encoding='windows-1252'?><plist><string>\x80 5</string></plist>",
       PlistObject("\xE2\x82\xAC 5"), true},
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><plist><string>\x81</string></plist>", unreadable, true},
      {"<?xml version=\"1.0\" encoding=\"US-ASCII\"?><plist><string>caf\xE9</string></plist>", unreadable, true},
      {"<?xml version=\"1.0\" encoding=\"x-no-such-encoding\"?><plist><true/></plist>", unreadable, true},
      {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><true/></plist>", unreadable, true},
      {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><plist><true/></plist>", unreadable, true},
      {utf16("<plist><true/></plist>", false), PlistObject(true), true},
      {utf16("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist><true/></plist>", true), unreadable, true},
      {"\xFE\xFF\xD8\x00"s, unreadable, true},  // an unpaired surrogate
      {"\xEF\xBB\xBF"s, unreadable, true},
  };
}

// The value inside `levels` dictionaries and arrays taken in turn, as text and as an object.
std::string nestedBody(const std::string& body, int levels) {
  std::string text;
  for (int i = levels - 1; i >= 0; --i) text += i % 2 == 0 ? "<array><true/>" : "<dict><key>k</key>";
  text += body;
  for (int i = 0; i < levels; ++i) text += i % 2 == 0 ? "</array>" : "</dict>";
  return text;
}
PlistObject nestedObject(PlistObject object, int levels) {
  for (int i = 0; i < levels; ++i) {
    if (i % 2 == 0) {
      PlistArray array;
      array.push_back(PlistObject(true));
      array.push_back(std::move(object));
      object = PlistObject(std::move(array));
    } else {
      PlistDictionary dictionary;
      dictionary.emplace("k", std::move(object));
      object = PlistObject(std::move(dictionary));
    }
  }
  return object;
}

// Equality that counts not-a-number as equal to itself, as a stored value is.
bool sameValue(const std::optional<PlistObject>& a, const std::optional<PlistObject>& b) {
  if (!a || !b) return !a && !b;
  return binaryPropertyList(*a) == binaryPropertyList(*b);
}

std::string shown(const std::optional<PlistObject>& object) {
  if (!object) return "unreadable";
  try {
    return xmlPropertyList(*object);
  } catch (const PlistEncodingError&) {
    return "(a value XML cannot show)";
  }
}

}  // namespace

TEST(XmlPropertyListReader, ReadsExactlyWhatTheMacReadsWhateverTheEncodingOrDepth) {
  for (const auto& c : cases()) {
    const std::string bytes = c.whole ? c.body : document(c.body);
    EXPECT_TRUE(sameValue(parsePropertyList(bytes), c.expected)) << bytes << "\ngave " << shown(parsePropertyList(bytes));
    if (c.whole) continue;

    std::string declaredUtf16 = bytes;
    declaredUtf16.replace(declaredUtf16.find("UTF-8"), 5, "UTF-16");
    for (const bool bigEndian : {false, true}) {
      const std::string encoded = utf16(declaredUtf16, bigEndian);
      if (encoded.empty()) continue;  // the case's own bytes are not UTF-8
      EXPECT_TRUE(sameValue(parsePropertyList(encoded), c.expected)) << (bigEndian ? "UTF-16BE " : "UTF-16LE ") << bytes;
    }

    // Deep inside containers, a malformed value still costs the whole document.
    for (const int levels : {3, 500}) {
      const auto nested = parsePropertyList(document(nestedBody(c.body, levels)));
      const auto expected = c.expected ? std::optional(nestedObject(*c.expected, levels)) : std::nullopt;
      EXPECT_TRUE(sameValue(nested, expected)) << levels << " levels around " << c.body;
    }
  }
  // Containers deeper than the limit are refused.
  EXPECT_FALSE(parsePropertyList(document(nestedBody("<true/>", kMaxPropertyListDepth))).has_value());
}

TEST(XmlPropertyListReader, AFileHoldingAMalformedValueIsLeftAsItIsAndItsWritesRefused) {
  const PreferenceFiles files(test::home(), "HOST-UUID");
  int n = 0;
  for (const auto& c : cases()) {
    if (c.whole) continue;
    const std::string domain = "com.example.case" + std::to_string(n++);
    const std::string path = test::preferencesFile(domain);
    const std::string bytes = document("<dict><key>Kept</key><integer>-5</integer><key>Case</key>" + c.body + "</dict>");
    test::writeFile(path, bytes);
    const auto read = files.readDomain(domain, false);
    const auto written = test::runDefaults({"write", domain, "Other", "-int", "1"});
    if (c.expected) {
      ASSERT_TRUE(read.has_value()) << c.body;
      EXPECT_TRUE(sameValue(read->at("Case"), c.expected)) << c.body;
      EXPECT_EQ(written.exitStatus, 0) << c.body << ": " << written.standardError;
      const auto after = files.readDomain(domain, false);
      ASSERT_TRUE(after.has_value()) << c.body;
      EXPECT_TRUE(sameValue(after->at("Case"), c.expected)) << c.body;
      EXPECT_EQ(after->at("Kept"), PlistObject(-5)) << c.body;
    } else {
      EXPECT_FALSE(read.has_value()) << c.body;
      EXPECT_EQ(written.exitStatus, 1) << c.body;
      EXPECT_EQ(test::runDefaults({"export", domain, "-"}).exitStatus, 1) << c.body;
      EXPECT_EQ(test::readFile(path), bytes) << c.body;
    }
  }
}

TEST(XmlPropertyListReader, SixteenMebibytesReadWholeOrNotAtAll) {
  const std::string text(500, 'x');
  std::string bytes = kHead;
  bytes.reserve(17u << 20);
  bytes += "<dict>\n";
  for (int i = 0; bytes.size() < (16u << 20) - 200; ++i) {
    bytes.append("\t<key>key").append(std::to_string(i)).append("</key>\n\t<array><integer>");
    bytes.append(std::to_string(-i)).append("</integer><real>0.5</real><date>2024-02-29T12:00:00Z</date>");
    bytes.append("<data>AAEC</data><string>").append(text).append("&amp;</string></array>\n");
  }
  const std::size_t members = bytes.size();
  bytes += "</dict>\n</plist>\n";
  const auto read = parsePropertyList(bytes);
  ASSERT_TRUE(read.has_value());
  EXPECT_GT(read->as<PlistDictionary>().size(), 25000u);
  // One bad value at the very end refuses it all.
  bytes.resize(members);
  bytes += "<key>last</key><integer>1.5</integer></dict>\n</plist>\n";
  EXPECT_FALSE(parsePropertyList(bytes).has_value());
}

TEST(XmlPropertyListReader, AFileThatBecomesValidIsReadAsSoonAsItIs) {
  // The cache keeps what a file gave, even "unreadable", only while the file is unchanged.
  const PreferenceFiles files =
      PreferenceFiles(test::home(), "HOST-UUID").withCache(std::make_shared<PreferenceFileCache>());
  const std::string path = test::preferencesFile("com.example.mended");
  const auto withValue = [](const char* value) { return document("<dict><key>n</key><integer>" + std::string(value) + "</integer></dict>"); };
  test::writeFile(path, withValue("12abc"));
  EXPECT_FALSE(files.readDomain("com.example.mended", false).has_value());
  EXPECT_FALSE(files.readDomain("com.example.mended", false).has_value());
  test::writeFile(path, withValue("12345"));  // in place, the same size
  const auto mended = files.readDomain("com.example.mended", false);
  ASSERT_TRUE(mended.has_value());
  EXPECT_EQ(mended->at("n"), PlistObject(12345));
  files.setValue("m", PlistObject(1), "com.example.mended", false);
  EXPECT_EQ(files.readDomain("com.example.mended", false)->at("n"), PlistObject(12345));
}

TEST(XmlPropertyListReader, TextsFullOfReferencesReadInTimeProportionalToTheirLength) {
  // Four mebibytes of one shape each; looking ahead to the end tag once per reference would take
  // minutes. A plain text of the same length is the yardstick.
  for (const auto& [unit, decoded] : {std::pair{"&amp;&lt;"s, "&<"s}, {"&#x41;&#66;"s, "AB"s}, {"<![CDATA[&]]><!---->&quot;"s, "&\""s}}) {
    std::string body, expected;
    while (body.size() < (4u << 20)) body += unit, expected += decoded;
    const auto start = std::chrono::steady_clock::now();
    const auto read = parsePropertyList(document("<string>" + body + "</string>"));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(parsePropertyList(document("<string>" + std::string(body.size(), 'x') + "</string>")).has_value());
    EXPECT_EQ(read, PlistObject(expected)) << unit;
    EXPECT_LT(took, 20 * (std::chrono::steady_clock::now() - start - took) + std::chrono::seconds(2)) << unit;
  }
}
