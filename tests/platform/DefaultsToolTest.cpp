// The `defaults` command as scripts and the application's read-back use it: a real child process
// in the temporary home.

#include <gtest/gtest.h>

#include <algorithm>

#include "Platform/MachineIdentity.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/TextEncoding.hpp"
#include "TestHome.hpp"

using namespace amberloom::platform;
namespace test = amberloom::testing;

namespace {

constexpr const char* kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

// Runs the command and expects it to succeed silently on standard error.
std::string ok(const std::vector<std::string>& arguments) {
  const auto result = test::runDefaults(arguments);
  EXPECT_EQ(result.exitStatus, 0) << arguments[0] << ": " << result.standardError;
  EXPECT_EQ(result.standardError, "") << arguments[0];
  return result.standardOutput;
}

}  // namespace

TEST(DefaultsTool, WritesReadsExportsAndDeletes) {
  ok({"write", "com.example.tool", "count", "-int", "-42"});
  ok({"write", "com.example.tool", "flag", "-bool", "YES"});
  ok({"write", "com.example.tool", "off", "-boolean", "0"});
  ok({"write", "com.example.tool", "scale", "-float", "2.5"});
  ok({"write", "com.example.tool", "whole", "-float", "1"});
  ok({"write", "com.example.tool", "name", "-string", "a&b <c>"});
  ok({"write", "com.example.tool", "big", "-integer", "+9223372036854775807"});

  EXPECT_EQ(ok({"read", "com.example.tool", "count"}), "-42\n");
  EXPECT_EQ(ok({"read", "com.example.tool", "flag"}), "1\n");
  EXPECT_EQ(ok({"read", "com.example.tool", "scale"}), "2.5\n");
  EXPECT_EQ(ok({"read", "com.example.tool", "name"}), "a&b <c>\n");
  EXPECT_EQ(ok({"export", "com.example.tool", "-"}), std::string(kHeader) +
                                                           "<dict>\n"
                                                           "\t<key>big</key>\n"
                                                           "\t<integer>9223372036854775807</integer>\n"
                                                           "\t<key>count</key>\n"
                                                           "\t<integer>-42</integer>\n"
                                                           "\t<key>flag</key>\n"
                                                           "\t<true/>\n"
                                                           "\t<key>name</key>\n"
                                                           "\t<string>a&amp;b &lt;c&gt;</string>\n"
                                                           "\t<key>off</key>\n"
                                                           "\t<false/>\n"
                                                           "\t<key>scale</key>\n"
                                                           "\t<real>2.5</real>\n"
                                                           "\t<key>whole</key>\n"
                                                           "\t<real>1</real>\n"
                                                           "</dict>\n"
                                                           "</plist>\n");
  const auto file = test::readPlistFile(test::preferencesFile("com.example.tool"));
  ASSERT_TRUE(file.has_value());
  EXPECT_TRUE(file->as<PlistDictionary>().at("whole").is<double>());

  ok({"delete", "com.example.tool", "count"});
  EXPECT_EQ(test::runDefaults({"read", "com.example.tool", "count"}).exitStatus, 1);
  EXPECT_EQ(ok({"read", "com.example.tool", "big"}), "9223372036854775807\n");
  ok({"delete", "com.example.tool"});
  EXPECT_FALSE(test::fileExists(test::preferencesFile("com.example.tool")));
}

TEST(DefaultsTool, ExportOfADomainWithoutAFileIsAnEmptyDictionary) {
  EXPECT_EQ(ok({"export", "com.example.never", "-"}), std::string(kHeader) + "<dict/>\n</plist>\n");
  EXPECT_EQ(ok({"-currentHost", "export", "NSGlobalDomain", "-"}), std::string(kHeader) + "<dict/>\n</plist>\n");
  EXPECT_EQ(test::filesBelow(test::home()), std::vector<std::string>{});
}

