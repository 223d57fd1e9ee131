// The removal model over a fresh uninstall service on the temporary home: putting every changed
// setting back with an undo point, deleting the application's files while the backups stay, a
// deletion that leaves something behind, practice mode, and sync at login turned off by either
// step.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "GuidedServices.hpp"
#include "Guided/RemovalModel.hpp"

using namespace amberloom;
using amberloom::ui::RemovalModel;
using PV = PreferenceValue;
namespace th = amberloom::testing;
namespace fs = std::filesystem;

namespace {

class RemovalModelTest : public ::testing::Test {
 protected:
  th::GuidedServices services;
  std::string backups = th::home() + "/Backups";
  int unregistered = 0;
  std::optional<std::string> unregisterFailure;

  std::unique_ptr<RemovalModel> model(bool isDryRun = false, std::optional<std::string> backupFolder = std::nullopt,
                                      std::optional<SnapshotHistory> history = std::nullopt) {
    const auto unregister = [this] {
      ++unregistered;
      return unregisterFailure;
    };
    return services.removalModel(isDryRun, backupFolder.value_or(backups), unregister, history);
  }

  void prepare() {
    services.log.record("dock.autohide", PV::boolean(true));
    services.log.record("finder.hidden", PV::boolean(true));
    th::GuidedServices::writeOutside("autohide", "-bool", "true");
    th::GuidedServices::writeOutside("hidden", "-bool", "true");
    th::writeFile(services.support + "/pending-sync.json", "{\"v\":1}");
    th::writeFile(backups + "/mac.amberloom.json", "1234");
  }
};

}  // namespace

TEST_F(RemovalModelTest, PuttingBackThenDeletingLeavesOnlyTheBackupsAndTurnsOffSyncAtLogin) {
  prepare();
  auto removal = model();
  EXPECT_EQ(removal->plan().settingsLeftChanged, 2);
  EXPECT_EQ(removal->plan().backups->path, backups);

  removal->revertEverything();
  EXPECT_EQ(services.seen("autohide"), std::nullopt);
  EXPECT_EQ(services.seen("hidden"), std::nullopt);
  EXPECT_EQ(removal->property("outcomeText").toString(), "2 of 2 settings put back");
  EXPECT_FALSE(removal->property("outcomeIsWarning").toBool());
  EXPECT_EQ(removal->plan().settingsLeftChanged, 0);
  EXPECT_TRUE(removal->undoSurvivesRestart());
  ASSERT_EQ(services.history.all().size(), 1u);
  EXPECT_EQ(services.history.all()[0].reason, "Before reverting everything AmberLoom changed");
  EXPECT_EQ(services.history.all()[0].snapshot.entries.size(), 2u);
  EXPECT_EQ(unregistered, 1) << "the next login's sync must not copy the settings back";

  removal->removeAppData();
  EXPECT_EQ(removal->property("outcomeText").toString(), "AmberLoom's files are gone");
  EXPECT_TRUE(removal->plan().appData.empty());
  EXPECT_FALSE(fs::exists(services.support + "/intents.json"));
  EXPECT_FALSE(fs::exists(services.support + "/pending-sync.json")) << "the unsent upload goes too";
  EXPECT_FALSE(fs::exists(services.history.folder()));
  EXPECT_EQ(th::readFile(backups + "/mac.amberloom.json"), "1234");
  EXPECT_EQ(unregistered, 2);
  EXPECT_EQ(removal->lastError(), std::nullopt);
  ASSERT_FALSE(services.heard->changes.empty());
  EXPECT_TRUE(services.heard->changes.back().storedUndoPoint) << "the lists of undo points read again";
}

