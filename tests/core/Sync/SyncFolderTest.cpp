// The backup folder setting and the reporting consent, over the application's preferences.

#include <gtest/gtest.h>

#include "MemoryUserDefaults.hpp"
#include "Sync/ReportingPreference.hpp"
#include "Sync/SyncFolder.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

TEST(SyncFolder, ChoiceIsTrimmedOfSpacesAndTabsOnlyAndFallsBackToTheDefault) {
  const BackupLocator locator{"/Users/ada"};
  const std::string fallback = "/Users/ada/Library/Mobile Documents/com~apple~CloudDocs/AmberLoom";
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {std::nullopt, fallback}, {" \t /Volumes/B\t ", "/Volumes/B"}, {"/Volumes/B\n", "/Volumes/B\n"},
      {" \t ", fallback},       {"", fallback}};
  for (const auto& [chosen, expected] : cases) {
    th::MemoryUserDefaults defaults;
    SyncFolder::choose("/earlier", defaults);
    SyncFolder::choose(chosen, defaults);
    EXPECT_EQ(SyncFolder::current(defaults, locator), expected);
    EXPECT_EQ(defaults.stringValue("syncFolderPath"), chosen && !chosen->empty() ? chosen : std::nullopt);
  }
  EXPECT_TRUE(SyncFolder::isDefault(fallback, locator));
  EXPECT_FALSE(SyncFolder::isDefault(fallback + "/", locator));

  EXPECT_FALSE(SyncFolder::ensureExists(th::home() + "/a/b"));
  EXPECT_FALSE(SyncFolder::ensureExists(th::home() + "/a/b"));
  th::writeFile(th::home() + "/file", "x");
  EXPECT_TRUE(SyncFolder::ensureExists(th::home() + "/file"));
}

TEST(ReportingPreference, ConsentIsGivenUnlessTheStoredValueReadsFalse) {
  th::MemoryUserDefaults defaults;
  EXPECT_TRUE(ReportingPreference::isEnabled(defaults));
  // `defaults write ... -int 0` says no, as the platform reads it.
  defaults.set(PreferenceValue::integer(0), "sendsAnonymousReports");
  EXPECT_FALSE(ReportingPreference::isEnabled(defaults));
  defaults.set(PreferenceValue::array({}), "sendsAnonymousReports");
  EXPECT_TRUE(ReportingPreference::isEnabled(defaults));
  ReportingPreference::set(false, defaults);
  EXPECT_EQ(defaults.value("sendsAnonymousReports"), PreferenceValue::boolean(false));
  EXPECT_FALSE(ReportingPreference::isEnabled(defaults));
}
