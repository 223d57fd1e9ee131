// The quick-setups model over the real recipe service on the temporary home: applying with pinned
// settings skipped, the undo point surviving a restart, practice mode, a lost undo point, the
// preview's counts and notifications, and the pins as stored.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "Guided/UndoPointsModel.hpp"
#include "Guided/RecipesModel.hpp"
#include "GuidedServices.hpp"
#include "Preferences/PinnedSettings.hpp"

using namespace amberloom;
using amberloom::ui::RecipesModel;
using amberloom::ui::UndoPointsModel;
using PV = PreferenceValue;
namespace th = amberloom::testing;

namespace {

const Recipe kTidyDock{"tidy-dock", "Tidy Dock", "A calmer Dock", "Hides the Dock and makes it small.", std::nullopt,
                       {{"dock.autohide", PV::boolean(true)},
                        {"dock.size", PV::integer(36)},
                        {"finder.path", PV::string("~/Work")},
                        {"finder.hidden", PV::boolean(true)}}};
const Recipe kOther{"other", "Other", "", "", "Careful", {{"dock.size", PV::integer(64)}}};

class RecipesModelTest : public ::testing::Test {
 protected:
  th::GuidedServices services;

  std::unique_ptr<RecipesModel> model(bool isDryRun = false, std::optional<SnapshotHistory> history = std::nullopt) {
    return services.recipesModel({kTidyDock, kOther}, isDryRun, history);
  }
  // Applications and undos announced so far.
  std::size_t applied() const { return services.heard->size(); }

  // dock.size already matches; finder.hidden differs but is pinned; the other two will be written.
  void prepareThisMac() {
    th::GuidedServices::writeOutside("size", "-int", "36");
    th::GuidedServices::writeOutside("hidden", "-bool", "false");
    PinnedSettings::save({"finder.hidden", "dock.size"}, *services.defaults);
  }
};

}  // namespace

TEST_F(RecipesModelTest, ApplyingSkipsPinnedSettingsAndTheUndoPointOutlivesTheModel) {
  prepareThisMac();
  services.defaults->setString("tidy-dock", "AmberloomOpenRecipe");
  auto recipes = model();
  QAbstractItemModelTester tester(recipes->property("preview").value<QAbstractItemModel*>());

  ASSERT_NE(recipes->selectedRecipe(), nullptr) << "opened from AmberloomOpenRecipe";
  EXPECT_EQ(recipes->changeCount(), 2);
  EXPECT_EQ(recipes->unchangedCount(), 1);
  EXPECT_EQ(recipes->pinnedCount(), 1);
  EXPECT_EQ(recipes->property("summaryLine").toString(), "2 will change · 1 already match · 1 pinned to this Mac");

  recipes->apply();
  ASSERT_TRUE(recipes->report());
  EXPECT_EQ(recipes->report()->outcomes,
            (std::vector<WriteOutcome>{{"dock.autohide", true, std::nullopt}, {"finder.path", true, std::nullopt}}));
  EXPECT_EQ(recipes->report()->alreadyMatching, std::vector<std::string>{"dock.size"});
  EXPECT_EQ(recipes->report()->skippedPinned, std::vector<std::string>{"finder.hidden"});
  EXPECT_EQ(services.seen("autohide"), PV::boolean(true));
  EXPECT_EQ(services.seen("hidden"), PV::boolean(false)) << "a pinned setting is never written";
  EXPECT_EQ(recipes->appliedRecipeID(), "tidy-dock");
  EXPECT_TRUE(recipes->undoSurvivesRestart());
  EXPECT_EQ(recipes->lastError(), std::nullopt);
  EXPECT_EQ(applied(), 1u);
  EXPECT_EQ(recipes->changeCount(), 0) << "the preview shows the values now on this Mac";
  EXPECT_EQ(recipes->property("report").toMap().value("appliedCount").toInt(), 2);
  EXPECT_FALSE(recipes->property("report").isNull()) << "the report stays beside the fresh preview";

  // The application quits; a new run undoes the point it finds on disk.
  recipes.reset();
  const auto sync = services.syncModel();
  UndoPointsModel points(*sync);
  ASSERT_EQ(points.count(), 1);
  EXPECT_EQ(points.history()[0].reason, "Before applying “Tidy Dock”");
  points.undo(0);
  EXPECT_EQ(services.seen("autohide"), std::nullopt);
  EXPECT_EQ(services.seen("path"), std::nullopt);
  EXPECT_EQ(services.seen("size"), PV::integer(36));
  EXPECT_TRUE(services.log.all().empty()) << "the undone choices leave the change history";
  EXPECT_EQ(points.outcome(), "2 of 2 settings put back");
  ASSERT_EQ(points.count(), 2) << "the point stays listed, the state before the undo above it";
  EXPECT_EQ(points.history()[0].reason, "Before taking back: applying “Tidy Dock”");
  EXPECT_EQ(applied(), 2u);
}

