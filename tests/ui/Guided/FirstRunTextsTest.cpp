// The sentences of the first-run wizard and the backup screens that carry counts and names: the
// restore confirmation's summary, the outcome row, and the customised-group chips.

#include <gtest/gtest.h>

#include "Guided/FirstRunTexts.hpp"

using namespace amberloom;
using namespace amberloom::ui;

namespace {

std::vector<SettingRef> refs(int n) {
  std::vector<SettingRef> result;
  for (int i = 1; i <= n; ++i) result.push_back({"com.example.d" + std::to_string(i), {"root", "leaf"}, false});
  return result;
}

RestoreReport reportWithFailures(int failed) {
  RestoreReport report;
  report.outcomes.push_back({{"com.example.ok", {"k"}, false}, true});
  for (const auto& ref : refs(failed)) report.outcomes.push_back({ref, false});
  return report;
}

}  // namespace

TEST(FirstRunTexts, TheSummaryNamesAtMostFourReplacedValuesAndCountsTheRest) {
  struct Case {
    int overwritten;
    std::string second;
  };
  const std::string four = "com.example.d1 root \u2192 leaf, com.example.d2 root \u2192 leaf, com.example.d3 root "
                           "\u2192 leaf, com.example.d4 root \u2192 leaf";
  for (const auto& c : {Case{0, "None of them replace a value you have set on this Mac."},
                        Case{4, "4 of them replace a value that is set on this Mac: " + four + "."},
                        Case{6, "6 of them replace a value that is set on this Mac: " + four + " and 2 more."}}) {
    PendingRestore pending{{"ID-1", std::nullopt, std::nullopt, std::nullopt, {}}, {refs(7), refs(c.overwritten), 3, 0}};
    EXPECT_EQ(pending.summary().toStdString(),
              "7 settings will be brought over from ID-1.\n\n" + c.second +
                  "\n\n3 are already the same, and 0 have no value in that backup \u2014 those are left exactly as "
                  "they are. Nothing is removed.");
  }
  EXPECT_EQ(firstrun::confirmationTitle(std::nullopt), "Bring settings over from ?");
}

TEST(FirstRunTexts, TheOutcomeRowWarnsOnFailuresAndListsAtMostFiveKeysThatDidNotComeBack) {
  struct Case {
    BackupOutcome outcome;
    std::string text;
    bool warning;
    std::vector<std::string> details;
  };
  const std::string d = "\u00B7 com.example.d";
  const std::string back = " root \u2192 leaf did not come back";
  const std::vector<Case> cases{
      {BackedUp{"/b/X.amberloom.json"}, "Saved to /b/X.amberloom.json", false, {}},
      {BackupFailed{"disk full"}, "disk full", true, {}},
      {Restored{"ID (kuru kosum \u2014 yazilmadi)", "Office", std::nullopt}, "Settings from Office applied", false, {}},
      {Restored{"ID-2", std::nullopt, reportWithFailures(0)}, "1 of 1 settings restored from ID-2", false, {}},
      {Restored{"ID-2", "Office", reportWithFailures(1)}, "1 of 2 settings restored from Office", true, {d + "1" + back}},
      {Restored{"ID-2", "Office", reportWithFailures(5)}, "1 of 6 settings restored from Office", true,
       {d + "1" + back, d + "2" + back, d + "3" + back, d + "4" + back, d + "5" + back}},
      {Restored{"ID-2", "Office", reportWithFailures(6)}, "1 of 7 settings restored from Office", true,
       {d + "1" + back, d + "2" + back, d + "3" + back, d + "4" + back, d + "5" + back, "\u00B7 and 1 more"}},
  };
  for (const auto& c : cases) {
    const auto row = firstrun::outcomeRow(c.outcome);
    EXPECT_EQ(row.text.toStdString(), c.text);
    EXPECT_EQ(row.isWarning, c.warning) << c.text;
    EXPECT_EQ(row.symbol, c.warning ? "exclamationmark.triangle" : "checkmark.seal") << c.text;
    QStringList details;
    for (const auto& line : c.details) details << QString::fromStdString(line);
    EXPECT_EQ(row.details, details) << c.text;
  }
}

