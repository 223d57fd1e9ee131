// The questions of the main window as a user meets them: a batch whose undo point cannot be stored
// writes nothing until the user says to go on without one, and the batches a killed run left
// unsettled are offered at once, to be taken back or kept. Driven from the keyboard (Return gives
// the default answer, Escape the safe one), heard by a screen reader, rendered in both palettes.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "Changes/InterruptedBatches.hpp"
#include "Guided/UndoPointsModel.hpp"
#include "GuidedServices.hpp"
#include "ScreenWindow.hpp"
#include "SmallDisk.hpp"

using namespace amberloom;
using amberloom::ui::InterruptedBatchOffer;
using amberloom::ui::UndoPointsModel;
using amberloom::ui::WayBackQuestion;
using PV = PreferenceValue;
namespace th = amberloom::testing;

namespace {

const SettingRef sizeRef{th::GuidedServices::domain, {"size"}, false};
const SettingRef pathRef{th::GuidedServices::domain, {"path"}, false};

class WayBackQuestionsTest : public ::testing::Test {
 protected:
  th::GuidedServices services;

  // A batch killed after its point and its first write: the point stays in progress.
  void killedPartWay(const Snapshot& before, const char* reason, double at) {
    services.history.storeAhead(before, reason, at);  // let go, as a killed process lets go
  }
  std::vector<InterruptedBatch> found() const {
    return InterruptedBatches(services.history, SnapshotService(services.store, services.resolver)).find();
  }
};

// The question host over its own window, active for keys.
class Questions {
 public:
  Questions(QObject* question, QObject* offer)
      : window_(th::testQml("QuestionsHost.qml"), {980, 560}, th::ScreenWindow::Palette::FromScheme,
                {{"question", QVariant::fromValue(question)}, {"offer", QVariant::fromValue(offer)}}) {
    window_.window().requestActivate();
    if (!QTest::qWaitForWindowActive(&window_.window())) throw std::runtime_error("the window never became active");
  }
  th::ScreenWindow& window() { return window_; }
  QQuickItem* shown(const char* name) { return th::ScreenWindow::findShownBelow(window_.window().contentItem(), name); }
  QString text(const char* name) {
    QQuickItem* item = shown(name);
    return item ? item->property("text").toString() : QString();
  }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(&window_.window(), key, modifiers); }
  // Whether a dialog shows, once what an answer started has run.
  bool asks() {
    QTest::qWait(0);
    QCoreApplication::processEvents();
    return shown("questionTitle") != nullptr;
  }

 private:
  th::ScreenWindow window_;
};

}  // namespace

TEST_F(WayBackQuestionsTest, ABatchThatStoppedIsOfferedAtOnceAndEitherAnswerSettlesItsPoint) {
  th::GuidedServices::writeOutside("size", "-int", "36");
  killedPartWay(Snapshot{{{pathRef, std::nullopt}}}, "Before putting back 1 settings", 100);
  th::GuidedServices::writeOutside("path", "-string", "~/Projects");
  killedPartWay(Snapshot{{{sizeRef, PV::integer(36)}}}, "Before applying “Calm”", 200);
  th::GuidedServices::writeOutside("size", "-int", "64");
  // Killed before it wrote anything: the start removes it without a word.
  killedPartWay(Snapshot{{{SettingRef{th::GuidedServices::domain, {"hidden"}, false}, std::nullopt}}},
                "Before bringing 1 settings from Office", 300);

  // As the application starts: the points looked at before any model lists them.
  auto interrupted = found();
  const auto sync = services.syncModel();
  UndoPointsModel points(*sync, std::move(interrupted));
  InterruptedBatchOffer& offer = *points.interrupted();
  ASSERT_TRUE(offer.isAsking());
  EXPECT_EQ(points.count(), 2) << "both stay listed meanwhile";
  Questions window(nullptr, &offer);
  ASSERT_TRUE(window.asks()) << "offered as the window opens";
  EXPECT_EQ(window.text("questionTitle"), "A change was not finished");
  EXPECT_EQ(window.text("questionMessage"), "AmberLoom stopped while applying “Calm”; 1 setting may have changed.");
  EXPECT_EQ(window.text("questionDefault"), "Undo");
  EXPECT_EQ(window.text("questionOther"), "Keep");
  QQuickItem* dialog = window.shown("questionTitle")->parentItem();
  QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(dialog);
  ASSERT_TRUE(heard);
  EXPECT_EQ(heard->role(), QAccessible::Dialog);
  EXPECT_EQ(heard->text(QAccessible::Name), "A change was not finished");
  EXPECT_EQ(heard->text(QAccessible::Description), offer.message());
  th::renderInBothPalettes(window.window(), "interrupted-batch-offer");

  // Return: the default answer takes the batch back; the older one is offered next.
  window.press(Qt::Key_Return);
  ASSERT_TRUE(window.asks());
  EXPECT_EQ(services.seen("size"), PV::integer(36));
  EXPECT_EQ(window.text("questionMessage"), "AmberLoom stopped while putting back 1 settings; 1 setting may have changed.");
  // Escape keeps what it did.
  window.press(Qt::Key_Escape);
  EXPECT_FALSE(window.asks());
  EXPECT_EQ(services.seen("path"), PV::string("~/Projects"));
  EXPECT_FALSE(offer.isAsking());
  EXPECT_EQ(window.text("dialogAlertMessage"), "1 of 1 settings put back") << "the Undo's outcome, once none is offered";
  th::renderInBothPalettes(window.window(), "interrupted-batch-outcome");
  EXPECT_TRUE(found().empty()) << "settled: not offered at the next start";
  std::vector<std::string> reasons;
  for (const auto& point : services.history.all()) reasons.push_back(point.reason);
  EXPECT_EQ(reasons, (std::vector<std::string>{"Before taking back: applying “Calm”", "Before applying “Calm”",
                                               "Before putting back 1 settings"}));
}

