#pragma once
// The repair services on the temporary home, with counters for repairs and undone points.

#include <gtest/gtest.h>

#include "GuidedServices.hpp"
#include "Guided/RepairModel.hpp"
#include "Guided/UndoPointsModel.hpp"

namespace amberloom::testing {

class RepairFixture : public ::testing::Test {
 protected:
  GuidedServices services;
  int repaired = 0;
  std::vector<Snapshot> undone;

  std::unique_ptr<ui::RepairModel> model(bool isDryRun = false) {
    return services.repairModel(isDryRun, [this] { ++repaired; });
  }
  std::unique_ptr<ui::UndoPointsModel> points() {
    const auto undo = [this](const StoredSnapshot& p) { return undone.push_back(p.snapshot), UndoReport{}; };
    return std::make_unique<ui::UndoPointsModel>(services.history, false, undo, [] {});
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
