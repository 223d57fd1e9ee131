// The first-run model over the real backup service, preference files and undo-point history in
// the temporary home: the route each home leads to, backing up, the restore asked, cancelled and
// confirmed, its undo point, practice mode, and the failures a user can meet.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <filesystem>
#include <functional>

#include "FirstRunHome.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using ui::FirstRunModel;
using PV = PreferenceValue;
namespace fs = std::filesystem;

namespace {

std::string text(const QVariantMap& row, const char* key) { return row.value(key).toString().toStdString(); }

const PrefKey seconds{"com.example.clock", "ShowSeconds", PV::boolean(true)};

}  // namespace

TEST(FirstRunModel, EachPreparedHomeLeadsToItsRouteAndListsEveryBackupFile) {
  struct Case {
    std::vector<PrefKey> values;
    bool otherMacBackup;
    FirstRunModel::Route route;
    std::string subtitleStart;
  };
  // The system-written clock never counts as a deliberate change.
  const std::vector<Case> cases{
      {{seconds}, false, FirstRunModel::Discover, "None of the 5 settings"},
      {{seconds}, true, FirstRunModel::Restore, "This Mac is untouched, and there is a backup"},
      {{tile16, seconds}, true, FirstRunModel::Restore, "There is a backup in your cloud folder"},
      {{tile16, autohide, seconds}, false, FirstRunModel::BackUpWhatYouHave, "2 of 5 settings have a value"},
      {{tile16, autohide}, true, FirstRunModel::Compare, "This Mac has 2 settings of its own"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.route);
    FirstRunHome mac;
    if (c.otherMacBackup) {
      mac.set({{"com.example.dock", "magnification", PV::boolean(true)}});
      mac.backUpAs("OTHER-MAC", "Office");
      mac.set({{"com.example.dock", "magnification", std::nullopt}});
      // Refused files are listed with their reasons, never as backups.
      writeFile(mac.folder + "/BROKEN.amberloom.json", "not json");
      auto damaged = readFile(mac.folder + "/OTHER-MAC.amberloom.json");
      damaged.replace(damaged.find("magnification"), 13, "magnificatioN");
      writeFile(mac.folder + "/DAMAGED.amberloom.json", damaged);
      writeFile(mac.folder + "/notes.txt", "ignored");
    }
    mac.set(c.values);
    const auto model = mac.model();
    QAbstractItemModelTester tester(model->backupList());

    EXPECT_EQ(model->routeValue(), c.route);
    EXPECT_TRUE(model->subtitle().startsWith(QString::fromStdString(c.subtitleStart))) << model->subtitle().toStdString();
    ASSERT_EQ(model->backups().size(), c.otherMacBackup ? 1u : 0u);
    if (!c.otherMacBackup) continue;
    // The values it holds, not the keys it found unset on that Mac.
    EXPECT_EQ(model->backupList()->data(model->backupList()->index(0), ui::BackupListModel::SavedCountRole).toString(),
              "1 setting saved");
    EXPECT_EQ(model->unreadableWarnings(),
              QStringList({"BROKEN.amberloom.json could not be read (not a AmberLoom backup)",
                           "DAMAGED.amberloom.json could not be read (the file is damaged or half-written)"}));
    model->askToRestore(1);  // no such row: a refused file cannot be restored
    EXPECT_FALSE(model->hasPendingRestore());
  }
}