TEST_F(WayBackQuestionsTest, AQuickSetupWithoutAStoredPointWritesOnlyOnTheUsersContinue) {
  auto recipes = services.recipesModel({Recipe{"large", "Large Dock", "", "", std::nullopt, {{"dock.size", PV::integer(64)}}}},
                                       false, th::GuidedServices::unwritableHistory());
  recipes->setSelectedRecipeID("large");
  Questions window(recipes->wayBackQuestion(), nullptr);
  EXPECT_FALSE(window.asks());
  recipes->apply();
  ASSERT_TRUE(window.asks());
  EXPECT_EQ(window.text("questionTitle"), "Continue without a way back?");
  EXPECT_TRUE(window.text("questionMessage").startsWith("The undo point could not be saved to disk ("));
  EXPECT_TRUE(window.text("questionMessage")
                  .endsWith("so nothing has been changed yet. If you continue, Undo works while this window is open, "
                            "but not after you quit."));
  EXPECT_TRUE(window.shown("questionOther")->property("destructive").toBool()) << "going on is the risky answer";
  th::renderInBothPalettes(window.window(), "way-back-question");

  // Return and Escape both keep everything as it is.
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    window.press(key);
    EXPECT_FALSE(window.asks());
    EXPECT_EQ(services.seen("size"), std::nullopt);
    recipes->apply();
    ASSERT_TRUE(window.asks());
  }
  // The focus moved to "Continue" and Return pressed there: written, with the undo held here.
  window.press(Qt::Key_Tab);
  EXPECT_TRUE(window.shown("questionOther")->hasActiveFocus());
  window.press(Qt::Key_Return);
  EXPECT_FALSE(window.asks());
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_FALSE(recipes->undoSurvivesRestart());
  EXPECT_TRUE(recipes->lastUndo());
}

TEST_F(WayBackQuestionsTest, TakingBackAPointWhoseOwnPointCannotBeStoredAsksAndSaysThereIsNoWayBackThen) {
  th::SmallDisk disk(services.history.folder(), 64 * 1024);
  if (!disk.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
  th::GuidedServices::writeOutside("size", "-int", "64");
  services.history.record(Snapshot{{{sizeRef, PV::integer(36)}}}, "Before applying “Calm”", 100);
  disk.fill();
  const auto sync = services.syncModel();
  UndoPointsModel points(*sync);
  WayBackQuestion& question = *points.wayBackQuestion();

  points.undo(0);
  ASSERT_TRUE(question.isAsking());
  EXPECT_TRUE(question.message().endsWith("If you continue, nothing will put these settings back as they were."));
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_TRUE(points.outcome().isEmpty());
  question.decline();
  EXPECT_EQ(services.seen("size"), PV::integer(64));

  points.undo(0);
  question.agree();
  EXPECT_FALSE(question.isAsking());
  EXPECT_EQ(services.seen("size"), PV::integer(36));
  EXPECT_EQ(points.outcome(), "1 of 1 settings put back");
  EXPECT_EQ(points.count(), 1) << "the point taken back stays; none was stored for the undo";
}
