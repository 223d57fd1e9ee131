// What a batch leaves behind: a point stored before the first write when it writes, marked as in
// progress until it settles, none when it changes nothing; and when no point can be stored,
// nothing written at all unless the user agreed to go on without one (its way back then holds
// while the screen stays open). What a point keeps comes back to the last bit.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <filesystem>
#include <functional>

#include "Backup/BackupEnvelope.hpp"
#include "Changes/BatchTransaction.hpp"
#include "LivePreferences.hpp"
#include "SmallDisk.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
namespace fs = std::filesystem;

namespace {

using PV = PreferenceValue;

// The `defaults` command, and a look at the undo points each time it reads a domain back: the
// moment every write of the batch is made and none is settled.
class WatchingReader : public ExternalVerifier {
 public:
  WatchingReader(std::function<void()> look) : ExternalVerifier(th::defaultsPath()), look_(std::move(look)) {}
  DomainReading readKeys(const std::vector<std::string>& keys, const ResolvedDomain& domain) const override {
    look_();
    return ExternalVerifier::readKeys(keys, domain);
  }

 private:
  std::function<void()> look_;
};

class BatchTransactionTest : public ::testing::Test, protected th::LivePreferences {
 protected:
  SettingDefinition autohide = th::makeSetting("dock.autohide", {"com.example.dock", {"autohide"}, false});
  IntentLog log{th::supportFile("intents.json"), "23F79"};
  std::string folder = SnapshotHistory::defaultFolder(th::home());

  BatchTransaction transaction(std::optional<SnapshotHistory> points, const DomainResolver& over = DomainResolver::live()) const {
    const SettingsService settings(over, store);
    return BatchTransaction(PreferenceApplier(settings, over, SnapshotService(store, over), log), std::move(points));
  }
};

TEST_F(BatchTransactionTest, APointIsKeptOnlyWhereTheBatchChangedSomethingAndOnlyStoredPointsLetItWrite) {
  autohide.restartsApps = {"Dock"};
  const PV on = PV::boolean(true), off = PV::boolean(false);
  const auto blocked = [this] { th::writeFile(folder, "a file in its place"); };
  struct Case {
    const char* name;
    std::vector<BatchItem> items;
    std::function<void()> before;  // what stands in the way
    bool agreed;                   // the user said to go on without a point
    bool wrote;                    // the preference changed
    bool wayBack, onDisk, heldBack;
    const char* message;           // the start of what the user is told; empty: nothing
  };
  const Case cases[] = {
      {"an empty batch", {}, [] {}, false, false, false, false, false, ""},
      {"a batch whose every write fails", {{autohide, PV::integer(1)}}, [] {}, false, false, false, false, false, ""},
      {"a batch that writes what is there", {{autohide, off}}, [] {}, false, false, false, false, false, ""},
      {"a batch that writes", {{autohide, on}}, [] {}, false, true, true, true, false, ""},
      {"a history folder that cannot be made", {{autohide, on}}, blocked, false, false, false, false, true,
       "The undo point could not be saved to disk ("},
      {"the same, the user agreeing", {{autohide, on}}, blocked, true, true, true, false, false,
       "The undo point could not be saved to disk ("},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(th::home() + "/Library");
    put("com.example.dock", "autohide", off);
    c.before();
    const SnapshotHistory points(folder);
    const auto batch = transaction(c.agreed ? points.allowingBatchesWithoutPoint() : points)
                           .write(c.items, "Before a test", outside);

    EXPECT_EQ(seen("com.example.dock", "autohide"), c.wrote ? on : off);
    EXPECT_EQ(batch.heldBack, c.heldBack);
    EXPECT_EQ(batch.report.outcomes.empty(), c.heldBack || c.items.empty());
    EXPECT_EQ(batch.wayBack.has_value(), c.wayBack);
    EXPECT_EQ(batch.wayBack && batch.wayBack->onDisk(), c.onDisk);
    EXPECT_EQ(batch.change.storedUndoPoint, c.onDisk);
    EXPECT_EQ(SnapshotHistory(folder).all().size(), c.onDisk ? 1u : 0u);
    EXPECT_TRUE(batch.undoPointMessage(false).value_or("").starts_with(c.message))
        << batch.undoPointMessage(false).value_or("");
    EXPECT_EQ(batch.undoPointMessage(false).has_value(), *c.message != 0);
    // Every write that went through names its apps, even one of the value already there.
    const bool wentThrough = !c.heldBack && !c.items.empty() && c.items.front().value->kind() == PV::Kind::boolean;
    EXPECT_EQ(batch.change.restartTargets, wentThrough ? std::vector<std::string>{"Dock"} : std::vector<std::string>{});
    if (c.wayBack) {
      EXPECT_EQ(batch.wayBack->point.snapshot.entries.at(0).rootValue, off);
    }
    if (c.heldBack) {
      EXPECT_FALSE(log.intent("dock.autohide")) << "nothing written, nothing recorded";
    }
  }
}

TEST_F(BatchTransactionTest, AFullOrReadOnlyDiskAtThePointsWriteStopsTheBatchUnlessTheUserAgrees) {
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "full");
    put("com.example.dock", "autohide", PV::boolean(false));
    th::SmallDisk disk(th::home() + "/Library/Application Support", 1 << 20);
    if (!disk.mounted()) GTEST_SKIP() << "no small disk can be mounted here";
    if (readOnly)
      disk.setReadOnly(true);
    else
      disk.fill();
    const SnapshotHistory points(folder);
    const auto refused = transaction(points).write({{autohide, PV::boolean(true)}}, "Before", outside);
    EXPECT_TRUE(refused.heldBack);
    ASSERT_TRUE(refused.noPoint);
    EXPECT_NE(refused.noPoint->find(readOnly ? "Read-only" : "No space"), std::string::npos) << *refused.noPoint;
    EXPECT_EQ(seen("com.example.dock", "autohide"), PV::boolean(false));

