#include "Preferences/UserDefaults.hpp"

#include <gtest/gtest.h>

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

TEST(UserDefaults, ValuesOfAnotherKindReadAsNone) {
  auto defaults = StoreUserDefaults::standard();
  defaults->setString("yes", "flag");
  defaults->set(PreferenceValue::array({PreferenceValue::string("a"), PreferenceValue::integer(1)}), "ids");
  EXPECT_FALSE(defaults->boolValue("flag"));
  EXPECT_FALSE(defaults->integerValue("flag"));
  EXPECT_FALSE(defaults->stringArray("flag"));
  EXPECT_FALSE(defaults->stringArray("ids"));
  EXPECT_FALSE(defaults->stringValue("missing"));
}

}  // namespace
}  // namespace amberloom
