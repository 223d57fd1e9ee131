// What a batch leaves behind: a point stored before the first write when it writes, none when it
// writes nothing, and the one sentence when no point could be stored (the batch writes all the
// same, and its way back holds while the screen stays open).

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "Changes/BatchTransaction.hpp"
#include "LivePreferences.hpp"
#include "SmallDisk.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
namespace fs = std::filesystem;

namespace {

using PV = PreferenceValue;

class BatchTransactionTest : public ::testing::Test, protected th::LivePreferences {
 protected:
  SettingDefinition autohide = th::makeSetting("dock.autohide", {"com.example.dock", {"autohide"}, false});
  IntentLog log{th::supportFile("intents.json"), "23F79"};
  std::string folder = SnapshotHistory::defaultFolder(th::home());

  BatchTransaction transaction(std::optional<SnapshotHistory> points) const {
    const SettingsService settings(resolver, store);
    return BatchTransaction(PreferenceApplier(settings, resolver, SnapshotService(store, resolver), log),
                            std::move(points));
  }
};

TEST_F(BatchTransactionTest, APointIsKeptOnlyWhereTheBatchWroteAndALostOneIsSaidOnce) {
  autohide.restartsApps = {"Dock"};
  const PV on = PV::boolean(true);
  struct Case {
    const char* name;
    std::vector<BatchItem> items;
    std::function<void()> before;  // what stands in the way
    bool wrote;                    // the preference changed
    bool wayBack, onDisk;
    const char* message;           // the start of what the user is told; empty: nothing
  };
  const Case cases[] = {
      {"an empty batch", {}, [] {}, false, false, false, ""},
      {"a batch whose every write fails", {{autohide, PV::integer(1)}}, [] {}, false, false, false, ""},
      {"a batch that writes", {{autohide, on}}, [] {}, true, true, true, ""},
      {"a history folder that cannot be made",
       {{autohide, on}},
       [this] { th::writeFile(folder, "a file in its place"); },
       true, true, false, "The undo point could not be saved to disk ("},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(th::home() + "/Library");
    put("com.example.dock", "autohide", PV::boolean(false));
    c.before();
    const auto batch = transaction(SnapshotHistory(folder)).write(c.items, "Before a test", outside);

    EXPECT_EQ(seen("com.example.dock", "autohide"), c.wrote ? on : PV::boolean(false));
    EXPECT_EQ(batch.wayBack.has_value(), c.wayBack);
    EXPECT_EQ(batch.wayBack && batch.wayBack->onDisk(), c.onDisk);
    EXPECT_EQ(batch.change.storedUndoPoint, c.onDisk);
    EXPECT_EQ(SnapshotHistory(folder).all().size(), c.onDisk ? 1u : 0u);
    EXPECT_EQ(batch.undoPointMessage(false).value_or("").starts_with(c.message), true)
        << batch.undoPointMessage(false).value_or("");
    EXPECT_EQ(batch.undoPointMessage(false).has_value(), *c.message != 0);
    EXPECT_EQ(batch.change.restartTargets, c.wrote ? std::vector<std::string>{"Dock"} : std::vector<std::string>{});
    if (c.wayBack) {
      EXPECT_EQ(batch.wayBack->point.snapshot.entries.at(0).rootValue, PV::boolean(false));
    }
  }
}

TEST_F(BatchTransactionTest, AFullOrReadOnlyDiskAtThePointsWriteLeavesTheBatchWritingAndSaysWhy) {
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "full");
    put("com.example.dock", "autohide", PV::boolean(false));
    th::SmallDisk disk(th::home() + "/Library/Application Support", 1 << 20);
    if (!disk.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
    if (readOnly)
      disk.setReadOnly(true);
    else
      disk.fill();
    const auto batch = transaction(SnapshotHistory(folder)).write({{autohide, PV::boolean(true)}}, "Before", outside);
    EXPECT_EQ(seen("com.example.dock", "autohide"), PV::boolean(true));
    ASSERT_TRUE(batch.noPoint);
    EXPECT_TRUE(batch.undoPointMessage(true)->ends_with(
        "). Undo works while this window is open, but not after you quit."));
    // The way back still holds, in memory.
    ASSERT_TRUE(batch.wayBack);
    EXPECT_TRUE(transaction(std::nullopt).takeBack(batch.wayBack->point, {}, outside).report.isComplete());
    EXPECT_EQ(seen("com.example.dock", "autohide"), PV::boolean(false));
  }
}

}  // namespace