TEST(FirstRunModel, BackingUpThenRestoringAfterConfirmationBringsTheValuesBackAndStoresTheUndoPoint) {
  FirstRunHome mac;
  mac.set({tile16, autohide});
  const auto model = mac.model();
  QSignalSpy backupsChanged(model.get(), &FirstRunModel::backupsChanged);
  model->backUpNow();
  FirstRunHome::settle(*model);
  const std::string file = mac.folder + "/THIS-MAC.amberloom.json";
  ASSERT_TRUE(fileExists(file));
  EXPECT_EQ(text(model->outcomeRow(), "text"), "Saved to " + file);
  EXPECT_EQ(backupsChanged.count(), 1);
  ASSERT_EQ(model->backups().size(), 1u);

  // This Mac moves on: one value differs, one is gone, one is new.
  mac.set({{"com.example.dock", "tilesize", PV::integer(64)},
            {"com.example.dock", "autohide", std::nullopt},
            {"com.example.dock", "magnification", PV::boolean(true)}});
  model->askToRestore(0);
  ASSERT_TRUE(model->hasPendingRestore());
  EXPECT_EQ(model->confirmationTitle(), "Bring settings over from Studio?");
  const auto& plan = model->pendingRestore()->plan;
  EXPECT_EQ(plan, (ui::RestorePlan{{{"com.example.dock", {"tilesize"}, false}, {"com.example.dock", {"autohide"}, false}},
                                   {{"com.example.dock", {"tilesize"}, false}}, 0, 3, {}}));
  model->cancelRestore();
  EXPECT_FALSE(model->hasPendingRestore());
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(64));
  EXPECT_EQ(text(model->outcomeRow(), "text"), "Saved to " + file);

  model->askToRestore(0);
  bool closedBeforeWriting = false;
  QObject::connect(model.get(), &FirstRunModel::pendingRestoreChanged, [&] {
    closedBeforeWriting = !model->hasPendingRestore() && mac.seen("com.example.dock", "tilesize") == PV::integer(64);
  });
  model->confirmRestore();
  EXPECT_TRUE(closedBeforeWriting);
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(16));
  EXPECT_EQ(mac.seen("com.example.dock", "autohide"), PV::boolean(true));
  EXPECT_EQ(mac.seen("com.example.dock", "magnification"), PV::boolean(true)) << "a restore never deletes a key";
  EXPECT_EQ(text(model->outcomeRow(), "text"), "2 of 2 settings restored from Studio");
  EXPECT_FALSE(model->outcomeRow().value("warning").toBool());

  const auto points = SnapshotHistory(mac.historyFolder).all();
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].reason, "Before restoring from Studio");
  ASSERT_TRUE(model->undoSnapshot());
  EXPECT_EQ(points[0].snapshot, *model->undoSnapshot());
  EXPECT_TRUE(model->undoSurvivesRestart());
  EXPECT_FALSE(model->offersUndo()) << "a stored point is undone from the list of undo points";
  SnapshotService(mac.store, mac.resolver).restore(points[0].snapshot);
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(64));
  EXPECT_EQ(mac.seen("com.example.dock", "autohide"), std::nullopt);

  QSignalSpy outcomes(model.get(), &FirstRunModel::outcomeChanged);
  model->confirmRestore();  // nothing pending
  EXPECT_EQ(outcomes.count(), 0);
}

// The Dock's preference file is damaged: the scan counts its settings as neither set nor untouched,
// the restore question says they cannot come over, and nothing is written there.
TEST(FirstRunModel, ADamagedDomainIsNeitherUntouchedNorOfferedByTheRestore) {
  FirstRunHome mac;
  mac.set({tile16, autohide});
  mac.backUpAs("OTHER-MAC", "Office");
  const std::string dock = preferencesFile("com.example.dock");
  writeFile(dock, "bplist00 damaged");
  const auto model = mac.model();
  EXPECT_EQ(model->routeValue(), FirstRunModel::Restore);
  EXPECT_EQ(model->subtitle(), "There is a backup in your cloud folder. Restoring it brings your settings across.");
  EXPECT_EQ(model->unreadableNote(),
            "The values of 3 settings cannot be read: the preferences of com.example.dock are damaged. They count "
            "neither as changed nor as untouched, and AmberLoom writes nothing there.");

  model->askToRestore(0);
  ASSERT_TRUE(model->hasPendingRestore());
  const std::vector<SettingRef> damaged{{"com.example.dock", {"tilesize"}, false}, {"com.example.dock", {"autohide"}, false}};
  EXPECT_EQ(model->pendingRestore()->plan, (ui::RestorePlan{{}, {}, 0, 3, damaged}));
  EXPECT_TRUE(model->confirmationMessage().startsWith("0 settings will be brought over from Office."));
  EXPECT_TRUE(model->confirmationMessage().endsWith(
      "\n\n2 cannot be brought over, as their values on this Mac cannot be read: com.example.dock tilesize, "
      "com.example.dock autohide."))
      << model->confirmationMessage().toStdString();
  model->confirmRestore();
  EXPECT_EQ(readFile(dock), "bplist00 damaged");
}

