// The recent-changes screen driven as a user would: ticking, putting back, undoing, keeping the
// system's value and undoing a stored point; rendered in both palettes to be looked at.

#include <gtest/gtest.h>

#include "GuidedScreen.hpp"
#include "ScreenGeometry.hpp"
#include "RepairFixture.hpp"
#include "SmallDisk.hpp"

using namespace amberloom;
using PV = PreferenceValue;
namespace th = amberloom::testing;
using RepairViewTest = th::RepairFixture;

TEST_F(RepairViewTest, RendersFindingsTheReportAndTheUndoPointsInBothPalettes) {
  chooseThenDrift(true);
  services.defaults->setString("22A100", "lastSeenOSBuild");
  services.history.record(Snapshot{{{SettingRef{"com.apple.dock", {"autohide"}, false}, PV::boolean(false)}}},
                          "Before applying “Tidy Dock”", 800000000);
  // A restore from a backup whose Mac had an odd ID: the reason is shown as typed, within its row.
  services.history.record(Snapshot{}, "Before restoring from <b>MAC</b>" + std::string(20000, 'X'), 799000000);
  auto repair = model();
  auto undoPoints = points();
  th::GuidedScreen screen("repair", repair.get(), undoPoints.get(), {980, 1100});
  th::expectTextsAsTypedAndWithinTheirBoxes(screen.window().window().contentItem());
  EXPECT_LT(screen.item("undoPoint-1")->height(), 150) << "a few lines of it, not a page";
  th::renderInBothPalettes(screen.window(), "recent-changes");
  repair->setSelected("finder.path", false);
  repair->repairSelected();
  screen.settle();
  // The count of stored points is a badge beside the heading.
  EXPECT_TRUE(screen.shows("headingBadge"));
  EXPECT_EQ(screen.text("headingCount"), "3");
  th::renderInBothPalettes(screen.window(), "recent-changes-report");
}

TEST_F(RepairViewTest, TickingPuttingBackUndoingAndKeepingAsAUserWould) {
  chooseThenDrift(true);
  services.history.record(Snapshot{}, "Before restoring from MAC-1", 800000000);
  auto repair = model();
  auto undoPoints = points();
  th::GuidedScreen screen("repair", repair.get(), undoPoints.get());
  EXPECT_EQ(screen.shown()->property("subtitle").toString(), "3 to look at");
  EXPECT_EQ(screen.text("headlineText"), "3 settings you changed are not the way you left them.");

  // Every finding starts ticked; untick all three by their boxes.
  for (const char* id : {"dock.autohide", "dock.size", "finder.path"}) screen.click(QString("finding-") + id, "tick");
  EXPECT_TRUE(repair->selectedIDs().empty());
  QQuickItem* putBack = screen.item("putBackRow");
  EXPECT_FALSE(putBack->property("isEnabled").toBool());
  EXPECT_EQ(putBack->property("secondLine").toString(),
            "Nothing ticked yet — choose what you want restored from the list below.");

  screen.click("finding-dock.size", "tick");
  EXPECT_EQ(putBack->property("actionTitle").toString(), "Put back 1");
  EXPECT_EQ(putBack->property("explanation").toString(),
            "1 setting ticked. Each one is written and then read back to confirm it stuck.");
  screen.click("actionButton");  // the first action row's button
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_EQ(screen.text("reportHeading"), "1 of 1 put back and verified");
  EXPECT_FALSE(screen.shows("finding-dock.size"));

  screen.click("undoRepair");
  EXPECT_EQ(services.seen("size"), PV::integer(36));
  EXPECT_EQ(screen.text("undoHeading"), "Put back — 1 of 1 keys verified");
  EXPECT_FALSE(screen.shows("reportCard"));
  EXPECT_TRUE(screen.shows("finding-dock.size"));

  screen.click("finding-finder.path", "keep");
  EXPECT_FALSE(screen.shows("finding-finder.path"));
  EXPECT_EQ(services.log.intent("finder.path")->value, std::nullopt) << "the system's value is the choice now";

  // The state before the repair's undo is listed first, newest: taking it back puts the repair back.
  screen.click("undoPoint");
  EXPECT_EQ(screen.text("undoPointsOutcome"), "1 of 1 settings put back");
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_TRUE(screen.shows("undoPoint")) << "the point stays listed";

  // Scrolled only until the oldest point's Undo shows at the foot of the window: what that undo
  // did, under the list, comes into view.
  QQuickItem* older = screen.child("undoPoint-" + QString::number(undoPoints->count() - 1), "undoPoint");
  auto* flick = screen.shown()->findChild<QQuickItem*>("pageScroller");
  auto* content = flick->property("contentItem").value<QQuickItem*>();
  flick->setProperty("contentY", older->mapToItem(content, QPointF(0, older->height() + 4)).y() - flick->height());
  screen.settle();
  QTest::mouseClick(&screen.window().window(), Qt::LeftButton, {}, screen.window().centreOf(older));
  screen.settle();
  th::expectInsideAndApart({screen.item("undoPointsOutcome")});
}

