// The quick-setups screen driven as a user would: opening a recipe from the grid, reading its
// preview, applying, undoing and going back; rendered in both palettes to be looked at.

#include <gtest/gtest.h>

#include "GuidedScreen.hpp"
#include "GuidedServices.hpp"
#include "Guided/RecipesModel.hpp"
#include "Preferences/PinnedSettings.hpp"

using namespace amberloom;
using amberloom::ui::RecipesModel;
using PV = PreferenceValue;
namespace th = amberloom::testing;

namespace {

std::vector<Recipe> recipes() {
  return {{"tidy-dock", "Tidy Dock", "A calmer Dock that keeps out of the way",
           "Hides the Dock until you point at it, makes it small and shows hidden files in the Finder.", std::nullopt,
           {{"dock.autohide", PV::boolean(true)},
            {"dock.size", PV::integer(36)},
            {"finder.path", PV::string("~/Work")},
            {"finder.hidden", PV::boolean(true)}}},
          {"big-dock", "Big Dock", "Everything within reach", "A large Dock.", "It changes how the Dock looks.",
           {{"dock.size", PV::integer(64)}}},
          {"finder", "Finder for power users", "Paths and hidden files", "Shows the path.", std::nullopt,
           {{"finder.path", PV::string("~/Projects")}, {"finder.hidden", PV::boolean(true)}}}};
}

class RecipesViewTest : public ::testing::Test {
 protected:
  th::GuidedServices services;
  std::unique_ptr<RecipesModel> model(bool isDryRun = false) {
    return services.recipesModel(recipes(), isDryRun);
  }
};

}  // namespace

TEST_F(RecipesViewTest, RendersTheGridAndTheDetailInBothPalettes) {
  th::GuidedServices::writeOutside("size", "-int", "36");
  PinnedSettings::save({"finder.hidden"}, *services.defaults);
  auto recipesModel = model();
  th::GuidedScreen grid("recipes", recipesModel.get());
  th::renderInBothPalettes(grid.window(), "quick-setups");
  recipesModel->setSelectedRecipeID("tidy-dock");
  grid.settle();
  th::renderInBothPalettes(grid.window(), "recipe-detail");
  // A value that fits is shown whole.
  const auto* value = grid.child("previewRow-finder.path", "valueText");
  EXPECT_GE(value->width(), value->implicitWidth());
  recipesModel->apply();
  grid.settle();
  th::renderInBothPalettes(grid.window(), "recipe-report");
}

TEST_F(RecipesViewTest, OpeningApplyingUndoingAndGoingBackAsAUserWould) {
  th::GuidedServices::writeOutside("size", "-int", "36");
  PinnedSettings::save({"finder.hidden"}, *services.defaults);
  auto recipesModel = model();
  th::GuidedScreen screen("recipes", recipesModel.get());
  EXPECT_EQ(screen.shown()->property("title").toString(), "Recipes");
  EXPECT_EQ(screen.shown()->property("subtitle").toString(), "3 ready-made sets");
  EXPECT_TRUE(screen.shows("cardSummary")) << "the hero card's summary";
  EXPECT_TRUE(screen.child("recipeCard-big-dock", "cardCaution")->isVisible());
  EXPECT_FALSE(screen.child("recipeCard-finder", "cardCaution")->isVisible());
  EXPECT_FALSE(screen.child("recipeCard-finder", "cardSummary")->isVisible());
  // 940 points hold three columns of at least 280 with 12 between them.
  EXPECT_EQ(screen.item("restGrid")->property("columns").toInt(), 3);
  EXPECT_NEAR(screen.item("recipeCard-finder")->width(), (940 - 24) / 3.0, 1);

  screen.click("heroCard");
  EXPECT_EQ(recipesModel->selectedRecipeID(), "tidy-dock");
  EXPECT_EQ(screen.shown()->property("title").toString(), "Tidy Dock");
  EXPECT_EQ(screen.text("summaryLine"), "2 will change · 1 already match · 1 pinned to this Mac");
  EXPECT_EQ(screen.text("applyButton"), "Apply 2 changes");
  const struct {
    const char* row;
    const char* shown;  // the badge, else the value change
    const char* accessibleValue;
  } rows[] = {
      {"previewRow-dock.autohide", "not set → on", "not set, changing to on"},
      {"previewRow-dock.size", "Already set", "Already Small"},
      {"previewRow-finder.hidden", "Pinned", "Pinned to this Mac, will not change"},
  };
  for (const auto& r : rows) {
    const auto* badge = screen.child(r.row, "badge");
    const auto* value = screen.child(r.row, "valueText");
    EXPECT_EQ((badge->isVisible() ? badge : value)->property("text").toString(), r.shown) << r.row;
    const auto previewRows = recipesModel->property("preview").value<ui::RowListModel*>()->rows();
    const auto described = std::find_if(previewRows.begin(), previewRows.end(), [&](const QVariantMap& m) {
      return "previewRow-" + m.value("settingID").toString() == QLatin1String(r.row);
    });
    ASSERT_NE(described, previewRows.end());
    EXPECT_EQ(described->value("accessibleValue").toString(), r.accessibleValue) << r.row;
  }

  screen.click("applyButton");
  EXPECT_EQ(services.seen("autohide"), PV::boolean(true));
  EXPECT_EQ(screen.text("reportHeading"), "2 of 2 applied and verified");
  EXPECT_TRUE(screen.item("reportHeading")->hasActiveFocus()) << "the outcome takes the focus, to be heard";
  EXPECT_EQ(screen.text("skippedPinned"), "1 was left alone because you pinned them to this Mac.");
  EXPECT_FALSE(screen.shows("applyBar"));
  EXPECT_FALSE(screen.shows("undoWarning"));

  screen.click("undoQuickSetup");
  EXPECT_EQ(services.seen("autohide"), std::nullopt);
  EXPECT_EQ(screen.text("undoHeading"), "Put back — 2 of 2 keys verified");
  EXPECT_TRUE(screen.item("undoHeading")->hasActiveFocus());
  EXPECT_TRUE(screen.shows("applyBar")) << "a complete undo brings the preview back";

  screen.click("allQuickSetups");
  EXPECT_EQ(recipesModel->selectedRecipeID(), std::nullopt);
  EXPECT_TRUE(screen.shows("heroCard"));
}