TEST(FirstRunModel, PracticeModeReportsWhatWouldHappenAndWritesNothing) {
  FirstRunHome mac;
  mac.set({tile16});
  mac.backUpAs("OTHER-MAC", "Office");
  mac.set({{"com.example.dock", "tilesize", PV::integer(64)}});
  const auto before = filesBelow(home());
  const auto model = mac.model(true);

  model->backUpNow();
  EXPECT_EQ(model->outcome(), ui::BackupOutcome(ui::BackedUp{mac.folder + "/THIS-MAC.amberloom.json (kuru kosum \u2014 yazilmadi)"}));
  model->askToRestore(0);
  ASSERT_TRUE(model->hasPendingRestore()) << "the plan is made in practice mode too";
  model->confirmRestore();
  EXPECT_EQ(model->outcome(), ui::BackupOutcome(ui::Restored{"OTHER-MAC (kuru kosum \u2014 yazilmadi)", "Office", std::nullopt}));
  EXPECT_EQ(text(model->outcomeRow(), "text"), "Settings from Office applied");
  EXPECT_EQ(model->backups().size(), 1u);
  EXPECT_EQ(filesBelow(home()), before);
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(64));
  EXPECT_FALSE(model->undoSnapshot());
}

TEST(FirstRunModel, ARestoreOutlivesItsFolderAndItsOnlyWayBackOutlastsABackupAndARefusedRestore) {
  FirstRunHome mac;
  mac.set({tile16});
  mac.backUpAs("OTHER-MAC", "Office");
  mac.set({{"com.example.dock", "tilesize", PV::integer(64)}});
  writeFile(home() + "/blocked", "a file where the history folder belongs");
  const auto model = mac.model(false, home() + "/blocked/History");
  QSignalSpy undoState(model.get(), &FirstRunModel::undoStateChanged);
  fs::remove_all(mac.folder);  // gone between listing and restoring: the listed backup is restored

  model->askToRestore(0);
  model->confirmRestore();
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(64)) << "nothing is written before the user agrees";
  ASSERT_TRUE(model->wayBackQuestion()->isAsking());
  EXPECT_FALSE(model->hasOutcome());
  model->wayBackQuestion()->agree();
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(16));
  EXPECT_EQ(text(model->outcomeRow(), "text"), "1 of 1 settings restored from Office");
  EXPECT_TRUE(text(model->outcomeRow(), "undoWarning").starts_with("The undo point could not be saved to disk ("));
  EXPECT_FALSE(model->undoSurvivesRestart());
  EXPECT_TRUE(model->offersUndo());
  EXPECT_EQ(undoState.count(), 1);

  // Without the point on disk the held state is the only way back: what writes nothing keeps it.
  BackupEnvelope refused = model->backups()[0];
  refused.snapshot.entries.push_back({SettingRef{"../elsewhere", {"key"}, false}, PV::boolean(true)});
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"a backup", [&] { model->backUpNow(); FirstRunHome::settle(*model); }},
      {"a restore refused before it writes", [&] { model->restore(refused); }},
  };
  for (const auto& [name, step] : steps) {
    SCOPED_TRACE(name);
    step();
    EXPECT_TRUE(model->offersUndo());
    EXPECT_TRUE(model->outcomeRow().value("offersUndo").toBool());
  }
  // The undo's own point cannot be stored either: asked first, like the restore.
  model->undoRestore();
  ASSERT_TRUE(model->wayBackQuestion()->isAsking());
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(16));
  model->wayBackQuestion()->agree();
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(64));
  EXPECT_FALSE(model->offersUndo());
  ASSERT_EQ(mac.heard->size(), 2u) << "the restore and its undo, announced to the other screens";
  EXPECT_FALSE(mac.heard->changes[0].storedUndoPoint);
}

