// The recent-changes screen driven as a user would: ticking, putting back, undoing, keeping the
// system's value and undoing a stored point; rendered in both palettes to be looked at.

#include <gtest/gtest.h>

#include "GuidedScreen.hpp"
#include "GuidedServices.hpp"
#include "Guided/RepairModel.hpp"
#include "Guided/UndoPointsModel.hpp"

using namespace amberloom;
using amberloom::ui::RepairModel;
using amberloom::ui::UndoPointsModel;
using PV = PreferenceValue;
namespace th = amberloom::testing;

namespace {

class RepairViewTest : public ::testing::Test {
 protected:
  th::GuidedServices services;
  std::vector<Snapshot> undone;

  std::unique_ptr<RepairModel> model(bool isDryRun = false) {
    return services.repairModel(isDryRun);
  }
  std::unique_ptr<UndoPointsModel> points() {
    return std::make_unique<UndoPointsModel>(
        services.history, false,
        [this](const Snapshot& s) {
          undone.push_back(s);
          return UndoReport{};
        },
        [] {});
  }
  void chooseThenDrift() {
    services.log.record("dock.autohide", PV::boolean(true));
    services.log.record("dock.size", PV::integer(64));
    services.log.record("finder.path", PV::string("~/Projects/amberloom/very/long/folder/name"));
    th::GuidedServices::writeOutside("autohide", "-bool", "false");
    th::GuidedServices::writeOutside("size", "-int", "36");
  }
};

}  // namespace

TEST_F(RepairViewTest, RendersFindingsTheReportAndTheUndoPointsInBothPalettes) {
  chooseThenDrift();
  services.defaults->setString("22A100", "lastSeenOSBuild");
  services.history.record(Snapshot{{{SettingRef{"com.apple.dock", {"autohide"}, false}, PV::boolean(false)}}},
                          "Before applying “Tidy Dock”", 800000000);
  auto repair = model();
  auto undoPoints = points();
  th::GuidedScreen screen("repair", repair.get(), undoPoints.get(), {980, 1100});
  th::renderInBothPalettes(screen.window(), "recent-changes");
  repair->setSelected("finder.path", false);
  repair->repairSelected();
  undoPoints->refreshHistory();
  screen.settle();
  th::renderInBothPalettes(screen.window(), "recent-changes-report");
}

TEST_F(RepairViewTest, TickingPuttingBackUndoingAndKeepingAsAUserWould) {
  chooseThenDrift();
  services.history.record(Snapshot{}, "Before restoring from MAC-1", 800000000);
  auto repair = model();
  auto undoPoints = points();
  th::GuidedScreen screen("repair", repair.get(), undoPoints.get());
  EXPECT_EQ(screen.shown()->property("subtitle").toString(), "3 to look at");
  EXPECT_EQ(screen.text("headlineText"), "3 settings you changed are not the way you left them.");

  // Every finding starts ticked; untick all three by their boxes.
  for (const char* id : {"dock.autohide", "dock.size", "finder.path"}) {
    QQuickItem* tick = screen.item(QString("finding-") + id)->findChild<QQuickItem*>("tick");
    screen.bringIntoView(tick);
    QTest::mouseClick(&screen.window().window(), Qt::LeftButton, {}, screen.window().centreOf(tick));
  }
  screen.settle();
  EXPECT_TRUE(repair->selectedIDs().empty());
  QQuickItem* putBack = screen.item("putBackRow");
  EXPECT_FALSE(putBack->property("isEnabled").toBool());
  EXPECT_EQ(putBack->property("secondLine").toString(),
            "Nothing ticked yet — choose what you want restored from the list below.");

  QQuickItem* sizeTick = screen.item("finding-dock.size")->findChild<QQuickItem*>("tick");
  screen.bringIntoView(sizeTick);
  QTest::mouseClick(&screen.window().window(), Qt::LeftButton, {}, screen.window().centreOf(sizeTick));
  screen.settle();
  EXPECT_EQ(putBack->property("actionTitle").toString(), "Put back 1");
  EXPECT_EQ(putBack->property("explanation").toString(),
            "1 setting(s) ticked. Each one is written and then read back to confirm it stuck.");
  screen.click("actionButton");  // the first action row's button
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_EQ(screen.text("reportHeading"), "1 of 1 put back and verified");
  EXPECT_FALSE(screen.shows("finding-dock.size"));

  screen.click("undoRepair");
  EXPECT_EQ(services.seen("size"), PV::integer(36));
  EXPECT_EQ(screen.text("undoHeading"), "Put back — 1 of 1 keys verified");
  EXPECT_FALSE(screen.shows("reportCard"));
  EXPECT_TRUE(screen.shows("finding-dock.size"));

  QQuickItem* keep = screen.item("finding-finder.path")->findChild<QQuickItem*>("keep");
  screen.bringIntoView(keep);
  QTest::mouseClick(&screen.window().window(), Qt::LeftButton, {}, screen.window().centreOf(keep));
  screen.settle();
  EXPECT_FALSE(screen.shows("finding-finder.path"));
  EXPECT_EQ(services.log.intent("finder.path")->value, std::nullopt) << "the system's value is the choice now";

  screen.click("undoPoint");
  EXPECT_EQ(undone.size(), 1u);
  EXPECT_TRUE(screen.shows("undoPoint")) << "the point stays listed";
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
