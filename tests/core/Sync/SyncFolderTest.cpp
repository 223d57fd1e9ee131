// The backup folder setting and the reporting consent, over the application's preferences.

#include <gtest/gtest.h>

#include "MemoryUserDefaults.hpp"
#include "Sync/ReportingPreference.hpp"
#include "Sync/SyncFolder.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

TEST(SyncFolder, StoredChoiceIsTrimmedOfSpacesAndTabsOnlyAndFallsBackToTheDefault) {
  const BackupLocator locator{"/Users/ada"};
  const std::string fallback = "/Users/ada/Library/Mobile Documents/com~apple~CloudDocs/AmberLoom";
  struct Case {
    std::optional<PreferenceValue> stored;
    std::string expected;
  };
  const Case cases[] = {
      {std::nullopt, fallback},
      {PreferenceValue::string(" \t /Volumes/Share/Backups\t "), "/Volumes/Share/Backups"},
      {PreferenceValue::string("/Volumes/Share\n"), "/Volumes/Share\n"},
      {PreferenceValue::string(" \t "), fallback},
      {PreferenceValue::integer(3), fallback},
  };
  for (const auto& c : cases) {
    th::MemoryUserDefaults defaults;
    defaults.set(c.stored, "syncFolderPath");
    EXPECT_EQ(SyncFolder::current(defaults, locator), c.expected);
  }

  th::MemoryUserDefaults defaults;
  SyncFolder::choose("   ", defaults);
  EXPECT_EQ(defaults.stringValue("syncFolderPath"), "   ");
  EXPECT_EQ(SyncFolder::current(defaults, locator), fallback);
  SyncFolder::choose("", defaults);
  EXPECT_FALSE(defaults.value("syncFolderPath"));
  SyncFolder::choose("/elsewhere", defaults);
  SyncFolder::choose(std::nullopt, defaults);
  EXPECT_FALSE(defaults.value("syncFolderPath"));

  EXPECT_TRUE(SyncFolder::isDefault(fallback, locator));
  EXPECT_FALSE(SyncFolder::isDefault(fallback + "/", locator));
}

TEST(SyncFolder, EnsureExistsCreatesParentsAndReportsAFileInTheWay) {
  const std::string folder = th::home() + "/a/b/c";
  EXPECT_FALSE(SyncFolder::ensureExists(folder));
  EXPECT_FALSE(SyncFolder::ensureExists(folder));
  th::writeFile(th::home() + "/file", "x");
  EXPECT_TRUE(SyncFolder::ensureExists(th::home() + "/file"));
  EXPECT_TRUE(SyncFolder::ensureExists(th::home() + "/file/below"));
}

TEST(ReportingPreference, ConsentIsGivenUnlessAFalseBooleanIsStored) {
  th::MemoryUserDefaults defaults;
  EXPECT_TRUE(ReportingPreference::isEnabled(defaults));
  defaults.set(PreferenceValue::integer(0), "sendsAnonymousReports");
  EXPECT_TRUE(ReportingPreference::isEnabled(defaults));
  ReportingPreference::set(false, defaults);
  EXPECT_FALSE(ReportingPreference::isEnabled(defaults));
  EXPECT_EQ(defaults.value("sendsAnonymousReports"), PreferenceValue::boolean(false));
}