    const auto agreed = transaction(points.allowingBatchesWithoutPoint()).write({{autohide, PV::boolean(true)}}, "Before", outside);
    EXPECT_EQ(seen("com.example.dock", "autohide"), PV::boolean(true));
    EXPECT_TRUE(agreed.undoPointMessage(true)->ends_with("). Undo works while this window is open, but not after you quit."));
    // The way back still holds, in memory.
    ASSERT_TRUE(agreed.wayBack);
    EXPECT_TRUE(transaction(std::nullopt).takeBack(agreed.wayBack->point, {}, outside).report.isComplete());
    EXPECT_EQ(seen("com.example.dock", "autohide"), PV::boolean(false));
  }
}

TEST_F(BatchTransactionTest, ThePointIsHeldInProgressWhileTheBatchWritesAndSettledOnceItIsDone) {
  put("com.example.dock", "autohide", PV::boolean(false));
  const SnapshotHistory points(folder);
  std::vector<std::string> during;
  bool offeredMeanwhile = true;
  const WatchingReader reader([&] {
    during = th::filesBelow(folder);
    // Held by this batch: nobody may take it for one that stopped.
    offeredMeanwhile = !points.interrupted().empty();
  });
  const auto batch = transaction(points).write({{autohide, PV::boolean(true)}}, "Before a test", reader);

  ASSERT_TRUE(batch.wayBack && batch.wayBack->onDisk());
  const std::string id = batch.wayBack->point.id;
  EXPECT_EQ(during, std::vector<std::string>{id + ".in-progress.amberloom-undo.json"});
  EXPECT_FALSE(offeredMeanwhile);
  EXPECT_EQ(th::filesBelow(folder), std::vector<std::string>{id + ".amberloom-undo.json"});
  // Taking it back changes its values again, so that batch keeps a point of its own; taking back
  // what is already in place changes nothing and keeps none.
  const auto takenBack = transaction(points).takeBack(points.all().front(), {}, outside);
  EXPECT_TRUE(takenBack.report.isComplete());
  EXPECT_TRUE(takenBack.wayBack && takenBack.wayBack->onDisk());
  const auto again = transaction(points).takeBack(batch.wayBack->point, {}, outside);
  EXPECT_TRUE(again.report.isComplete());
  EXPECT_FALSE(again.wayBack);
  EXPECT_EQ(points.all().size(), 2u);
}