TEST(DefaultsTool, GlobalAndCurrentHostDomainsAreSeparateFiles) {
  ok({"write", "-g", "k", "-int", "1"});
  ok({"-currentHost", "write", "NSGlobalDomain", "k", "-int", "2"});
  ok({"-currentHost", "write", "com.example.host", "k", "-int", "3"});
  EXPECT_EQ(ok({"read", "NSGlobalDomain", "k"}), "1\n");
  EXPECT_EQ(ok({"read", "-globalDomain", "k"}), "1\n");
  EXPECT_EQ(ok({"-currentHost", "read", "-g", "k"}), "2\n");
  EXPECT_EQ(ok({"-currentHost", "read", "com.example.host", "k"}), "3\n");
  EXPECT_EQ(test::runDefaults({"read", "com.example.host", "k"}).exitStatus, 1);
  EXPECT_EQ(test::filesBelow(test::home() + "/Library/Preferences"),
            (std::vector<std::string>{".GlobalPreferences.plist", "ByHost/.GlobalPreferences." + hostUUID() + ".plist",
                                      "ByHost/com.example.host." + hostUUID() + ".plist"}));
}

TEST(DefaultsTool, ContainerPathWorksWithOrWithoutItsExtension) {
  const std::string container = test::makeContainer("com.example.box");
  ok({"write", container, "k", "-string", "boxed"});
  EXPECT_EQ(ok({"read", container + ".plist", "k"}), "boxed\n");
  EXPECT_NE(ok({"export", container, "-"}).find("<string>boxed</string>"), std::string::npos);
  EXPECT_TRUE(test::fileExists(container + ".plist"));
  EXPECT_FALSE(test::fileExists(test::preferencesFile("com.example.box")));
}

TEST(DefaultsTool, EveryMisuseFailsWithOneLineOnStandardError) {
  test::writeFile(test::preferencesFile("com.example.broken"), "garbage");
  const std::vector<std::vector<std::string>> misuses = {
      {},
      {"-currentHost"},
      {"frobnicate", "com.example.x"},
      {"write", "com.example.x", "k", "-date", "2024-01-01"},
      {"write", "com.example.x", "k", "-int", "12abc"},
      {"write", "com.example.x", "k", "-int", "1.5"},
      {"write", "com.example.x", "k", "-int", "99999999999999999999"},
      {"write", "com.example.x", "k", "-float", "nan"},
      {"write", "com.example.x", "k", "-int", "+-5"},
      {"write", "com.example.x", "k", "-float", "+-5"},
      {"delete", "com.example.x"},
      {"write", "com." + std::string(240, 'x'), "k", "-int", "1"},
      {"write", "com.example.x", "k", "-bool", "maybe"},
      {"write", "com.example.x", "k", "-int", "1", "extra"},
      {"write", "com.example.x", "k", "-int", "1\n2"},
      {"export", "com.example.x", test::home() + "/out.plist"},
      {"read", "com.example.x", "absent"},
      {"delete", "com.example.x", "absent"},
      {"read", "../escape"},
      {"write", "com/escape", "k", "-int", "1"},
      {"write", "bad\nname", "k", "-int", "1"},
      {"export", "/tmp/escape.plist", "-"},
      {"export", "com.example.broken", "-"},
      {"write", "com.example.broken", "k", "-int", "1"},
  };
  for (const auto& arguments : misuses) {
    std::string shown;
    for (const auto& a : arguments) shown += " [" + a + "]";
    const auto result = test::runDefaults(arguments);
    EXPECT_NE(result.exitStatus, 0) << shown;
    EXPECT_EQ(result.standardOutput, "") << shown;
    EXPECT_EQ(std::count(result.standardError.begin(), result.standardError.end(), '\n'), 1) << shown << ": "
                                                                                              << result.standardError;
    EXPECT_TRUE(result.standardError.ends_with("\n")) << shown;
  }
  EXPECT_EQ(test::filesBelow(test::home()), (std::vector<std::string>{"Library/Preferences/com.example.broken.plist"}));
  EXPECT_EQ(test::readFile(test::preferencesFile("com.example.broken")), "garbage");
  EXPECT_FALSE(test::fileExists("/tmp/escape.plist"));
}