TEST(FirstRunModel, ABackupFolderThatCannotBeWrittenShowsThePlatformErrorAndWritesNothing) {
  const std::string writeHint = "Choose a backup folder AmberLoom can write to in AmberLoom Settings.";
  const std::string cloudHint = "iCloud Drive may be turned off on this Mac. Turn it on in System Settings, or choose "
                                "another backup folder in AmberLoom Settings.";
  struct Case {
    std::string folder;
    std::string hint;
  };
  for (const auto& c : {Case{home() + "/blocked/AmberLoom", writeHint},
                        Case{home() + "/blocked/Library/Mobile Documents/com~apple~CloudDocs/AmberLoom", cloudHint}}) {
    FirstRunHome mac;
    mac.folder = c.folder;
    writeFile(home() + "/blocked", "a file where a folder belongs");
    std::string platformText;
    try {
      mac.service().createBackup(c.folder);
    } catch (const std::exception& error) {
      platformText = error.what();
    }
    ASSERT_FALSE(platformText.empty());
    const auto model = mac.model();
    QSignalSpy backupsChanged(model.get(), &FirstRunModel::backupsChanged);
    model->backUpNow();
    FirstRunHome::settle(*model);
    // The platform's words closed as a sentence before the advice.
    ASSERT_NE(platformText.back(), '.');
    EXPECT_EQ(model->outcome(), ui::BackupOutcome(ui::BackupFailed{platformText + ". " + c.hint}));
    EXPECT_TRUE(model->outcomeRow().value("warning").toBool());
    EXPECT_EQ(backupsChanged.count(), 0);
    EXPECT_EQ(readFile(home() + "/blocked"), "a file where a folder belongs");
  }
}

TEST(FirstRunModel, BackingUpAsksBeforeReplacingThisMacsBackupAndOnlyThen) {
  FirstRunHome mac;
  mac.set({tile16, autohide, {"com.example.dock", "magnification", PV::boolean(true)}});
  const std::string own = mac.backUpAs("THIS-MAC", "Studio");
  // After a reinstall this Mac keeps its id and holds far fewer values. Its own backup is no
  // second set of settings: the wizard offers to back up what it has.
  mac.set({{"com.example.dock", "magnification", std::nullopt}});
  const auto model = mac.model();
  ASSERT_EQ(model->routeValue(), FirstRunModel::BackUpWhatYouHave);
  const std::string saved = readFile(own);

  model->askToBackUp();
  FirstRunHome::settle(*model);
  EXPECT_TRUE(model->asksToReplaceBackup());
  EXPECT_TRUE(model->replaceMessage().contains("with 3 settings saved")) << model->replaceMessage().toStdString();
  EXPECT_FALSE(model->outcome());
  model->cancelReplace();
  EXPECT_FALSE(model->asksToReplaceBackup());
  EXPECT_EQ(readFile(own), saved);

  model->askToBackUp();
  FirstRunHome::settle(*model);
  model->confirmReplace();
  FirstRunHome::settle(*model);
  EXPECT_FALSE(model->asksToReplaceBackup());
  EXPECT_NE(readFile(own), saved);
  EXPECT_EQ(text(model->outcomeRow(), "text"), "Saved to " + own);

  fs::remove(own);
  model->askToBackUp();
  FirstRunHome::settle(*model);
  EXPECT_FALSE(model->asksToReplaceBackup()) << "nothing to replace: backed up at once";
  EXPECT_TRUE(fileExists(own));
}

// Nothing is read at start; a screen's ask reads the folder on a worker, and an ask while that
// read runs reads once more after it. A backup returns at once and holds off a restore meanwhile.
TEST(FirstRunModel, TheFolderIsReadWhenAScreenAsksAndNeverOnTheCallersTurn) {
  FirstRunHome mac;
  mac.set({tile16});
  mac.backUpAs("OTHER-MAC", "Office");
  const auto model = mac.madeModel();
  QSignalSpy reading(model.get(), &FirstRunModel::readingBackupsChanged);
  EXPECT_TRUE(model->backups().empty()) << "nothing read before a screen asks";

  model->refreshBackups();
  EXPECT_TRUE(model->readingBackups());
  EXPECT_TRUE(model->backups().empty()) << "taken in on a later turn of the event loop";
  mac.backUpAs("THIRD-MAC", "Laptop");
  model->refreshBackups();
  FirstRunHome::settle(*model);
  EXPECT_EQ(model->backups().size(), 2u) << "the second ask sees the file written after the first";
  EXPECT_EQ(reading.count(), 2) << "one span of reading covers both asks";

  model->backUpNow();
  EXPECT_TRUE(model->progress()->isRunning());
  EXPECT_FALSE(model->outcome());
  model->restore(model->backups()[0]);  // refused while the backup runs
  FirstRunHome::settle(*model);
  EXPECT_EQ(model->outcome(), ui::BackupOutcome(ui::BackedUp{mac.folder + "/THIS-MAC.amberloom.json"}));
  EXPECT_EQ(model->backups().size(), 3u);
  EXPECT_TRUE(SnapshotHistory(mac.historyFolder).all().empty());
}
