// Preference files are shared with other programs: what the store writes, Python's plistlib reads
// as written, and what plistlib writes (binary or XML), the store reads as written.

#include <gtest/gtest.h>

#include <limits>

#include "Support/Iso8601.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "TestHome.hpp"

using namespace amberloom::platform;
namespace test = amberloom::testing;

namespace {

#define REQUIRE_PYTHON() \
  if (!test::python3()) GTEST_SKIP() << "python3 is not installed"

// Prints a plist file as typed text: one spelling per kind, dictionary keys sorted.
constexpr const char* kDescribe = R"(
import datetime, plistlib, sys
def d(v):
    if isinstance(v, bool): return 'bool:%s' % v
    if isinstance(v, int): return 'int:%d' % v
    if isinstance(v, float): return 'real:%r' % v
    if isinstance(v, str): return 'str:%s' % ascii(v)
    if isinstance(v, bytes): return 'data:%s' % v.hex()
    if isinstance(v, datetime.datetime): return 'date:%s' % v.isoformat()
    if isinstance(v, plistlib.UID): return 'uid:%d' % v.data
    if isinstance(v, dict): return '{%s}' % ','.join('%s=%s' % (k, d(v[k])) for k in sorted(v))
    if isinstance(v, list): return '[%s]' % ','.join(d(x) for x in v)
    return 'other:%r' % (v,)
print(d(plistlib.load(open(sys.argv[1], 'rb'))))
)";

// Writes a plist file with plistlib: argv[1] the path, argv[2] "binary" or "xml".
constexpr const char* kWrite = R"(
import datetime, os, plistlib, sys
os.makedirs(os.path.dirname(sys.argv[1]), exist_ok=True)
value = {
    'yes': True, 'no': False, 'neg': -7, 'min': -2**63, 'max': 2**63 - 1,
    'one': 1.0, 'third': 1 / 3, 'text': 'caf\u00e9 \u263e <&> "q"', 'empty': '',
    'data': b'\x00\xff\x10', 'nested': {'inner': {'list': [1, 'two', 2.5]}}, 'none': [], 'blank': {},
    'date': datetime.datetime(2024, 3, 5, 14, 7, 9, 250000 if sys.argv[2] == 'binary' else 0),
}
fmt = plistlib.FMT_BINARY if sys.argv[2] == 'binary' else plistlib.FMT_XML
plistlib.dump(value, open(sys.argv[1], 'wb'), fmt=fmt)
)";

PlistObject at(const char* iso) { return PlistObject(PlistDate{*amberloom::iso8601::parse(iso)}); }

}  // namespace

TEST(PlistInterop, PlistlibReadsWhatTheStoreWrites) {
  REQUIRE_PYTHON();
  const PreferenceFiles files = PreferenceFiles::live();
  const std::pair<const char*, PlistObject> values[] = {
      {"bool", PlistObject(true)},
      {"int", PlistObject(std::int64_t{-9007199254740993})},
      {"min", PlistObject(std::numeric_limits<std::int64_t>::min())},
      {"max", PlistObject(std::numeric_limits<std::int64_t>::max())},
      {"real", PlistObject(1.0)},
      {"tenth", PlistObject(0.1)},
      {"text", PlistObject("caf\xC3\xA9 <&> \"q\" /")},
      {"empty", PlistObject("")},
      {"data", PlistObject(PlistData{0x00, 0xff, 0x10})},
      {"date", at("2024-03-05T14:07:09.250Z")},
      {"old", at("1969-07-20T20:17:40Z")},
      {"dict", PlistObject(PlistDictionary{{"inner", PlistObject(PlistDictionary{{"deep", PlistObject(1.0)}})}})},
      {"array", PlistObject(PlistArray{PlistObject("a"), PlistObject(false), PlistObject(-1)})},
  };
  for (const auto& [key, value] : values) files.setValue(key, value, "com.example.interop", false);

  EXPECT_EQ(test::runPython(kDescribe, {test::preferencesFile("com.example.interop")}),
            "{array=[str:'a',bool:False,int:-1],bool=bool:True,data=data:00ff10,"
            "date=date:2024-03-05T14:07:09.250000,dict={inner={deep=real:1.0}},empty=str:'',"
            "int=int:-9007199254740993,max=int:9223372036854775807,min=int:-9223372036854775808,"
            "old=date:1969-07-20T20:17:40,real=real:1.0,tenth=real:0.1,text=str:'caf\\xe9 <&> \"q\" /'}\n");
}

