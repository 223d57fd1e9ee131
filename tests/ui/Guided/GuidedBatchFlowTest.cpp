// Every screen that writes a batch takes the same steps: a batch whose undo point cannot be stored
// asks first and writes nothing; "Cancel" leaves every setting as it was and hands the keyboard
// back to the control that started it; "Continue" writes, and the screen then shows what it did.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>

#include "Guided/UndoPointsModel.hpp"
#include "GuidedServices.hpp"

using namespace amberloom;
using amberloom::ui::GuidedBatch;
using PV = PreferenceValue;
namespace th = amberloom::testing;

namespace {

const SettingRef sizeRef{th::GuidedServices::domain, {"size"}, false};
const Recipe largeDock{"large", "Large Dock", "", "", std::nullopt, {{"dock.size", PV::integer(64)}}};

struct Screen {
  const char* name;
  // The screen's model with undo points that can no longer be stored, and its flow.
  std::function<std::pair<std::shared_ptr<QObject>, GuidedBatch*>(th::GuidedServices&)> make;
  // The control that starts the batch.
  std::function<void(QObject&)> start;
  // The batch's writes, as another process reads them.
  std::function<bool(const th::GuidedServices&)> written;
};

// Named in the test's output by its screen.
void PrintTo(const Screen& screen, std::ostream* out) { *out << screen.name; }

template <class Model>
std::pair<std::shared_ptr<QObject>, GuidedBatch*> flowOf(std::shared_ptr<Model> model) {
  GuidedBatch* batch = model->batch();
  return {std::move(model), batch};
}

bool sizeIs(const th::GuidedServices& services, std::optional<PV> value) { return services.seen("size") == value; }

std::shared_ptr<ui::RecipesModel> largeDockModel(th::GuidedServices& services) {
  std::shared_ptr<ui::RecipesModel> recipes =
      services.recipesModel({largeDock}, false, th::GuidedServices::unwritableHistory());
  recipes->setSelectedRecipeID("large");
  return recipes;
}

// The sync model the undo points list undoes through, kept alive with the list.
struct UndoPointsScreen : QObject {
  std::unique_ptr<ui::SyncModel> sync;
  std::unique_ptr<ui::UndoPointsModel> points;
  StoredSnapshot point;
  GuidedBatch* batch() const { return points->batch(); }
};

const Screen screens[] = {
    {"QuickSetup", [](auto& services) { return flowOf(largeDockModel(services)); },
     [](QObject& model) { static_cast<ui::RecipesModel&>(model).apply(); },
     [](const auto& services) { return sizeIs(services, PV::integer(64)); }},
    {"QuickSetupUndo",
     [](auto& services) {
       auto recipes = largeDockModel(services);
       recipes->apply();
       recipes->wayBackQuestion()->agree();
       return flowOf(recipes);
     },
     [](QObject& model) { static_cast<ui::RecipesModel&>(model).undoLast(); },
     [](const auto& services) { return sizeIs(services, std::nullopt); }},
    {"Repair",
     [](auto& services) {
       services.log.record("dock.size", PV::integer(64));
       th::GuidedServices::writeOutside("size", "-int", "36");
       return flowOf(std::shared_ptr(services.repairModel(false, th::GuidedServices::unwritableHistory())));
     },
     [](QObject& model) { static_cast<ui::RepairModel&>(model).repairSelected(); },
     [](const auto& services) { return sizeIs(services, PV::integer(64)); }},
    {"PutEverythingBack",
     [](auto& services) {
       services.log.record("dock.size", PV::integer(64));
       th::GuidedServices::writeOutside("size", "-int", "64");
       return flowOf(std::shared_ptr(services.removalModel(false, th::home() + "/Backups", {},
                                                           th::GuidedServices::unwritableHistory())));
     },
     [](QObject& model) { static_cast<ui::RemovalModel&>(model).revertEverything(); },
     [](const auto& services) { return sizeIs(services, std::nullopt); }},
    {"UndoPointsList",
     [](auto& services) {
       th::GuidedServices::writeOutside("size", "-int", "64");
       auto screen = std::make_shared<UndoPointsScreen>();
       screen->point = services.history.record(Snapshot{{{sizeRef, PV::integer(36)}}}, "Before applying “Calm”", 100);
       screen->sync = services.syncModel(false, th::GuidedServices::unwritableHistory());
       screen->points = std::make_unique<ui::UndoPointsModel>(*screen->sync);
       return flowOf(screen);
     },
     [](QObject& model) {
       auto& screen = static_cast<UndoPointsScreen&>(model);
       screen.points->undo(screen.point);
     },
     [](const auto& services) { return sizeIs(services, PV::integer(36)); }},
};

class GuidedBatchFlow : public ::testing::TestWithParam<Screen> {
 protected:
  th::GuidedServices services;
};

}  // namespace

TEST_P(GuidedBatchFlow, AsksWithoutAPointCancelGoesBackToTheOpenerAndContinueShowsTheOutcome) {
  const Screen& screen = GetParam();
  auto [model, batch] = screen.make(services);
  QSignalSpy shown(batch, &GuidedBatch::outcomeShown);
  QSignalSpy leftAsItWas(batch, &GuidedBatch::leftAsItWas);

  screen.start(*model);
  ASSERT_TRUE(batch->wayBackQuestion()->isAsking());
  EXPECT_FALSE(screen.written(services)) << "nothing before the user says so";
  batch->wayBackQuestion()->decline();
  EXPECT_FALSE(screen.written(services));
  EXPECT_EQ(leftAsItWas.count(), 1);
  EXPECT_EQ(shown.count(), 0) << "nothing replaced the control that started it";

  screen.start(*model);
  ASSERT_TRUE(batch->wayBackQuestion()->isAsking());
  batch->wayBackQuestion()->agree();
  EXPECT_FALSE(batch->wayBackQuestion()->isAsking());
  EXPECT_TRUE(screen.written(services));
  EXPECT_EQ(shown.count(), 1);
  EXPECT_EQ(leftAsItWas.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryScreen, GuidedBatchFlow, ::testing::ValuesIn(screens),
                         [](const auto& info) { return std::string(info.param.name); });
