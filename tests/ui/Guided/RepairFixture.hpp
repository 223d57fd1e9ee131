#pragma once
// The repair services on the temporary home, with the stored undo points listed through a sync
// model on the same change notice.

#include <gtest/gtest.h>

#include "Guided/UndoPointsModel.hpp"
#include "Guided/RepairModel.hpp"
#include "GuidedServices.hpp"

namespace amberloom::testing {

class RepairFixture : public ::testing::Test {
 protected:
  GuidedServices services;
  std::unique_ptr<ui::SyncModel> sync;

  std::unique_ptr<ui::RepairModel> model(bool isDryRun = false) { return services.repairModel(isDryRun); }
  // Repairs and undos announced so far.
  std::size_t repaired() const { return services.heard->size(); }
  std::unique_ptr<ui::UndoPointsModel> points() {
    sync = services.syncModel();
    return std::make_unique<ui::UndoPointsModel>(*sync);
  }
  // The user chose values here (a long path too when asked); another process then changed two.
  void chooseThenDrift(bool withPath = false) {
    services.log.record("dock.autohide", PreferenceValue::boolean(true));
    services.log.record("dock.size", PreferenceValue::integer(64));
    if (withPath) services.log.record("finder.path", PreferenceValue::string("~/Projects/amberloom/very/long/folder/name"));
    GuidedServices::writeOutside("autohide", "-bool", "false");
    GuidedServices::writeOutside("size", "-int", "36");
  }
};

}  // namespace amberloom::testing