TEST_F(RecipesModelTest, PracticeModeReportsWhatWouldBeWrittenAndWritesNothing) {
  prepareThisMac();
  auto recipes = model(true);
  recipes->setSelectedRecipeID("tidy-dock");
  recipes->apply();

  ASSERT_TRUE(recipes->report());
  const WriteReport expected{{{"dock.autohide", false, "kuru kosum"}, {"finder.path", false, "kuru kosum"}},
                             {}, {}, {"dock.size"}, {"finder.hidden"}, {}};
  EXPECT_EQ(*recipes->report(), expected);
  EXPECT_EQ(recipes->lastUndo(), std::nullopt);
  recipes->undoLast();
  EXPECT_EQ(recipes->undoReport(), std::nullopt);
  EXPECT_EQ(services.seen("autohide"), std::nullopt);
  EXPECT_TRUE(services.history.all().empty());
  EXPECT_TRUE(services.log.all().empty());
  EXPECT_EQ(applied(), 0u);
}

TEST_F(RecipesModelTest, ALostUndoPointAsksFirstAndOnceAgreedStillLeavesAnUndoUntilTheAppQuits) {
  auto recipes = model(false, th::GuidedServices::unwritableHistory());
  recipes->setSelectedRecipeID("other");
  recipes->apply();
  EXPECT_EQ(services.seen("size"), std::nullopt) << "nothing is written before the user agrees";
  ASSERT_TRUE(recipes->wayBackQuestion()->isAsking());
  EXPECT_TRUE(recipes->wayBackQuestion()->message().startsWith("The undo point could not be saved to disk ("));
  EXPECT_EQ(recipes->report(), std::nullopt);
  recipes->wayBackQuestion()->decline();
  EXPECT_EQ(services.seen("size"), std::nullopt);
  recipes->apply();
  recipes->wayBackQuestion()->agree();
  EXPECT_FALSE(recipes->wayBackQuestion()->isAsking());
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_FALSE(recipes->undoSurvivesRestart());
  ASSERT_TRUE(recipes->lastError());
  EXPECT_TRUE(recipes->lastError()->starts_with("The undo point could not be saved to disk ("));
  EXPECT_TRUE(recipes->lastError()->ends_with("). Undo works while this window is open, but not after you quit."));

  recipes->undoLast();
  EXPECT_EQ(services.seen("size"), PV::integer(64)) << "the undo's own point is lost too: asked first";
  ASSERT_TRUE(recipes->wayBackQuestion()->isAsking());
  recipes->wayBackQuestion()->agree();
  EXPECT_EQ(services.seen("size"), std::nullopt);
  ASSERT_TRUE(recipes->undoReport());
  EXPECT_TRUE(recipes->undoReport()->isComplete()) << "kept on screen after a complete undo";
  EXPECT_EQ(recipes->report(), std::nullopt);
  EXPECT_EQ(recipes->lastUndo(), std::nullopt);
  EXPECT_EQ(recipes->lastError(), std::nullopt);
  EXPECT_EQ(applied(), 2u);
}

TEST_F(RecipesModelTest, EveryAssignmentOfTheOpenRecipePreviewsAfreshButNotifiesOnlyChanges) {
  services.defaults->setString("no-such-recipe", "AmberloomOpenRecipe");
  auto recipes = model();
  EXPECT_EQ(recipes->selectedRecipe(), nullptr) << "an unknown recipe is ignored";
  QSignalSpy selection(recipes.get(), &RecipesModel::selectedRecipeIDChanged);
  QSignalSpy reports(recipes.get(), &RecipesModel::reportChanged);

  recipes->setSelectedRecipeID("other");
  recipes->apply();
  PinnedSettings::save({"dock.size"}, *services.defaults);  // pinned elsewhere meanwhile
  recipes->setSelectedRecipeID("other");
  EXPECT_EQ(selection.count(), 1);
  EXPECT_EQ(reports.count(), 2) << "shown, then cleared by the same assignment";
  EXPECT_EQ(recipes->report(), std::nullopt);
  EXPECT_EQ(recipes->unchangedCount(), 1) << "read afresh: the applied value now matches";
  EXPECT_TRUE(recipes->lastUndo()) << "the undo outlives leaving the recipe";

  recipes->setSelectedRecipeID("unknown");
  EXPECT_EQ(recipes->selectedRecipe(), nullptr);
  EXPECT_TRUE(recipes->preview().empty());
}

TEST(PinnedSettings, StoresSortedAndReadsAnythingButAStringArrayAsNothing) {
  th::MemoryUserDefaults defaults;
  PinnedSettings::save({"b", "a"}, defaults);
  EXPECT_EQ(defaults.value("pinnedSettingIDs"), PV::array({PV::string("a"), PV::string("b")}));
  EXPECT_EQ(PinnedSettings::load(defaults), (std::set<std::string>{"a", "b"}));

  const std::optional<PV> unusable[] = {std::nullopt, PV::string("a"), PV::array({PV::string("a"), PV::integer(1)})};
  for (const auto& stored : unusable) {
    defaults.set(stored, "pinnedSettingIDs");
    EXPECT_TRUE(PinnedSettings::load(defaults).empty());
  }
  PinnedSettings::save({}, defaults);
  EXPECT_EQ(defaults.value("pinnedSettingIDs"), PV::array({})) << "an empty set keeps the key";
}

TEST(RecipesModelRecipes, ARecipeFileThatNoLongerFitsTheCatalogueOffersNothing) {
  EXPECT_FALSE(RecipesModel::bundledRecipes(SettingsCatalog::bundled()).empty());
  EXPECT_TRUE(RecipesModel::bundledRecipes(SettingsCatalog(1, 1, {})).empty());
}
