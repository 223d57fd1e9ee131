// The recent-changes model over the real repair services on the temporary home: settings changed
// behind the application's back found after an update, put back with an undo point, the repair
// undone, the system's value kept, practice mode and an unreadable change history. And the list
// of stored undo points with the undo of one of them.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "RepairFixture.hpp"

using namespace amberloom;
using amberloom::ui::RepairModel;
using amberloom::ui::UndoPointsModel;
using PV = PreferenceValue;
namespace th = amberloom::testing;
using RepairModelTest = th::RepairFixture;

TEST_F(RepairModelTest, AnUpdateThatChangedSettingsBackIsNamedRepairedAndUndone) {
  chooseThenDrift();
  services.defaults->setString("22A100", "lastSeenOSBuild");
  auto repair = model();
  QAbstractItemModelTester tester(repair->property("findings").value<QAbstractItemModel*>());

  EXPECT_EQ(repair->headline(), "A macOS update reset 2 settings you had changed.");
  EXPECT_EQ(services.defaults->stringValue("lastSeenOSBuild"), "23F79");
  EXPECT_EQ(repair->selectedIDs(), (std::set<std::string>{"dock.autohide", "dock.size"})) << "all start ticked";
  const auto rows = repair->property("findings").value<ui::RowListModel*>()->rows();
  ASSERT_EQ(rows.size(), 2);
  EXPECT_EQ(rows[0].value("valuesLine").toString(), "Small now · you chose Large");

  QSignalSpy selection(repair.get(), &RepairModel::selectedIDsChanged);
  repair->setSelected("dock.autohide", false);
  repair->setSelected("dock.autohide", false);
  EXPECT_EQ(selection.count(), 1);
  repair->repairSelected();

  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_EQ(services.seen("autohide"), PV::boolean(false)) << "an unticked finding is left alone";
  ASSERT_TRUE(repair->report()) << "the report stays beside the fresh scan";
  EXPECT_EQ(repair->report()->outcomes, (std::vector<WriteOutcome>{{"dock.size", true, std::nullopt}}));
  EXPECT_EQ(repair->headline(), "1 setting you changed is not the way you left it.") << "no update after a rescan";
  EXPECT_TRUE(repair->undoSurvivesRestart());
  ASSERT_EQ(services.history.all().size(), 1u);
  EXPECT_EQ(services.history.all()[0].reason, "Before putting back 1 settings");
  EXPECT_EQ(repaired(), 1u);

  repair->undoLast();
  EXPECT_EQ(services.seen("size"), PV::integer(36));
  EXPECT_EQ(repair->findings().size(), 2u) << "the put-back choice shows as a finding again";
  EXPECT_EQ(repair->lastUndo(), std::nullopt);
  EXPECT_EQ(repair->report(), std::nullopt);
  ASSERT_TRUE(repair->undoReport());
  EXPECT_TRUE(repair->undoReport()->isComplete());
  EXPECT_EQ(repaired(), 2u);
  ASSERT_EQ(services.history.all().size(), 2u) << "the undo point stays stored, the state before the undo beside it";
  EXPECT_EQ(services.history.all()[0].reason, "Before taking back: putting back 1 settings");
}

// The application's start: the first scan runs on a worker while the screen lists nothing, and a
// change announced meanwhile is looked at once it is in.
TEST_F(RepairModelTest, AFirstScanInTheBackgroundFillsInThenTakesAChangeAnnouncedMeanwhile) {
  chooseThenDrift();
  services.defaults->setString("22A100", "lastSeenOSBuild");
  auto repair = services.repairModel(false, std::nullopt, RepairModel::FirstScan::inBackground);
  EXPECT_FALSE(repair->hasScanned());
  EXPECT_TRUE(repair->findings().empty()) << "nothing until the scan is in";
  EXPECT_EQ(repair->headline(), "Checking the settings you changed…") << "and no claim that all is well";
  th::GuidedServices::writeOutside("size", "-int", "64");
  services.heard->notice->announce(ui::Change{}, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return repair->hasScanned(); }, 60000));
  ASSERT_EQ(repair->findings().size(), 1u);
  EXPECT_EQ(repair->findings()[0].id(), "dock.autohide");
  EXPECT_EQ(services.defaults->stringValue("lastSeenOSBuild"), "23F79");
}

TEST_F(RepairModelTest, KeepingAcceptsTheSystemsValueEvenInPracticeModeWhereNothingIsWritten) {
  chooseThenDrift();
  auto repair = model(true);
  EXPECT_EQ(repair->headline(), "2 settings you changed are not the way you left them.") << "no stored build yet";

  repair->repairSelected();
  ASSERT_TRUE(repair->report());
  EXPECT_EQ(repair->report()->outcomes, (std::vector<WriteOutcome>{{"dock.size", false, "kuru kosum"},
                                                                   {"dock.autohide", false, "kuru kosum"}}))
      << "newest choice first";
  EXPECT_EQ(services.seen("size"), PV::integer(36));
  EXPECT_TRUE(services.history.all().empty());
  EXPECT_EQ(repaired(), 0u);

  repair->setSelected("dock.autohide", false);
  repair->keep(QStringLiteral("dock.size"));
  EXPECT_EQ(services.log.intent("dock.size")->value, PV::integer(36));
  ASSERT_EQ(repair->findings().size(), 1u);
  EXPECT_EQ(repair->findings()[0].id(), "dock.autohide");
  EXPECT_EQ(repair->selectedIDs(), std::set<std::string>{"dock.autohide"}) << "the rest is ticked again";
  EXPECT_EQ(repair->report(), std::nullopt);
}

