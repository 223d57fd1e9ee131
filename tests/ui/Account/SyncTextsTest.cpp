// What the My Macs page says about values, differences, the freshness of a Mac's document and the
// report of a copy.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

#include "Account/SyncTexts.hpp"
#include "Support/Iso8601.hpp"

using namespace amberloom;
using namespace amberloom::ui;
using V = PreferenceValue;
using D = SyncDifference;

namespace {

// Local noon of a day, as seconds since the reference date, moved by `hours`.
double localNoonPlus(int year, int month, int day, double hours) {
  const QDateTime noon(QDate(year, month, day), QTime(12, 0));
  return noon.toMSecsSinceEpoch() / 1000.0 - iso8601::kReferenceDateUnixSeconds + hours * 3600;
}

}  // namespace

TEST(SyncTexts, valuesAndDifferencesAreShownInAFewWordsWithNothingDroppedThatCanBeRead) {
  const std::string longText(1000, 'x');
  const struct {
    D difference;
    QString expected;
  } cases[] = {
      {D::differs(V::boolean(true), V::boolean(false)), QStringLiteral("this Mac: on  \u2192  incoming: off")},
      {D::same(V::integer(5)), QStringLiteral("same on both Macs")},
      {D::onlyThere(V::integer(-12)), QStringLiteral("not set here  \u2192  incoming: -12")},
      {D::onlyHere(V::real(0.5)), QStringLiteral("only on this Mac: 0.5")},
      {D::onlyHere(V::real(1e6)), QStringLiteral("only on this Mac: 1e+06")},
      {D::onlyHere(V::real(1.0 / 3)), QStringLiteral("only on this Mac: 0.333333")},
      {D::onlyHere(V::string("")), QStringLiteral("only on this Mac: (empty)")},
      {D::onlyHere(V::string(longText)), QStringLiteral("only on this Mac: ") + QString::fromStdString(longText)},
      // A megabyte, as another Mac's document may carry, is cut before a card has to lay it out.
      {D::onlyThere(V::string(longText + std::string(1 << 20, 'y'))),
       QStringLiteral("not set here  \u2192  incoming: ") + QString::fromStdString(longText) + u'\u2026'},
      {D::onlyHere(V::data({0x01})), QStringLiteral("only on this Mac: 1 bytes")},
      {D::onlyHere(V::data({})), QStringLiteral("only on this Mac: 0 bytes")},
      {D::onlyThere(V::dictionary({{"a", V::integer(1)}})), QStringLiteral("not set here  \u2192  incoming: (group of values)")},
      {D::onlyThere(V::array({V::integer(1)})), QStringLiteral("not set here  \u2192  incoming: (list)")},
  };
  for (const auto& c : cases) EXPECT_EQ(synctexts::describe(c.difference), c.expected);
  // A date reads like the other dates of the application: the month by its short name, the year
  // in full, and the time.
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  const QString date = synctexts::shortValue(V::date(localNoonPlus(2026, 3, 20, 0)));
  QLocale::setDefault(before);
  EXPECT_TRUE(date.contains("Mar 20") && date.contains("2026") && date.contains("12:00")) << date.toStdString();
}

TEST(SyncTexts, freshnessCountsWholeDaysAndGoesStaleFromTheFourteenth) {
  const double now = localNoonPlus(2026, 3, 20, 0);
  const struct {
    std::optional<double> sharedAt;
    QString text;
    bool isStale;
  } cases[] = {
      {std::nullopt, QStringLiteral("date unknown"), true},
      {now + 3600, QStringLiteral("shared today"), false},
      {localNoonPlus(2026, 3, 19, 13), QStringLiteral("shared today"), false},  // 23 hours, across midnight
      {localNoonPlus(2026, 3, 19, 0), QStringLiteral("shared yesterday"), false},
      {localNoonPlus(2026, 3, 7, 0), QStringLiteral("shared 13 days ago"), false},
      {localNoonPlus(2026, 3, 6, 0), QStringLiteral("shared 14 days ago"), true},
  };
  for (const auto& c : cases) {
    const auto freshness = synctexts::freshness(c.sharedAt, now);
    EXPECT_EQ(freshness.text, c.text);
    EXPECT_EQ(freshness.isStale, c.isStale) << freshness.text.toStdString();
  }
}

TEST(SyncTexts, theReportListsFiveFailuresAndTheAppsToRestart) {
  EXPECT_EQ(synctexts::report({}), (synctexts::ReportText{QStringLiteral("0 of 0 settings brought over"), false, {}, {}}));

  WriteReport report;
  report.outcomes.push_back({"ok", true, std::nullopt});
  for (int i = 1; i <= 7; ++i)
    report.outcomes.push_back({"s" + std::to_string(i), false, i == 1 ? std::nullopt : std::optional<std::string>("no")});
  report.restartTargets = {"Dock", "Finder"};
  const auto text = synctexts::report(report);
  EXPECT_EQ(text.summary, QStringLiteral("1 of 8 settings brought over"));
  EXPECT_TRUE(text.hasFailures);
  EXPECT_EQ(text.failures, (QStringList{QStringLiteral("\u00b7 s1: did not apply"), QStringLiteral("\u00b7 s2: no"),
                                        QStringLiteral("\u00b7 s3: no"), QStringLiteral("\u00b7 s4: no"),
                                        QStringLiteral("\u00b7 s5: no")}));
  EXPECT_EQ(text.restartLine, QStringLiteral("Needs a restart: Dock, Finder"));
}
