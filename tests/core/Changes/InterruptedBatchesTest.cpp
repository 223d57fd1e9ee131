// What the next start finds of batches that stopped before they settled: a point that puts back
// nothing is removed at once; any other is offered with the number of settings it would change.

#include <gtest/gtest.h>

#include "Changes/InterruptedBatches.hpp"
#include "LivePreferences.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

using PV = PreferenceValue;

class InterruptedBatchesTest : public ::testing::Test, protected th::LivePreferences {
 protected:
  SnapshotHistory points{SnapshotHistory::defaultFolder(th::home())};
  InterruptedBatches batches{points, SnapshotService(store, resolver)};

  // A batch's point left in progress: what the three roots held when it started.
  std::string leftInProgress(const char* reason, double at, bool valueLeftOut = false) const {
    Snapshot before{{{{"com.example.dock", {"autohide"}, false}, PV::boolean(false), SettingChannel::defaults, false},
                     {{"com.example.dock", {"tilesize"}, false}, PV::integer(36), SettingChannel::defaults, false},
                     {{"com.example.finder", {"Panes"}, false}, std::nullopt, SettingChannel::defaults, valueLeftOut}}};
    auto pending = points.storeAhead(before, reason, at);
    return pending.point().id;  // let go, as a killed process lets go
  }
};

TEST_F(InterruptedBatchesTest, APointThatPutsBackNothingGoesAndAnyOtherIsOfferedWithWhatItWouldChange) {
  put("com.example.dock", "autohide", PV::boolean(false));
  put("com.example.dock", "tilesize", PV::integer(36));
  leftInProgress("Before applying “Nothing yet”", 100);
  EXPECT_TRUE(batches.find().empty());
  // Its value left out of the file: what the key holds now tells nothing.
  leftInProgress("Before applying “Unknowable”", 200, true);
  put("com.example.finder", "Panes", PV::dictionary({{"General", PV::string("open")}}));
  EXPECT_TRUE(batches.find().empty());
  EXPECT_TRUE(points.all().empty());
  put("com.example.finder", "Panes", std::nullopt);

  const std::string id = leftInProgress("Before restoring from MAC-1", 300);
  put("com.example.dock", "autohide", PV::boolean(true));
  put("com.example.finder", "Panes", PV::dictionary({{"General", PV::string("open")}}));
  const auto found = batches.find();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].point.point.id, id);
  EXPECT_EQ(found[0].changed, 2u) << "autohide and the Finder's panes";
  EXPECT_EQ(batches.find(), found) << "offered again until kept or taken back";
  EXPECT_TRUE(batches.settle(found[0]));
  EXPECT_TRUE(batches.find().empty());
  ASSERT_EQ(points.all().size(), 1u);
  EXPECT_EQ(points.all()[0].reason, "Before restoring from MAC-1");
}

TEST(InterruptedActivity, SaysWhatTheBatchWasDoingInItsOwnWords) {
  const std::pair<const char*, const char*> cases[] = {
      {"Before applying “Focus”", "applying “Focus”"},
      {"Before restoring from MAC-1", "restoring from MAC-1"},
      {"Before taking back: putting back 3 settings", "taking back: putting back 3 settings"},
      {"Planted by hand", "changing settings (Planted by hand)"},
      {"Before ", "changing settings (Before )"},
  };
  for (const auto& [reason, activity] : cases) EXPECT_EQ(interruptedActivity(reason), activity) << reason;
}

}  // namespace
