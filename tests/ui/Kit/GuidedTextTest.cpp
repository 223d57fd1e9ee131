// Dates and sizes as the guided screens show them, in the user's locale: an abbreviated date
// without a weekday and a time without seconds, and file sizes in decimal units.

#include <gtest/gtest.h>

#include <QLocale>

#include "Kit/GuidedText.hpp"

using amberloom::ui::guided::abbreviatedDateTime;
using amberloom::ui::guided::fileSize;

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
