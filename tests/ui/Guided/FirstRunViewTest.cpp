// The first-run wizard as a user goes through it, over the real services in the temporary home:
// which keys and buttons each route answers, the restore confirmation's Cancel, Escape and
// Restore, the question before this Mac's backup is replaced, and the Undo of a restore that
// failed part-way. Every step is saved in both palettes at the main window's size.

#include <gtest/gtest.h>

#include <QQuickItem>
#include <QTest>
#include <filesystem>

#include "FirstRunHome.hpp"
#include "ScreenGeometry.hpp"
#include "ScreenWindow.hpp"

using namespace amberloom;
using namespace amberloom::testing;
using ui::FirstRunModel;
using PV = PreferenceValue;

namespace {

const QSize mainWindow{980, 560};

// Items made by a repeater are found through the item tree, not their owners.
void collect(QQuickItem* item, const QString& name, QList<QQuickItem*>& found) {
  if (item->objectName() == name) found.append(item);
  for (auto* child : item->childItems()) collect(child, name, found);
}

// The wizard over `model`, shown and ready for keys.
class Wizard {
 public:
  explicit Wizard(FirstRunModel& model) : window_(testQml("FirstRunScreen.qml"), mainWindow) {
    window_.screen()->setProperty("model", QVariant::fromValue<QObject*>(&model));
    window_.window().requestActivate();
    if (!QTest::qWaitForWindowActive(&window_.window(), 60000)) throw std::runtime_error("the window never became active");
  }

  ScreenWindow& window() { return window_; }
  QQuickItem* item(const char* name) { return window_.item(name); }
  int finishes() const { return window_.screen()->property("finishes").toInt(); }

  void click(const QQuickItem* item) {
    QTest::mouseClick(&window_.window(), Qt::LeftButton, {}, window_.centreOf(item));
  }
  void doubleClick(const QQuickItem* item) {
    QTest::mouseClick(&window_.window(), Qt::LeftButton, {}, window_.centreOf(item));
    QTest::mouseDClick(&window_.window(), Qt::LeftButton, {}, window_.centreOf(item));
  }
  void press(Qt::Key key) { QTest::keyClick(&window_.window(), key); }

  QObject* alert(const char* name) {
    auto* found = window_.screen()->findChild<QObject*>(name);
    if (!found) throw std::runtime_error(std::string("no ") + name);
    return found;
  }
  bool isOpen(const char* alertName) { return alert(alertName)->property("opened").toBool(); }
  void clickInAlert(const char* alertName, const char* button) {
    auto* found = alert(alertName)->findChild<QQuickItem*>(button);
    if (!found) throw std::runtime_error(std::string("no ") + button);
    click(found);
  }
  QQuickItem* nthRow(int n) {
    QList<QQuickItem*> rows;
    collect(window_.screen(), "backupRow", rows);
    std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->y() < b->y(); });
    return rows.at(n);
  }
  QString outcomeText() { return item("outcomeText")->property("text").toString(); }
  // Each step as it stands, in the light and the dark palette, under <build>/screens.
  void render(const QString& name) { renderInBothPalettes(window_, name); }

 private:
  ScreenWindow window_;
};


}  // namespace

