#include "Preferences/UserDefaults.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Preferences/CFPreferenceStore.hpp"
#include "TestHome.hpp"

namespace amberloom {
namespace {

TEST(UserDefaults, LivePreferencesLandInTheApplicationDomainAndReadBackOutside) {
  auto defaults = StoreUserDefaults::standard();
  defaults->setBool(true, "hasCompletedFirstRun");
  defaults->setInteger(42, "sync.serverRevision");
  defaults->setStringArray({"b", "a"}, "pinnedSettingIDs");

  auto exported = testing::runDefaults({"read", "tv.winterbrae.amberloom", "sync.serverRevision"});
  EXPECT_EQ(exported.exitStatus, 0);
  EXPECT_EQ(exported.standardOutput, "42\n");
  EXPECT_EQ(defaults->boolValue("hasCompletedFirstRun"), true);
  EXPECT_EQ(defaults->stringArray("pinnedSettingIDs"), (std::vector<std::string>{"b", "a"}));

  defaults->remove("sync.serverRevision");
  EXPECT_FALSE(defaults->value("sync.serverRevision"));
}

// Other programs store these keys with `defaults write ... -int 1` or as text; they read as the
// platform's own typed reads give them.
TEST(UserDefaults, TypedReadsConvertAsThePlatformDoes) {
  using V = PreferenceValue;
  const struct {
    V stored;
    std::optional<bool> asBool;
    std::optional<std::int64_t> asInteger;
  } cases[] = {
      {V::integer(1), true, 1},
      {V::integer(0), false, 0},
      {V::integer(-3), true, -3},
      {V::real(7.9), true, 7},
      {V::real(-0.5), true, 0},
      {V::real(0), false, 0},
      {V::real(1e300), true, std::nullopt},
      {V::boolean(true), true, 1},
      {V::boolean(false), false, 0},
      {V::string("YES"), true, std::nullopt},
      {V::string("true"), true, std::nullopt},
      {V::string("No"), false, std::nullopt},
      {V::string("FALSE"), false, std::nullopt},
      {V::string("7"), true, 7},
      {V::string(" -12abc"), true, -12},
      {V::string("0"), false, 0},
      {V::string("maybe"), false, std::nullopt},
      {V::string("99999999999999999999"), false, std::nullopt},
      {V::data({1}), std::nullopt, std::nullopt},
      {V::array({V::integer(1)}), std::nullopt, std::nullopt},
  };
  auto defaults = StoreUserDefaults::standard();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.toJson().dump());
    defaults->set(c.stored, "key");
    EXPECT_EQ(defaults->boolValue("key"), c.asBool);
    EXPECT_EQ(defaults->integerValue("key"), c.asInteger);
  }
  EXPECT_FALSE(defaults->boolValue("missing"));
  EXPECT_FALSE(defaults->stringValue("missing"));
}

TEST(UserDefaults, StringListsAreStrictUnlessOnlyTheirStringsAreAsked) {
  auto defaults = StoreUserDefaults::standard();
  defaults->set(PreferenceValue::array({PreferenceValue::string("b"), PreferenceValue::integer(1),
                                        PreferenceValue::string("a")}),
                "ids");
  defaults->setString("yes", "flag");
  EXPECT_FALSE(defaults->stringArray("ids"));
  EXPECT_EQ(defaults->stringsOfArray("ids"), (std::vector<std::string>{"b", "a"}));
  EXPECT_FALSE(defaults->stringArray("flag"));
  EXPECT_FALSE(defaults->stringsOfArray("flag"));
  EXPECT_FALSE(defaults->integerValue("flag"));
}

// A write of the value a key already holds leaves the file as it is (an atomic write would put a
// new file in its place); any other value, or the same one of another kind, is written.
TEST(UserDefaults, StoringTheValueAlreadyThereLeavesTheFileAlone) {
  using V = PreferenceValue;
  const struct {
    const char* name;
    std::optional<V> stored;
    std::optional<V> written;
    bool rewritten;
  } cases[] = {
      {"the same Boolean", V::boolean(false), V::boolean(false), false},
      {"the same list", V::array({V::string("a")}), V::array({V::string("a")}), false},
      {"removing what is not there", std::nullopt, std::nullopt, false},
      {"another value", V::boolean(false), V::boolean(true), true},
      {"the same number as another kind", V::integer(1), V::boolean(true), true},
      {"a new key", std::nullopt, V::string(""), true},
      {"removing a key", V::string("x"), std::nullopt, true},
  };
  const std::string own = testing::preferencesFile("tv.winterbrae.amberloom");
  const auto fileIdentity = [&own] {
    struct stat status {};
    return ::stat(own.c_str(), &status) == 0 ? status.st_ino : 0;
  };
  auto defaults = StoreUserDefaults::standard();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    defaults->setString("kept", "other");  // the file exists whatever the case stores
    defaults->set(c.stored, "key");
    const auto before = fileIdentity();
    defaults->set(c.written, "key");
    EXPECT_EQ(fileIdentity() != before, c.rewritten);
    EXPECT_EQ(defaults->value("key"), c.written);
  }
}

// The application's own file never locks the user out: a write over an unreadable one keeps the
// bad file aside (a second time under another name) and starts afresh. Other domains' files are
// the user's and stay refused.
TEST(UserDefaults, AnUnreadableApplicationFileIsKeptAsideAndStartedAfresh) {
  const std::string bad = "bplist00 torn";
  const std::string own = testing::preferencesFile("tv.winterbrae.amberloom");
  auto defaults = StoreUserDefaults::standard();
  for (int round = 1; round <= 2; ++round) {
    testing::writeFile(own, bad);
    EXPECT_FALSE(defaults->boolValue("hasCompletedFirstRun"));
    defaults->setString("ada@example.com", "account.email");
    EXPECT_EQ(defaults->stringValue("account.email"), "ada@example.com");
    const auto files = testing::filesBelow(testing::home() + "/Library/Preferences");
    ASSERT_EQ(files.size(), static_cast<std::size_t>(round + 1));
    for (const auto& name : files) {
      if (name == "tv.winterbrae.amberloom.plist") continue;
      EXPECT_TRUE(name.starts_with("tv.winterbrae.amberloom.corrupt-") && name.ends_with(".plist")) << name;
      EXPECT_EQ(testing::readFile(testing::home() + "/Library/Preferences/" + name), bad);
    }
  }

  const std::string other = testing::preferencesFile("com.example.other");
  testing::writeFile(other, bad);
  CFPreferenceStore store;
  EXPECT_THROW(store.write(PreferenceValue::integer(1), "k", ResolvedDomain{"com.example.other", HostScope::anyHost}),
               platform::PreferenceFileError);
  EXPECT_EQ(testing::readFile(other), bad);
}

}  // namespace
}  // namespace amberloom