TEST_F(BatchTransactionTest, EachDomainIsLookedUpOnceABatchHoweverManySettingsItHolds) {
  std::atomic<int> looks = 0;
  DomainResolver counting = DomainResolver::live();
  counting.containerExists = [&looks, live = counting.containerExists](const std::string& domain) {
    ++looks;
    return live(domain);
  };
  th::makeContainer("com.example.boxed");
  std::vector<BatchItem> items;
  for (int i = 0; i < 300; ++i) {
    const std::string domain = i % 3 == 0 ? "com.example.boxed" : "com.example.plain" + std::to_string(i % 3);
    items.push_back({th::makeSetting("s" + std::to_string(i), {domain, {"k" + std::to_string(i)}, false},
                                     SettingValueType::integer),
                     PV::integer(i)});
  }
  const SnapshotHistory points(folder);
  const auto batch = transaction(points, counting).write(items, "Before a test", outside);
  EXPECT_EQ(batch.report.appliedCount(), 300u);
  EXPECT_EQ(looks.load(), 3);
  EXPECT_EQ(outside.read("k0", counting.resolve("com.example.boxed", false)), PV::integer(0)) << "in its container";

  looks = 0;
  EXPECT_TRUE(transaction(points, counting).takeBack(points.all().front(), {}, outside).report.isComplete());
  EXPECT_EQ(looks.load(), 3);
}

}  // namespace

TEST_F(BatchTransactionTest, EveryValueComesBackToTheLastBitThroughThePointItsTakeBackAndABackup) {
  const double year1 = -63113904000.0, year10000 = 252423993600.0;
  const PV values[] = {PV::date(734567890.1234567), PV::date(1e-7 / 3), PV::date(-0.3), PV::date(year1 + 0.0625),
                       PV::date(year10000 - 0.0001), PV::date(734567890.25), PV::real(-0.0), PV::real(4.9e-324),
                       PV::integer(INT64_MIN), PV::string(std::string("a\0b", 3)), PV::data({0, 0xff, 0x80})};
  const auto bits = [](const std::optional<PV>& v) {  // -0.0 is no 0.0, and a text is its bytes
    if (v && (v->kind() == PV::Kind::real || v->kind() == PV::Kind::date))
      return std::to_string(std::bit_cast<std::uint64_t>(v->kind() == PV::Kind::real ? v->asDouble() : v->asDate()));
    return !v ? std::string("none") : v->kind() == PV::Kind::string ? v->asString() : writeJson(v->toJson());
  };
  const SnapshotHistory points(folder);
  for (const PV& value : values) {
    SCOPED_TRACE(bits(value));
    put("com.example.dock", "autohide", value);
    const Snapshot captured = SnapshotService(store, resolver).capture({autohide.ref});
    const std::string id = points.record(captured, "Before a test", iso8601::now()).id;
    const auto all = points.all();
    const StoredSnapshot read = *std::find_if(all.begin(), all.end(), [&](const auto& p) { return p.id == id; });
    EXPECT_EQ(bits(read.snapshot.entries.at(0).rootValue), bits(value)) << "the point";
    put("com.example.dock", "autohide", PV::boolean(true));
    EXPECT_TRUE(transaction(points).takeBack(read, {}, outside).wayBack) << "it wrote, so it keeps a point";
    EXPECT_EQ(bits(store->read("autohide", resolver.resolve("com.example.dock", false))), bits(value)) << "the take-back";
    const BackupEnvelope backup{"0A0B0C0D-0000-0000-0000-000000000000", "Studio", 0.0, "14.5", captured};
    EXPECT_EQ(bits(BackupEnvelope::fromData(backup.encoded()).snapshot.entries[0].rootValue), bits(value)) << "the backup";
  }
}