TEST(DefaultsTool, ADomainXmlCannotCarryIsExportedWholeInTheBinaryForm) {
  // Dates beyond the year 9999 and text holding U+0000 or another character XML cannot carry, as
  // other programs may store them; every key must read back from outside as it is stored.
  using namespace std::string_literals;
  const PreferenceFiles files(test::home(), "HOST-UUID");
  files.setValue("nul", PlistObject("a\0b"s), "com.example.far", false);
  files.setValue("control", PlistObject("a\x01b"), "com.example.far", false);
  files.setValue("list", PlistObject(PlistArray{PlistObject("\x1B[0m")}), "com.example.far", false);
  files.setValue("escape\x1B", PlistObject(4), "com.example.far", false);
  files.setValue("a\0key"s, PlistObject(3), "com.example.far", false);
  files.setValue("far", PlistObject(PlistDate{252423993600.0}), "com.example.far", false);
  files.setValue("nested", PlistObject(PlistDictionary{{"when", PlistObject(PlistDate{-63113904001.0})},
                                                       {"kept", PlistObject(1)}}),
                 "com.example.far", false);
  files.setValue("plain", PlistObject(2), "com.example.far", false);
  const auto exported = parsePropertyList(ok({"export", "com.example.far", "-"}));
  ASSERT_TRUE(exported.has_value());
  EXPECT_EQ(*exported, PlistObject(*files.readDomain("com.example.far", false)));
  EXPECT_EQ(exported->as<PlistDictionary>().size(), 8u);
}

TEST(DefaultsTool, KeysAndTextsAreStoredByteExactOrRefused) {
  // Every byte first, in the middle and last, in a key and in a text: well-formed UTF-8 is stored
  // as given, anything else exits 1 and is stored nowhere, never under another key.
  const std::string domain = "com.example.bytes";
  PlistDictionary expected;
  for (int b = 1; b < 256; ++b) {
    const std::string c(1, static_cast<char>(b));
    for (const std::string& word : {c + "ab", "a" + c + "b", "ab" + c}) {
      const auto result = test::runDefaults({"write", domain, word, "-string", word});
      EXPECT_EQ(result.exitStatus, isValidUtf8(word) ? 0 : 1) << b << ": " << result.standardError;
      if (isValidUtf8(word)) expected[word] = PlistObject(word);
    }
  }
  EXPECT_EQ(test::readPlistFile(test::preferencesFile(domain)), PlistObject(expected));

  // A key kept raw from the file (an unpaired surrogate) is out of reach of every verb.
  const std::string raw = std::string(1, kRawKeyMarker) + "\xD8\x00";
  const std::string bytes = binaryPropertyList(PlistObject(PlistDictionary{
      {raw, PlistObject(1)}, {"", PlistObject(2)}, {"wide", PlistObject(PlistOther{"uint64", 18446744073709551615ull})},
      {"uid", PlistObject(PlistOther{"uid", 7})},
      {"set", PlistObject(PlistOther{"set", 0, binaryPropertyList(PlistObject(PlistArray{PlistObject(5)}))})}}));
  test::writeFile(test::preferencesFile("com.example.raw"), bytes);
  for (const auto& verb : {"read", "delete"}) EXPECT_EQ(test::runDefaults({verb, "com.example.raw", raw}).exitStatus, 1);
  EXPECT_EQ(test::runDefaults({"write", "com.example.raw", raw, "-int", "3"}).exitStatus, 1);
  EXPECT_EQ(test::readFile(test::preferencesFile("com.example.raw")), bytes);
  EXPECT_EQ(ok({"read", "com.example.raw", "wide"}), "18446744073709551615\n");
  EXPECT_EQ(ok({"read", "com.example.raw", "uid"}), "7\n");
  EXPECT_EQ(ok({"read", "com.example.raw", "set"}), "{(\n    5\n)}\n");
}