TEST(FirstRunView, CompareWalkConfirmsTheRestoreAndAsksBeforeReplacingThisMacsBackup) {
  FirstRunHome mac;
  mac.set({tile16, autohide, {"com.example.dock", "magnification", PV::boolean(true)}});
  mac.backUpAs("THIS-MAC", "Studio");
  mac.set({{"com.example.dock", "tilesize", PV::integer(48)}});
  mac.backUpAs("OTHER-MAC", "Office");
  mac.set({{"com.example.dock", "tilesize", PV::integer(64)}, {"com.example.dock", "magnification", std::nullopt}});
  const auto model = mac.model();
  ASSERT_EQ(model->routeValue(), FirstRunModel::Compare);
  Wizard wizard(*model);
  wizard.render("first-run-compare");

  wizard.press(Qt::Key_Return);
  EXPECT_FALSE(model->outcome()) << "Return must not back up over this Mac's backup";
  EXPECT_FALSE(model->asksToReplaceBackup());

  // Office's row, the first by file name: Cancel, then Escape, leave everything as it was.
  wizard.click(wizard.nthRow(0)->findChild<QQuickItem*>("bringOverButton"));
  ASSERT_TRUE(wizard.isOpen("restoreConfirmation"));
  // "Restore" before "Cancel", as the removal's questions order theirs, and drawn as destructive.
  const auto button = [&](const char* name) { return wizard.alert("restoreConfirmation")->findChild<QQuickItem*>(name); };
  EXPECT_TRUE(button("alertAction")->property("destructive").toBool());
  EXPECT_LT(sceneRect(button("alertAction")).right(), sceneRect(button("alertCancel")).left());
  wizard.render("first-run-restore-confirmation");
  wizard.clickInAlert("restoreConfirmation", "alertCancel");
  EXPECT_FALSE(wizard.isOpen("restoreConfirmation"));
  EXPECT_FALSE(model->hasPendingRestore());
  wizard.click(wizard.nthRow(0)->findChild<QQuickItem*>("bringOverButton"));
  ASSERT_TRUE(wizard.isOpen("restoreConfirmation"));
  wizard.press(Qt::Key_Escape);
  EXPECT_FALSE(wizard.isOpen("restoreConfirmation"));
  EXPECT_FALSE(model->hasPendingRestore());
  EXPECT_FALSE(model->outcome());
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(64));
  EXPECT_EQ(wizard.finishes(), 0) << "Escape closed the question, not the wizard";

  // A double click opens the question and leaves it open: the second click lands beside it.
  wizard.doubleClick(wizard.nthRow(0)->findChild<QQuickItem*>("bringOverButton"));
  QTest::qWait(100);
  ASSERT_TRUE(wizard.isOpen("restoreConfirmation"));
  EXPECT_TRUE(model->confirmationMessage().startsWith("2 settings will be brought over from Office.\n\n"));
  EXPECT_TRUE(model->confirmationMessage().contains("1 is already the same"));
  wizard.clickInAlert("restoreConfirmation", "alertAction");
  EXPECT_FALSE(wizard.isOpen("restoreConfirmation"));
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(48));
  EXPECT_TRUE(wizard.item("outcomeRow")->isVisible());
  // The outcome counts what the question counted: two values to bring over, one already the same.
  EXPECT_EQ(wizard.outcomeText().toStdString(), "2 of 2 settings restored from Office");
  EXPECT_EQ(wizard.item("title")->property("text").toString(), "Your settings are here");
  EXPECT_TRUE(wizard.item("browseButton")->property("prominent").toBool()) << "the way on after a restore";
  wizard.render("first-run-restored");

  wizard.click(wizard.item("backUpButton"));
  FirstRunHome::settle(*model);  // this Mac's file is looked for on the worker that backs up
  ASSERT_TRUE(wizard.isOpen("replaceConfirmation"));
  wizard.render("first-run-replace-question");
  wizard.clickInAlert("replaceConfirmation", "alertAction");
  FirstRunHome::settle(*model);
  EXPECT_EQ(wizard.outcomeText().toStdString(), "Saved to " + mac.folder + "/THIS-MAC.amberloom.json");

  wizard.click(wizard.item("skipButton"));
  EXPECT_EQ(wizard.finishes(), 1);
}

TEST(FirstRunView, SixBackupsScrollAboveAFooterThatStaysAndARestoreComesIntoView) {
  FirstRunHome mac;
  mac.set({tile16});
  // Another Mac names its backup as it likes: markup and long unbroken names are shown as typed.
  mac.backUpAs("MAC-0", "<b>Office</b> <img src=\"file:///usr/share/icons/x.png\"> & <i>Studio</i>");
  for (int i = 1; i < 5; ++i) mac.backUpAs("MAC-" + std::to_string(i), "Mac number " + std::to_string(i));
  mac.backUpAs("MAC-5", std::string(20000, 'W'));
  writeFile(mac.folder + "/<font size=7>odd.amberloom.json", "not json");
  mac.set({{"com.example.dock", "tilesize", std::nullopt}});
  const auto model = mac.model();
  Wizard wizard(*model);
  wizard.render("first-run-six-backups");
  QQuickItem* scroller = wizard.item("wizardScroller");
  EXPECT_TRUE(wizard.item("wizardScrollBar")->isVisible() && wizard.item("wizardScrollBar")->width() > 0);
  expectInsideAndApart({wizard.item("folderPath"), wizard.item("skipButton"), scroller});
  expectTextsAsTypedAndWithinTheirBoxes(wizard.window().window().contentItem());
  // The question about the Mac with the endless name still shows its buttons.
  model->askToRestore(5);
  ASSERT_TRUE(wizard.isOpen("restoreConfirmation"));
  const auto alertButton = [&](const char* name) {
    return wizard.alert("restoreConfirmation")->findChild<QQuickItem*>(name);
  };
  expectInsideAndApart({alertButton("alertTitle"), alertButton("alertMessage"), alertButton("alertAction"),
                        alertButton("alertCancel")});
  expectTextsAsTypedAndWithinTheirBoxes(wizard.window().window().contentItem());
  wizard.render("first-run-long-name-confirmation");
  wizard.clickInAlert("restoreConfirmation", "alertCancel");
  wizard.click(wizard.nthRow(0)->findChild<QQuickItem*>("bringOverButton"));
  ASSERT_TRUE(wizard.isOpen("restoreConfirmation"));
  expectTextsAsTypedAndWithinTheirBoxes(wizard.window().window().contentItem());
  wizard.render("first-run-six-backups-confirmation");
  wizard.clickInAlert("restoreConfirmation", "alertAction");
  EXPECT_TRUE(QTest::qWaitFor([&] { return sceneRect(scroller).contains(sceneRect(wizard.item("outcomeRow"))); }, 60000));
  EXPECT_EQ(wizard.outcomeText().toStdString(),
            "1 of 1 settings restored from <b>Office</b> <img src=\"file:///usr/share/icons/x.png\"> & <i>Studio</i>");
  expectTextsAsTypedAndWithinTheirBoxes(wizard.window().window().contentItem());
  wizard.render("first-run-six-backups-restored");
}