TEST_F(RemovalModelTest, BackupsInsideTheUndoHistoryStayAndEverythingBesideThemGoes) {
  prepare();
  const std::string backupsInHistory = services.history.folder() + "/Backups";
  th::writeFile(backupsInHistory + "/mac.amberloom.json", "1234");
  th::writeFile(services.history.folder() + "/a.amberloom-undo.json", "12345");
  auto removal = model(false, backupsInHistory);

  removal->removeAppData();
  EXPECT_EQ(removal->property("outcomeText").toString(), "AmberLoom's files are gone");
  EXPECT_FALSE(removal->property("outcomeIsWarning").toBool());
  EXPECT_TRUE(removal->plan().appData.empty()) << "a folder holding only the backups is no app data";
  EXPECT_EQ(th::filesBelow(services.history.folder()), std::vector<std::string>{"Backups/mac.amberloom.json"});
}

TEST_F(RemovalModelTest, NothingToPutBackOffersNoRevertAndStoresNoUndoPoint) {
  // The only record is of a setting the catalogue no longer holds: no revert can put it back.
  services.log.record("gone.setting", PV::boolean(true));
  services.history.record(Snapshot{{{SettingRef{"d", {"k"}, false}, PV::integer(1)}}}, "an earlier batch", 1);
  auto removal = model();
  EXPECT_EQ(removal->plan().settingsLeftChanged, 0);

  removal->revertEverything();
  EXPECT_EQ(removal->property("outcomeText").toString(), "0 of 0 settings put back");
  EXPECT_FALSE(removal->undoSurvivesRestart());
  ASSERT_EQ(services.history.all().size(), 1u);
  EXPECT_EQ(services.history.all()[0].reason, "an earlier batch");
}

TEST_F(RemovalModelTest, PracticeModeChangesNothingAndFailuresAreKeptForTheOwner) {
  prepare();
  auto practice = model(true);
  const RemovalPlan before = practice->plan();
  practice->revertEverything();
  practice->removeAppData();
  EXPECT_EQ(practice->plan(), before);
  EXPECT_EQ(practice->outcome(), std::nullopt);
  EXPECT_EQ(services.seen("autohide"), PV::boolean(true));
  EXPECT_TRUE(fs::exists(services.support + "/intents.json"));
  EXPECT_EQ(unregistered, 0);

  unregisterFailure = "Could not turn off sync at startup: no agent";
  auto removal = model(false, std::nullopt, th::GuidedServices::unwritableHistory());
  removal->revertEverything();
  EXPECT_EQ(services.seen("autohide"), PV::boolean(true)) << "nothing is put back before the user agrees";
  ASSERT_TRUE(removal->wayBackQuestion()->isAsking());
  EXPECT_TRUE(removal->wayBackQuestion()->message().endsWith("nothing will put these settings back as they were."));
  removal->wayBackQuestion()->agree();
  EXPECT_FALSE(removal->undoSurvivesRestart());
  ASSERT_TRUE(removal->lastError());
  EXPECT_TRUE(removal->lastError()->starts_with("The undo point could not be saved to disk (")) << "named first";
  EXPECT_EQ(services.seen("autohide"), std::nullopt) << "the revert itself stands";

  auto again = model();
  again->removeAppData();
  EXPECT_EQ(again->lastError(), "Could not turn off sync at startup: no agent");
}

TEST_F(RemovalModelTest, AValueNoUndoPointCanHoldIsLeftOutOfItAndTheUserIsTold) {
  // A number that is not finite, as another program may store it.
  services.log.record("dock.autohide", PV::boolean(true));
  services.store->write(PV::real(std::nan("")), "autohide", services.resolver.resolve(services.domain, false));
  auto removal = model();
  removal->revertEverything();

  EXPECT_TRUE(removal->undoSurvivesRestart());
  ASSERT_EQ(services.history.all().size(), 1u);
  EXPECT_TRUE(services.history.all()[0].snapshot.entries.at(0).isUnreadable);
  EXPECT_EQ(removal->lastError(),
            "The undo point saved to disk leaves out 1 settings whose values cannot be saved in it: taking it back from "
            "the list leaves them as they are.");
}
