// Settings another process changed behind the application's back: which ones the scan finds,
// putting them back with read-back, undoing that, and keeping the system's value instead.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <tuple>

#include "Changes/SnapshotHistory.hpp"
#include "LivePreferences.hpp"
#include "Sync/SyncService.hpp"
#include "Upkeep/RepairScanner.hpp"
#include "Upkeep/RepairService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

SettingDefinition setting(std::string id, std::string key, SettingValueType type = SettingValueType::boolean) {
  return th::makeSetting(std::move(id), SettingRef{"com.example.repair", {std::move(key)}, false}, type);
}

using PV = PreferenceValue;
using Value = std::optional<PV>;
struct Row {
  std::string id;
  Value wanted, current;
  bool operator==(const Row&) const = default;
};

class RepairTest : public ::testing::Test, protected th::LivePreferences {
 protected:
  SettingsService settings{resolver, store};
  std::string history = th::supportFile("intents.json");
  SettingsCatalog catalog{1, 1, {setting("a.flag", "flag"), setting("b.size", "size", SettingValueType::integer),
                                  setting("c.hidden", "hidden"), setting("d.path", "path", SettingValueType::string),
                                  setting("e.speed", "speed", SettingValueType::integer), setting("f.clock", "clock")}};
  RepairScanner scanner{catalog, settings, IntentLog(history, "23F79"), "23F79"};
  RepairService repairs{settings, IntentLog(history, "23F79"), resolver, store};

  // The user's choices (times 100..500, two at the same moment), then what another process did.
  void chooseThenDrift() {
    const std::vector<double> times{100, 300, 300, 200, 500, 400, 50};
    std::size_t tick = 0;
    const IntentLog log(history, "23F79", [&] { return times.at(tick++); });
    for (const auto& [id, value] : std::vector<std::pair<std::string, Value>>{
             {"a.flag", PV::boolean(true)}, {"c.hidden", std::nullopt}, {"d.path", PV::string("~/Work")},
             {"b.size", PV::integer(36)}, {"e.speed", PV::integer(1)}, {"gone.setting", PV::boolean(true)},
             {"f.clock", std::nullopt}})  // gone.setting is no longer catalogued
      log.record(id, value);
    for (const auto& [key, type, value] : {std::tuple{"flag", "-bool", "false"}, {"size", "-int", "36"},
                                           {"hidden", "-bool", "true"}, {"speed", "-bool", "true"}})
      ASSERT_EQ(th::runDefaults({"write", "com.example.repair", key, type, value}).exitStatus, 0);
  }

  std::vector<Row> scan() const {
    std::vector<Row> rows;
    for (const auto& f : scanner.scan(std::nullopt).findings) rows.push_back({f.id(), f.wanted, f.current});
    return rows;
  }
  Value seen(const std::string& key) const { return LivePreferences::seen("com.example.repair", key); }
};

}  // namespace

TEST_F(RepairTest, DriftedSettingsAreFoundPutBackAndFoundAgainAfterUndo) {
  chooseThenDrift();
  const auto findings = scanner.scan(std::nullopt).findings;
  const std::vector<Row> drifted{
      {"e.speed", PV::integer(1), PV::boolean(true)},  // same number, other kind
      {"c.hidden", std::nullopt, PV::boolean(true)},
      {"d.path", PV::string("~/Work"), std::nullopt},  // same time as c.hidden, later in the file
      {"a.flag", PV::boolean(true), PV::boolean(false)},
  };
  ASSERT_EQ(scan(), drifted);

  const auto repaired = repairs.repair(findings, outside);
  EXPECT_EQ(repaired.report.appliedCount(), 4u);
  EXPECT_EQ(std::vector<Value>({seen("speed"), seen("hidden"), seen("path"), seen("flag")}),
            std::vector<Value>({PV::integer(1), std::nullopt, PV::string("~/Work"), PV::boolean(true)}));
  EXPECT_TRUE(scan().empty());

  // The choices the repair recorded stay: undone, the same settings show again.
  EXPECT_TRUE(repairs.undo(repaired.wayBack->point, outside).report.isComplete());
  EXPECT_EQ(seen("speed"), PV::boolean(true));
  EXPECT_EQ(seen("path"), std::nullopt);
  std::set<std::string> again;
  for (const auto& row : scan()) again.insert(row.id);
  EXPECT_EQ(again, std::set<std::string>({"a.flag", "c.hidden", "d.path", "e.speed"}));
}

TEST_F(RepairTest, KeepingTheSystemValueRecordsItAndWritesNothing) {
  chooseThenDrift();
  const auto findings = scanner.scan(std::nullopt).findings;
  const auto before = th::readFile(th::preferencesFile("com.example.repair"));
  repairs.accept(findings[0]);
  repairs.accept(findings[2]);
  EXPECT_EQ(th::readFile(th::preferencesFile("com.example.repair")), before);
  EXPECT_EQ(scan(), (std::vector<Row>{{"c.hidden", std::nullopt, PV::boolean(true)},
                                      {"a.flag", PV::boolean(true), PV::boolean(false)}}));
}

TEST_F(RepairTest, AValueThatCannotBeReadIsNoChoiceToKeepAndNotUnset) {
  const IntentLog log(history, "23F79");
  log.record("a.flag", PV::boolean(true));
  log.record("c.hidden", std::nullopt);
  th::writeFile(th::preferencesFile("com.example.repair"), "not a property list");

  const auto findings = scanner.scan(std::nullopt).findings;
  ASSERT_EQ(findings.size(), 2u) << "whether either choice still holds is unknown";
  for (const auto& finding : findings) {
    EXPECT_TRUE(finding.currentUnreadable) << finding.id();
    EXPECT_EQ(finding.current, std::nullopt) << finding.id();
  }
  // Keeping it as it is records no removal the user never made.
  repairs.accept(findings.back());
  EXPECT_EQ(log.intent("a.flag"), std::nullopt);
  EXPECT_EQ(scan().size(), 1u);
}

TEST_F(RepairTest, APutBackTakenBackFromTheUndoPointsKeepsTheChoicesUnlessThePointPredatesThem) {
  const SnapshotHistory points(th::home() + "/points");
  const SyncService list(catalog, settings, resolver, store, "MAC", "Mac", IntentLog(history, "23F79"));
  for (const bool keepsRecords : {true, false}) {
    SCOPED_TRACE(keepsRecords);
    chooseThenDrift();
    const auto report = repairs.repair(scanner.scan(std::nullopt).findings, outside).report;
    ASSERT_EQ(report.appliedCount(), 4u);
    const auto stored = points.record(report.undo, "Before putting back 4 settings", keepsRecords ? 1000 : 2000,
                                      keepsRecords ? std::optional(report.priorIntents) : std::nullopt);
    const auto point = points.all().front();
    ASSERT_EQ(point.id, stored.id);

    EXPECT_TRUE(list.undo(point, outside).report.isComplete());
    EXPECT_EQ(seen("flag"), PV::boolean(false));
    // The choices come back with the drift, as the report card's own Undo leaves them; a point
    // written before points kept them forgets the choices its values no longer match.
    std::set<std::string> found;
    for (const auto& row : scan()) found.insert(row.id);
    const std::set<std::string> expected =
        keepsRecords ? std::set<std::string>{"a.flag", "c.hidden", "d.path", "e.speed"} : std::set<std::string>{};
    EXPECT_EQ(found, expected);
  }
}