TEST_F(RepairViewTest, AnUnreadableHistoryLeavesNothingToDoAndSaysSo) {
  th::writeFile(services.support + "/intents.json", "{not json");
  auto repair = model(true);
  auto undoPoints = points();
  th::GuidedScreen screen("repair", repair.get(), undoPoints.get());
  EXPECT_EQ(screen.shown()->property("subtitle").toString(), "nothing to do");
  EXPECT_EQ(screen.text("headlineText"), "Everything is the way you left it.");
  EXPECT_TRUE(screen.shows("calmState"));
  EXPECT_TRUE(screen.shows("dryRunNotice"));
  EXPECT_FALSE(screen.item("putBackRow")->property("isEnabled").toBool());
  EXPECT_FALSE(screen.shows("undoPoints")) << "no stored points, no section";
  EXPECT_TRUE(screen.shows("unreadableHistory"));
  th::renderInBothPalettes(screen.window(), "recent-changes-unreadable");
}

TEST_F(RepairViewTest, KeepingAsItIsOnAFullOrReadOnlyDiskSaysItWasNotSavedOnTheFindingAndAWorkingKeepClearsIt) {
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "full");
    th::SmallDisk disk(services.support, 1 << 20);
    if (!disk.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
    chooseThenDrift();
    auto repair = model();
    auto undoPoints = points();
    th::GuidedScreen screen("repair", repair.get(), undoPoints.get(), {980, 900});
    if (readOnly)
      disk.setReadOnly(true);
    else
      disk.fill();

    screen.click("finding-dock.size", "keep");
    ASSERT_TRUE(screen.shows("finding-dock.size")) << "the choice was not saved: the finding stays";
    QQuickItem* said = screen.child("finding-dock.size", "keepFailure");
    ASSERT_TRUE(said && said->isVisible());
    EXPECT_TRUE(said->property("text").toString().startsWith("“Label of dock.size” could not be kept as it is. "))
        << said->property("text").toString().toStdString();
    EXPECT_FALSE(screen.child("finding-dock.autohide", "keepFailure")->isVisible()) << "only on the finding kept";
    EXPECT_TRUE(repair->keepFailureListed());
    EXPECT_EQ(services.log.intent("dock.size")->value, PV::integer(64)) << "the earlier choice stands";
    if (!readOnly) th::renderInBothPalettes(screen.window(), "recent-changes-keep-failed");

    if (readOnly)
      disk.setReadOnly(false);
    else
      disk.free();
    screen.click("finding-dock.size", "keep");
    EXPECT_FALSE(screen.shows("finding-dock.size"));
    EXPECT_EQ(repair->keepFailure(), std::nullopt);
    EXPECT_FALSE(screen.shows("keepFailure"));
  }
}
