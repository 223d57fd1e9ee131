// One change notice between the models on the temporary home: every batch of every screen is
// announced once, and the settings browser, the list of undo points, the repair findings and the
// removal plan all show what is on disk afterwards; practice mode announces nothing.

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <functional>
#include <thread>

#include "Guided/UndoPointsModel.hpp"
#include "Browser/SettingsModel.hpp"
#include "Guided/FirstRunModel.hpp"
#include "GuidedServices.hpp"

using namespace amberloom;
using PV = PreferenceValue;
namespace th = amberloom::testing;

namespace {

class ChangeNoticeTest : public ::testing::Test {
 protected:
  th::GuidedServices services;
  std::string backups = th::home() + "/Backups";

  // Everything that shows values or undo points, listening on the one notice.
  std::unique_ptr<ui::SettingsModel> browser = std::make_unique<ui::SettingsModel>(
      services.context(), services.catalog, services.settings, services.log, std::nullopt,
      ui::SettingsModel::ThisMac{Version({14, 5}), Version({1, 0}), [](const auto&) {}});
  std::unique_ptr<ui::SyncModel> sync = services.syncModel();
  ui::UndoPointsModel points{*sync};
  std::unique_ptr<ui::RepairModel> repair = services.repairModel(false);
  std::unique_ptr<ui::RemovalModel> removal = services.removalModel(false, backups, [] { return std::nullopt; });

  BackupService backupService(const std::string& deviceID) const {
    return BackupService(services.catalog, services.resolver, services.store, deviceID, "Mac " + deviceID,
                         [] { return 735000000.0; });
  }
  // As My Macs has it once shown: the backup folder read.
  std::unique_ptr<ui::FirstRunModel> firstRun() const {
    auto model = std::make_unique<ui::FirstRunModel>(services.context(), PersonalisationScan{},
                                                     backupService("THIS-MAC"), backups, services.resolver,
                                                     services.store);
    model->refreshBackups();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model->readingBackups(); }, 60000));
    return model;
  }

  // Each listener against what a fresh read of the disk gives now.
  void expectEveryScreenShowsWhatIsOnDisk() const {
    for (const auto& setting : services.catalog.settings())
      EXPECT_EQ(browser->value(setting), services.settings.currentValue(setting)) << setting.id;
    const auto stored = services.history.all();
    ASSERT_EQ(points.count(), static_cast<int>(stored.size()));
    if (!stored.empty()) {
      EXPECT_EQ(points.history()[0].reason, stored[0].reason);
    }
    std::vector<std::string> found, shown;
    for (const auto& finding : services.repairScanner().scan(std::nullopt).findings) found.push_back(finding.id());
    for (const auto& finding : repair->findings()) shown.push_back(finding.id());
    EXPECT_EQ(shown, found);
    EXPECT_EQ(removal->plan().settingsLeftChanged, services.uninstallService(backups).plan().settingsLeftChanged);
  }
};

}  // namespace

TEST_F(ChangeNoticeTest, EveryBatchIsAnnouncedOnceAndEveryOtherScreenFollowsIt) {
  const Recipe tidy{"tidy", "Tidy", "", "", std::nullopt,
                    {{"dock.size", PV::integer(64)}, {"finder.path", PV::string("~/Work")}}};
  auto recipes = services.recipesModel({tidy}, false);
  auto practice = services.recipesModel({tidy}, true);
  const std::vector<std::string> dock{"Dock"};

  struct Row {
    const char* name;
    std::function<void()> batch;
    std::size_t announced;
    bool storesUndoPoint;
    std::vector<std::string> restarts;
  };
  const Row rows[] = {
      {"a quick setup",
       [&] {
         recipes->setSelectedRecipeID("tidy");
         recipes->apply();
       },
       1, true, dock},
      {"its undo", [&] { recipes->undoLast(); }, 1, true, {}},
      {"a repair",
       [&] {
         services.log.record("dock.autohide", PV::boolean(true));
         th::GuidedServices::writeOutside("autohide", "-bool", "false");
         repair->rescan();
         repair->repairSelected();
       },
       1, true, dock},
      {"its undo", [&] { repair->undoLast(); }, 1, true, {}},
      {"a restore on My Macs",
       [&] {
         th::GuidedServices::writeOutside("hidden", "-bool", "true");
         backupService("OTHER-MAC").createBackup(backups);
         th::GuidedServices::writeOutside("hidden", "-bool", "false");
         auto model = firstRun();
         model->askToRestore(0);
         model->confirmRestore();
       },
       1, true, {}},
      {"everything put back before removal",
       [&] {
         services.log.record("dock.size", PV::integer(64));
         th::GuidedServices::writeOutside("size", "-int", "64");
         removal->revertEverything();
       },
       1, true, dock},
      {"a point taken back from Recent changes", [&] { points.undo(0); }, 1, true, {}},
      {"practice mode",
       [&] {
         practice->setSelectedRecipeID("tidy");
         practice->apply();
       },
       0, false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    services.heard->changes.clear();
    browser->restartPendingApps();
    row.batch();
    ASSERT_EQ(services.heard->size(), row.announced);
    if (row.announced) {
      EXPECT_EQ(services.heard->changes[0].storedUndoPoint, row.storesUndoPoint);
      EXPECT_EQ(services.heard->changes[0].restartTargets, row.restarts);
    }
    std::vector<std::string> pending;
    for (const auto& app : browser->pendingRestarts()) pending.push_back(app.toStdString());
    EXPECT_EQ(pending, row.restarts) << "Needs a restart";
    expectEveryScreenShowsWhatIsOnDisk();
  }
}

TEST(ChangeNotice, AChangeAnnouncedOnAnotherThreadReachesTheListenersOnTheirOwn) {
  const auto notice = std::make_shared<ui::ChangeNotice>();
  QObject listener;
  std::vector<Qt::HANDLE> heardOn;
  notice->listen(&listener, [&](const ui::Change&) { heardOn.push_back(QThread::currentThreadId()); });
  notice->listen(notice.get(), [&](const ui::Change&) { ADD_FAILURE() << "the announcer hears itself"; });
  std::thread worker([&] { notice->announce(ui::Change{}, notice.get()); });
  worker.join();
  EXPECT_TRUE(heardOn.empty()) << "not on the worker";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !heardOn.empty(); }, 60000));
  EXPECT_EQ(heardOn, std::vector<Qt::HANDLE>{QThread::currentThreadId()});
}