TEST(FirstRunTexts, ChipsShowTheSixLargestGroupsAndSubtitlesCarryTheScanCounts) {
  PersonalisationScan scan;
  scan.customisedByGroup = {{"a", 1}, {"b", 5}, {"c", 2}, {"d", 5}, {"e", 3}, {"f", 1}, {"g", 4}, {"h", 2}};
  QStringList shown;
  for (const auto& chip : firstrun::topGroups(scan)) shown << chip.group + u'=' + chip.countText;
  EXPECT_EQ(shown, QStringList({"b=5", "d=5", "g=4", "e=3", "c=2", "h=2"}));
  scan.customisedByGroup = {{"dock", 3}, {"finder", 1}};
  const auto chips = firstrun::topGroups(scan);
  ASSERT_EQ(chips.size(), 2u);
  EXPECT_EQ(chips[0].accessibleName, "dock: 3 settings set on this Mac");

  scan.scannedCount = 0;
  EXPECT_EQ(firstrun::subtitle(FirstRunRoute::discover, scan),
            "None of the 0 settings AmberLoom knows about have been changed here. Have a look at what you can change.");
  EXPECT_EQ(firstrun::title(FirstRunRoute::discover, scan), "This Mac is untouched");
  EXPECT_EQ(firstrun::unreadableNote(scan), "");

  // Settings that cannot be read are not counted as untouched.
  scan.scannedCount = 10;
  scan.unreadableIDs = {"dock.a", "dock.b", "finder.c", "d.d", "e.e", "f.f"};
  scan.unreadableDomains = {"com.apple.dock", "com.apple.finder", "d", "e", "f"};
  EXPECT_EQ(firstrun::title(FirstRunRoute::discover, scan), "Some of this Mac's settings cannot be read");
  EXPECT_EQ(firstrun::subtitle(FirstRunRoute::discover, scan),
            "None of the 4 settings AmberLoom can read here have been changed. Have a look at what you can change.");
  EXPECT_TRUE(firstrun::unreadableNote(scan).startsWith(
      "The values of 6 settings cannot be read: the preferences of com.apple.dock, com.apple.finder, d, e and 1 "
      "more are damaged."))
      << firstrun::unreadableNote(scan).toStdString();
}

// The title and subtitle say what the scan found, and once this run has backed up or brought
// settings over, that; one setting set by the user is no untouched Mac.
TEST(FirstRunTexts, TitlesSayWhatTheScanFoundThenWhatThisRunDid) {
  const auto scanOf = [](std::size_t deliberate, std::size_t unreadable) {
    PersonalisationScan scan;
    scan.scannedCount = 5;
    for (std::size_t i = 0; i < deliberate; ++i) scan.deliberateIDs.push_back("dock.s" + std::to_string(i));
    for (std::size_t i = 0; i < unreadable; ++i) scan.unreadableIDs.push_back("finder.s" + std::to_string(i));
    return scan;
  };
  const auto restored = [](int total, int failed, std::optional<std::string> name = "Office") {
    RestoreReport report;
    for (int i = 0; i < total; ++i) report.outcomes.push_back({{"com.example.d", {std::to_string(i)}, false}, i >= failed});
    return BackupOutcome(Restored{"ID-2", std::move(name), report});
  };
  struct Case {
    FirstRunRoute route;
    PersonalisationScan scan;
    std::optional<BackupOutcome> step;
    std::string title, subtitle;
  };
  const std::string look = " Have a look at what else you can change.";
  const std::vector<Case> cases{
      {FirstRunRoute::discover, scanOf(0, 0), {}, "This Mac is untouched",
       "None of the 5 settings AmberLoom knows about have been changed here. Have a look at what you can change."},
      {FirstRunRoute::discover, scanOf(1, 0), {}, "This Mac is nearly untouched",
       "You have set 1 of the 5 settings AmberLoom knows about." + look},
      {FirstRunRoute::discover, scanOf(1, 2), {}, "Some of this Mac's settings cannot be read",
       "You have set 1 of the 3 settings AmberLoom can read here." + look},
      {FirstRunRoute::restore, scanOf(0, 0), {}, "We found a backup",
       "This Mac is untouched, and there is a backup in your cloud folder. Restoring it brings your settings across."},
      {FirstRunRoute::restore, scanOf(1, 0), {}, "We found a backup",
       "There is a backup in your cloud folder. Restoring it brings your settings across."},
      {FirstRunRoute::backUpWhatYouHave, scanOf(2, 0), BackupOutcome(BackedUp{"/b/X.amberloom.json"}),
       "This Mac is backed up",
       "Its settings are in your backup folder now, ready to come back whenever you want them. Browse settings to go "
       "on."},
      {FirstRunRoute::restore, scanOf(0, 0), restored(2, 0), "Your settings are here",
       "The settings from Office are on this Mac now. Browse them, or take the restore back from Recent changes."},
      {FirstRunRoute::compare, scanOf(2, 0), restored(3, 1, ""), "Your settings are here",
       "The settings from Unnamed Mac are on this Mac now. Browse them, or take the restore back from Recent "
       "changes."},
      {FirstRunRoute::restore, scanOf(0, 0), restored(0, 0), "Nothing needed bringing over",
       "This Mac already holds every value of Office's backup."},
      {FirstRunRoute::restore, scanOf(0, 0), restored(2, 2), "The settings did not come over",
       "None of the 2 settings from Office read back as the backup has them: the lines below say which."},
      // Practice mode writes nothing: the Mac stands where the scan found it.
      {FirstRunRoute::discover, scanOf(0, 0), BackupOutcome(Restored{"ID-2", "Office", std::nullopt}),
       "This Mac is untouched",
       "None of the 5 settings AmberLoom knows about have been changed here. Have a look at what you can change."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(firstrun::title(c.route, c.scan, c.step).toStdString(), c.title);
    EXPECT_EQ(firstrun::subtitle(c.route, c.scan, c.step).toStdString(), c.subtitle);
  }
}