TEST_F(RecipesViewTest, TheLastQuickSetupCanBeUndoneAfterLeavingItsDetail) {
  auto recipesModel = model();
  th::GuidedScreen screen("recipes", recipesModel.get());
  EXPECT_FALSE(screen.shows("undoOffer")) << "nothing applied yet";
  screen.click("recipeCard-big-dock");
  screen.click("applyButton");
  EXPECT_EQ(services.seen("size"), PV::integer(64));
  EXPECT_FALSE(screen.shows("undoOffer")) << "the report's own Undo is there";

  // Back on the grid, then in the same detail again (its report cleared): the way back is offered.
  screen.click("backToTheList");
  EXPECT_EQ(screen.item("undoOffer")->property("explanation").toString(),
            "Puts the settings that “Big Dock” changed back the way they were.");
  th::renderInBothPalettes(screen.window(), "quick-setups-undo-offer");
  screen.click("recipeCard-big-dock");
  EXPECT_FALSE(screen.shows("reportPanel"));
  screen.click("undoOffer", "actionButton");
  EXPECT_EQ(services.seen("size"), std::nullopt);
  EXPECT_EQ(screen.text("undoHeading"), "Put back — 1 of 1 keys verified");
  EXPECT_FALSE(screen.shows("undoOffer"));
  screen.click("allQuickSetups");
  EXPECT_FALSE(screen.shows("undoOffer"));
}

TEST_F(RecipesViewTest, PracticeModeSaysSoAndNothingToChangeCannotBePressed) {
  th::GuidedServices::writeOutside("size", "-int", "64");
  auto recipesModel = model(true);
  recipesModel->setSelectedRecipeID("big-dock");
  th::GuidedScreen screen("recipes", recipesModel.get());
  EXPECT_EQ(screen.text("applyButton"), "Nothing to change");
  EXPECT_FALSE(screen.item("applyButton")->isEnabled());
  EXPECT_EQ(screen.text("summaryLine"), "0 will change · 1 already match");
  EXPECT_EQ(screen.text("headerCaution"), "It changes how the Dock looks.");

  recipesModel->setSelectedRecipeID("finder");
  screen.settle();
  EXPECT_TRUE(screen.shows("practiceNotice"));
  screen.click("applyButton");
  EXPECT_EQ(screen.text("reportHeading"), "Dry run — 2 settings were not written");
  EXPECT_FALSE(screen.item("undoQuickSetup")->isEnabled());
  EXPECT_EQ(services.seen("path"), std::nullopt);
}

TEST_F(RecipesViewTest, SaysWhatItLeavesOutOnThisMacOSAndWhatItsUndoPointCannotHold) {
  // The path setting needs a macOS far ahead of this one; the Dock's size holds a number that is
  // not finite, as another program may store it.
  auto settings = services.catalog.settings();
  for (auto& setting : settings)
    if (setting.id == "finder.path") setting.availability.osMin = Version({99});
  services.catalog = SettingsCatalog(1, 1, settings);
  services.store->write(PV::real(std::nan("")), "size", services.resolver.resolve(services.domain, false));
  auto recipesModel = model();
  th::GuidedScreen screen("recipes", recipesModel.get());
  recipesModel->setSelectedRecipeID("tidy-dock");
  screen.settle();
  EXPECT_TRUE(screen.text("leftOutLine").startsWith("Left out, as they do not apply to macOS ")) << screen.text("leftOutLine").toStdString();
  EXPECT_TRUE(screen.text("leftOutLine").endsWith(": Label of finder.path"));
  // The card counts what would really be written: the settings listed, not the one left out.
  EXPECT_EQ(recipesModel->property("selectedRecipe").toMap().value("settingCount").toInt(),
            recipesModel->property("preview").value<amberloom::ui::RowListModel*>()->count());

  screen.click("applyButton");
  EXPECT_EQ(services.seen("path"), std::nullopt) << "a setting left out is not written";
  EXPECT_TRUE(screen.text("undoPointNote").startsWith("The undo point saved to disk leaves out 1 settings"));
  EXPECT_FALSE(screen.shows("undoWarning"));
  th::renderInBothPalettes(screen.window(), "recipe-report-left-out");
}