TEST(FirstRunView, EachRouteAnswersReturnAndEscapeAsItsButtonsSay) {
  struct Case {
    std::vector<PrefKey> values;
    bool otherMacBackup;
    FirstRunModel::Route route;
    QString screen;
    std::vector<const char*> buttons;  // visible, in order
    bool returnFinishes, returnBacksUp, escapeFinishes;
  };
  const std::vector<Case> cases{
      {{}, false, FirstRunModel::Discover, "first-run-discover", {"browseButton"}, true, false, false},
      {{tile16, autohide}, false, FirstRunModel::BackUpWhatYouHave, "first-run-back-up",
       {"backUpButton", "skipForNowButton"}, false, true, true},
      {{}, true, FirstRunModel::Restore, "first-run-restore", {"browseButton"}, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.screen.toStdString());
    FirstRunHome mac;
    if (c.otherMacBackup) {
      mac.set({tile16});
      mac.backUpAs("OTHER-MAC", "Office");
      mac.set({{"com.example.dock", "tilesize", std::nullopt}});
      writeFile(mac.folder + "/BROKEN.amberloom.json", "not json");
    }
    mac.set(c.values);
    const auto model = mac.model();
    ASSERT_EQ(model->routeValue(), c.route);
    Wizard wizard(*model);
    for (const char* name : {"backUpButton", "skipForNowButton", "browseButton"}) {
      const bool shown = std::find(c.buttons.begin(), c.buttons.end(), std::string_view(name)) != c.buttons.end();
      EXPECT_EQ(wizard.item(name)->isVisible(), shown) << name;
    }
    EXPECT_EQ(wizard.item("unreadableWarning")->isVisible(), c.otherMacBackup);
    wizard.render(c.screen);

    wizard.press(Qt::Key_Return);
    FirstRunHome::settle(*model);
    EXPECT_EQ(wizard.finishes(), c.returnFinishes ? 1 : 0);
    EXPECT_EQ(model->outcome().has_value(), c.returnBacksUp);
    if (c.returnBacksUp) wizard.render(c.screen + "-saved");
    wizard.press(Qt::Key_Escape);
    EXPECT_EQ(wizard.finishes(), (c.returnFinishes ? 1 : 0) + (c.escapeFinishes ? 1 : 0));
  }
}

TEST(FirstRunView, ARestoreThatFailsPartWayIsKeptAsAnUndoPointAndItsUndoButtonPutsThingsBack) {
  FirstRunHome mac;
  mac.set({tile16});
  BackupEnvelope backup{"OTHER-MAC", std::nullopt, std::nullopt, std::nullopt, {}};
  backup.snapshot.entries = {{{"com.example.dock", {"tilesize"}, false}, PV::integer(99)},
                             {{"com.example.damaged", {"k"}, false}, PV::boolean(true)}};
  const auto model = mac.model();
  Wizard wizard(*model);
  // A preference file is damaged between the question and the answer: the restore writes what
  // the question said, and fails on that file.
  model->askToRestore(backup);
  writeFile(preferencesFile("com.example.damaged"), "not a property list");
  model->confirmRestore();
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(99)) << "written before the failure";
  EXPECT_TRUE(wizard.outcomeText().endsWith(". Some settings may already have changed. Fix the problem above and try "
                                            "again, or bring settings over one at a time from My Macs."));
  const auto points = SnapshotHistory(mac.historyFolder).all();
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].reason, "Before restoring from OTHER-MAC");
  EXPECT_TRUE(model->undoSurvivesRestart());
  ASSERT_TRUE(wizard.item("undoButton")->isVisible());
  wizard.render("first-run-partial-restore");

  // The user mends the file, then takes the restore back. What the file held before the restore
  // was never seen, so the undo leaves it alone rather than deleting the user's settings, and
  // ends its offer: no undo can do more.
  std::filesystem::remove(preferencesFile("com.example.damaged"));
  mac.set({{"com.example.damaged", "k", PV::boolean(false)}});
  wizard.click(wizard.item("undoButton"));
  EXPECT_EQ(mac.seen("com.example.dock", "tilesize"), PV::integer(16));
  EXPECT_EQ(mac.seen("com.example.damaged", "k"), PV::boolean(false));
  EXPECT_FALSE(wizard.item("undoButton")->isVisible());
  EXPECT_FALSE(model->undoSnapshot());
  EXPECT_TRUE(model->outcomeRow().value("undoResultWarning").toBool());
  EXPECT_EQ(wizard.item("undoResult")->property("text").toString(),
            "Your settings are back as they were before the restore, except 1 that could not be read then: those "
            "were left as they are.");
  wizard.render("first-run-undone");
}
