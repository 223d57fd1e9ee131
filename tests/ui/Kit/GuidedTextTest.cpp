// Dates and sizes as the guided screens show them, in the user's locale: an abbreviated date
// without a weekday and a time without seconds, and file sizes in decimal units; counts in words
// by one plural rule.

#include <gtest/gtest.h>

#include <QLocale>

#include "Kit/GuidedText.hpp"

using amberloom::ui::guided::abbreviatedDateTime;
using amberloom::ui::guided::fileSize;
using amberloom::ui::localized;

// After a count of exactly one, the noun after it and the verb after that are singular; any
// other count, a total after "of", and a name that holds "1" leave the key as it is written.
TEST(GuidedText, EveryCountFollowsOnePluralRule) {
  const struct { const char* key; QStringList values; const char* expected; } cases[] = {
      {"%lld settings saved", {"1"}, "1 setting saved"},
      {"%lld settings saved", {"0"}, "0 settings saved"},
      {"%lld are already the same, and %lld have no value", {"1", "1"}, "1 is already the same, and 1 has no value"},
      {"Dry run — %lld settings were not written", {"1"}, "Dry run — 1 setting was not written"},
      {"%lld of %lld settings put back", {"1", "1"}, "1 of 1 settings put back"},
      {"%lld other Macs", {"1"}, "1 other Mac"},
      {"%@, %lld settings", {"Dock 1", "12"}, "Dock 1, 12 settings"},
  };
  for (const auto& c : cases) EXPECT_EQ(localized(c.key, c.values).toStdString(), c.expected) << c.key;
}

TEST(GuidedText, DatesAreAbbreviatedWithoutWeekdayOrSecondsInEveryLocale) {
  qputenv("TZ", "UTC");
  // 2024-03-05 14:07:09 UTC, a Tuesday.
  const double at = 731340429;
  const struct {
    const char* locale;
    const char* month;
    const char* weekday;
  } cases[] = {{"en_US", "Mar", "Tue"}, {"de_DE", "März", "Dienstag"}, {"fr_FR", "mars", "mardi"}, {"ja_JP", "3月", "火曜"}};
  for (const auto& c : cases) {
    const QString shown = abbreviatedDateTime(at, QLocale(QString::fromLatin1(c.locale)));
    SCOPED_TRACE(c.locale + std::string(": ") + shown.toStdString());
    EXPECT_TRUE(shown.contains(QString::fromUtf8(c.month)));
    EXPECT_FALSE(shown.contains(QString::fromUtf8(c.weekday)));
    EXPECT_TRUE(shown.contains("2024"));
    EXPECT_TRUE(shown.contains("07")) << "minutes shown";
    EXPECT_FALSE(shown.contains("09")) << "no seconds";
  }
}

TEST(GuidedText, FileSizesUseDecimalUnits) {
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(fileSize(0, english), "0 bytes");
  EXPECT_EQ(fileSize(1, english), "1 byte");
  EXPECT_EQ(fileSize(999, english), "999 bytes");
  EXPECT_EQ(fileSize(2500, english), "2.5 kB");
  EXPECT_EQ(fileSize(3'000'000, english), "3.0 MB");
}