TEST_F(RepairModelTest, AnUnreadableHistoryShowsNothingToRepairAndSaysSo) {
  th::writeFile(services.support + "/intents.json", "{not json");
  auto repair = model();
  EXPECT_FALSE(repair->hasFindings());
  EXPECT_EQ(repair->headline(), "Everything is the way you left it.");
  EXPECT_TRUE(repair->historyWasUnreadable());
  EXPECT_EQ(repair->unreadableHistoryFiles().size(), 1u);
  repair->repairSelected();
  EXPECT_EQ(repair->report(), std::nullopt);
}

TEST(UndoPointsModel, ListsPointsNewestFirstThenTheUnreadableAndUndoesOneThroughTheSyncModelWithoutDroppingIt) {
  th::GuidedServices services;
  const SettingRef size{th::GuidedServices::domain, {"size"}, false};
  const Snapshot one{{{size, PV::integer(64)}}};
  services.history.record(one, "Before applying “Calm”", 100);
  // A value that could not be read when it was taken can never be put back.
  const SnapshotEntry unknown{SettingRef{th::GuidedServices::domain, {"autohide"}, false}, std::nullopt,
                              SettingChannel::defaults, true};
  services.history.record(Snapshot{{unknown}}, "Before restoring from MAC-1", 200);
  th::writeFile(services.history.folder() + "/2001-01-01-000500-000.amberloom-undo.json", "{broken");

  const auto sync = services.syncModel();
  UndoPointsModel points(*sync);
  QAbstractItemModelTester tester(&points);
  ASSERT_EQ(points.count(), 3) << "the unreadable file is listed as such, last";
  EXPECT_EQ(points.data(points.index(0), UndoPointsModel::ReasonRole).toString(), "Before restoring from MAC-1");
  EXPECT_EQ(points.data(points.index(2), UndoPointsModel::ReasonRole).toString(), "An undo point that cannot be read");
  EXPECT_FALSE(points.data(points.index(2), UndoPointsModel::ReadableRole).toBool());
  EXPECT_TRUE(points.data(points.index(2), UndoPointsModel::DetailRole).toString().endsWith(
      " · 2001-01-01-000500-000.amberloom-undo.json"));
  EXPECT_TRUE(points.data(points.index(0), UndoPointsModel::ReadableRole).toBool());
  const QString detail = points.data(points.index(1), UndoPointsModel::DetailRole).toString();
  EXPECT_TRUE(detail.endsWith(" · 1 setting saved")) << detail.toStdString();
  EXPECT_EQ(points.data(points.index(1), UndoPointsModel::UndoLabelRole).toString(), "Undo: Before applying “Calm”");

  // Taking a point back stores the state before it as a point of its own, listed first.
  const auto rowOf = [&](const QString& reason) {
    for (int row = 0; row < points.count(); ++row)
      if (points.data(points.index(row), UndoPointsModel::ReasonRole).toString() == reason) return row;
    return -1;
  };
  points.undo(1);
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_EQ(points.outcome(), "1 of 1 settings put back");
  EXPECT_FALSE(points.outcomeIsWarning());
  EXPECT_EQ(rowOf("Before taking back: applying “Calm”"), 0);
  points.undo(rowOf("Before restoring from MAC-1"));
  EXPECT_TRUE(points.outcomeIsWarning()) << "a failure is said, not shown as nothing";
  EXPECT_EQ(points.outcome().toStdString(), *sync->lastError());
  ASSERT_EQ(services.heard->size(), 2u) << "each undo is announced";
  EXPECT_EQ(services.heard->changes[0], ui::Change::of(one, {}, true));
  EXPECT_EQ(points.count(), 4) << "nothing that could be put back, no state before it to keep";

  // A point file put there by hand takes back neither AmberLoom's own preferences nor those of
  // every application, as a backup never restores them; what else it holds goes back, and the
  // undo says what did not.
  const auto appOwn = services.resolver.resolve(StoreUserDefaults::applicationDomain, false);
  services.store->write(PV::string("ada@example.com"), "account.email", appOwn);
  services.history.record(Snapshot{{{SettingRef{StoreUserDefaults::applicationDomain, {"account.email"}, false},
                                     PV::string("evil@example.com")},
                                    {SettingRef{platform::kAnyApplicationID, {"k"}, false}, PV::integer(1)},
                                    {size, PV::integer(48)}}},
                          "Planted", 250);
  sync->refreshHistory();
  points.undo(rowOf("Planted"));
  EXPECT_EQ(services.seen("size"), PV::integer(48));
  EXPECT_EQ(th::runDefaults({"read", StoreUserDefaults::applicationDomain, "account.email"}).standardOutput,
            "ada@example.com\n");
  EXPECT_EQ(services.store->read("k", services.resolver.resolve(platform::kAnyApplicationID, false)), std::nullopt);
  EXPECT_TRUE(points.outcomeIsWarning()) << points.outcome().toStdString();
  EXPECT_EQ(points.count(), 6);

  // A new point replaces the list and the outcome of an undo taken from the old one.
  services.history.record(one, "Before putting back 1 settings", 300);
  sync->refreshHistory();
  EXPECT_EQ(points.count(), 7);
  EXPECT_TRUE(points.outcome().isEmpty());

  // A point whose file went after it was listed says so, writes nothing, and leaves the list.
  const std::string goneFile = points.history()[0].fileName;
  std::filesystem::remove(services.history.folder() + "/" + goneFile);
  points.undo(0);
  EXPECT_EQ(points.outcome().toStdString(), "The undo point " + goneFile + " is no longer stored.");
  EXPECT_TRUE(points.outcomeIsWarning());
  EXPECT_EQ(points.count(), 6);

  const auto practice = services.syncModel(true);
  UndoPointsModel practised(*practice);
  practised.undo(0);
  EXPECT_EQ(services.heard->size(), 3u) << "practice mode takes nothing back";
  EXPECT_TRUE(practised.outcome().isEmpty());
}
