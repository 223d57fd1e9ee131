#include <gtest/gtest.h>

#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/PreferenceWriter.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace test = amberloom::testing;
using V = PreferenceValue;
using Path = std::vector<std::string>;

namespace {

class PreferenceWriterTest : public ::testing::Test {
 protected:
  const ResolvedDomain domain{"com.example.writer", HostScope::anyHost};
  const std::string file = test::preferencesFile("com.example.writer");
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  PreferenceWriter writer{store};

  // The key as the file on disk holds it.
  std::optional<V> onDisk(const std::string& key) const {
    const auto object = test::readPlistFile(file);
    if (!object || !object->is<platform::PlistDictionary>()) return std::nullopt;
    const auto& members = object->as<platform::PlistDictionary>();
    const auto found = members.find(key);
    if (found == members.end()) return std::nullopt;
    return V::fromPropertyList(found->second);
  }
};

V dict(V::Dictionary members) { return V::dictionary(std::move(members)); }

}  // namespace

TEST_F(PreferenceWriterTest, OneElementPathIsAPlainWrite) {
  writer.write(V::real(1.0), Path{"a"}, domain);
  EXPECT_EQ(onDisk("a"), V::real(1.0));
  writer.write(V::string("x"), "b", domain);
  EXPECT_EQ(onDisk("b"), V::string("x"));
}

TEST_F(PreferenceWriterTest, MissingIntermediatesAreCreated) {
  writer.write(V::boolean(true), Path{"a", "b", "c"}, domain);
  EXPECT_EQ(onDisk("a"), dict({{"b", dict({{"c", V::boolean(true)}})}}));
}

TEST_F(PreferenceWriterTest, SiblingsOnTheWayDownAreKept) {
  store->write(dict({{"b", V::integer(1)}, {"d", V::string("keep")}, {"n", dict({{"x", V::integer(1)}})}}), "a", domain);
  store->write(V::integer(9), "other", domain);
  writer.write(V::integer(2), Path{"a", "b"}, domain);
  writer.write(V::integer(3), Path{"a", "n", "y"}, domain);
  EXPECT_EQ(onDisk("a"), dict({{"b", V::integer(2)},
                               {"d", V::string("keep")},
                               {"n", dict({{"x", V::integer(1)}, {"y", V::integer(3)}})}}));
  EXPECT_EQ(onDisk("other"), V::integer(9));
}

TEST_F(PreferenceWriterTest, DictionaryValueReplacesTheOldOneWhole) {
  store->write(dict({{"b", dict({{"old", V::integer(1)}, {"kept?", V::integer(2)}})}}), "a", domain);
  writer.write(dict({{"new", V::integer(3)}}), Path{"a", "b"}, domain);
  EXPECT_EQ(onDisk("a"), dict({{"b", dict({{"new", V::integer(3)}})}}));
}

TEST_F(PreferenceWriterTest, BlockedPathIsRefusedAndNothingIsWritten) {
  EXPECT_THROW(writer.write(V::integer(1), Path{}, domain), PreferenceWriteError);
  EXPECT_FALSE(test::fileExists(file));
  store->write(V::integer(5), "a", domain);
  store->write(dict({{"b", V::string("text")}}), "s", domain);
  const std::string before = test::readFile(file);
  struct Case {
    std::vector<std::string> path;
    PreferenceWriteError::Case errorCase;
    const char* description;
  };
  const Case cases[] = {
      {{"a", "b"}, PreferenceWriteError::Case::pathBlockedByNonDictionary, R"(pathBlockedByNonDictionary(path: ["a"]))"},
      {{"s", "b", "c"}, PreferenceWriteError::Case::pathBlockedByNonDictionary,
       R"(pathBlockedByNonDictionary(path: ["s", "b"]))"},
      {{}, PreferenceWriteError::Case::emptyPath, "emptyPath"},
      // Deeper than any preference file nests: refused before the merge goes down that far.
      {Path(100000, "k"), PreferenceWriteError::Case::pathTooDeep, R"(pathTooDeep(path: ["k"]))"},
  };
  for (const auto& c : cases) {
    try {
      writer.write(V::integer(1), c.path, domain);
      ADD_FAILURE() << c.description << " was not refused";
    } catch (const PreferenceWriteError& error) {
      EXPECT_EQ(error.errorCase(), c.errorCase);
      EXPECT_EQ(error.description(), c.description);
    }
    EXPECT_EQ(test::readFile(file), before) << c.description;
  }
}

TEST_F(PreferenceWriterTest, WritingNoValueRemovesTheKey) {
  store->write(V::integer(1), "a", domain);
  store->write(V::integer(2), "b", domain);
  store->write(std::nullopt, "a", domain);
  EXPECT_FALSE(store->keyExists("a", domain));
  EXPECT_FALSE(store->read("a", domain).has_value());
  EXPECT_FALSE(onDisk("a").has_value());
  EXPECT_EQ(onDisk("b"), V::integer(2));

  const ResolvedDomain untouched{"com.example.untouched", HostScope::anyHost};
  store->write(std::nullopt, "a", untouched);  // removing from a domain without a file makes none
  EXPECT_FALSE(test::fileExists(test::preferencesFile("com.example.untouched")));
}

TEST_F(PreferenceWriterTest, RootThatCannotBeRepresentedIsNeverMergedInto) {
  if (!test::python3()) GTEST_SKIP() << "python3 is not installed";
  test::runPython(
      "import os, plistlib, sys\n"
      "os.makedirs(os.path.dirname(sys.argv[1]), exist_ok=True)\n"
      "plistlib.dump({'root': {'ref': plistlib.UID(3), 'n': 1}, 'other': 'x'}, open(sys.argv[1], 'wb'),"
      " fmt=plistlib.FMT_BINARY)\n",
      {file});
  const std::string before = test::readFile(file);
  EXPECT_FALSE(store->read("root", domain).has_value());
  EXPECT_TRUE(store->keyExists("root", domain));
  try {
    writer.write(V::integer(1), Path{"root", "n"}, domain);
    ADD_FAILURE() << "the write was not refused";
  } catch (const PreferenceWriteError& error) {
    EXPECT_EQ(error.errorCase(), PreferenceWriteError::Case::rootNotRepresentable);
    EXPECT_EQ(error.description(), R"(rootNotRepresentable(path: ["root"]))");
  }
  EXPECT_EQ(test::readFile(file), before);

  // A write of another key keeps the member it cannot represent as it was.
  writer.write(V::integer(2), Path{"added"}, domain);
  EXPECT_EQ(test::runPython("import plistlib, sys\n"
                               "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                               "print(repr(d['root']['ref']), d['root']['n'], d['other'], d['added'])\n",
                               {file}),
            "UID(3) 1 x 2\n");
}