TEST(PlistInterop, StoreReadsWhatPlistlibWrites) {
  REQUIRE_PYTHON();
  const PlistDictionary common{
      {"yes", PlistObject(true)},
      {"no", PlistObject(false)},
      {"neg", PlistObject(-7)},
      {"min", PlistObject(std::numeric_limits<std::int64_t>::min())},
      {"max", PlistObject(std::numeric_limits<std::int64_t>::max())},
      {"one", PlistObject(1.0)},
      {"third", PlistObject(1.0 / 3.0)},
      {"text", PlistObject("caf\xC3\xA9 \xE2\x98\xBE <&> \"q\"")},
      {"empty", PlistObject("")},
      {"data", PlistObject(PlistData{0x00, 0xff, 0x10})},
      {"nested", PlistObject(PlistDictionary{
                     {"inner", PlistObject(PlistDictionary{
                                   {"list", PlistObject(PlistArray{PlistObject(1), PlistObject("two"), PlistObject(2.5)})}})}})},
      {"none", PlistObject(PlistArray{})},
      {"blank", PlistObject(PlistDictionary{})},
  };
  for (const char* format : {"binary", "xml"}) {
    const std::string domain = std::string("com.example.from-") + format;
    test::runPython(kWrite, {test::preferencesFile(domain), format});
    PlistDictionary expected = common;
    expected["date"] = std::string(format) == "binary" ? at("2024-03-05T14:07:09.250Z") : at("2024-03-05T14:07:09Z");
    const auto read = PreferenceFiles::live().readDomain(domain, false);
    ASSERT_TRUE(read.has_value()) << format;
    EXPECT_EQ(*read, expected) << format;
    EXPECT_TRUE(read->at("one").is<double>()) << format;
  }
}

TEST(PlistInterop, MembersTheStoreCannotRepresentSurviveItsWrites) {
  REQUIRE_PYTHON();
  const std::string path = test::preferencesFile("com.example.foreign");
  test::runPython("import os, plistlib, sys\n"
                     "os.makedirs(os.path.dirname(sys.argv[1]), exist_ok=True)\n"
                     "plistlib.dump({'ref': plistlib.UID(3), 'big': 2**63, 'top': 2**64 - 1, 'n': 1},"
                     " open(sys.argv[1], 'wb'), fmt=plistlib.FMT_BINARY)\n",
                     {path});
  const PreferenceFiles files = PreferenceFiles::live();
  const auto read = files.readDomain("com.example.foreign", false);
  ASSERT_TRUE(read.has_value());
  EXPECT_TRUE(read->at("ref").is<PlistOther>());
  EXPECT_TRUE(read->at("big").is<PlistOther>()) << "2^63 must not read as a negative number";
  EXPECT_TRUE(read->at("top").is<PlistOther>());
  EXPECT_EQ(read->at("n"), PlistObject(1));

  files.setValue("added", PlistObject("x"), "com.example.foreign", false);
  EXPECT_EQ(test::runPython(kDescribe, {path}),
            "{added=str:'x',big=int:9223372036854775808,n=int:1,ref=uid:3,top=int:18446744073709551615}\n");
  const auto exported = test::runDefaults({"export", "com.example.foreign", "-"});
  EXPECT_NE(exported.standardOutput.find("<integer>9223372036854775808</integer>"), std::string::npos)
      << exported.standardOutput;
}
