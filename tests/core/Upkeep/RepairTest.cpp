// Settings changed behind the application's back by another process: which ones the scan finds,
// putting them back with read-back, keeping the system's value, and undoing a repair.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "Changes/IntentLog.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "TestHome.hpp"
#include "Upkeep/RepairScanner.hpp"
#include "Upkeep/RepairService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

SettingDefinition setting(std::string id, std::string key, SettingValueType type) {
  SettingDefinition definition;
  definition.id = std::move(id);
  definition.ref = SettingRef{"com.example.repair", {std::move(key)}, false};
  definition.type = type;
  definition.label = definition.id;
  return definition;
}

void defaults(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin() + 1, "com.example.repair");
  ASSERT_EQ(th::runDefaults(arguments).exitStatus, 0);
}

struct Expected {
  std::string id;
  std::optional<PreferenceValue> wanted;
  std::optional<PreferenceValue> current;
};

std::vector<Expected> summary(const RepairScan& scan) {
  std::vector<Expected> result;
  for (const auto& f : scan.findings) result.push_back({f.id(), f.wanted, f.current});
  return result;
}

bool operator==(const Expected& a, const Expected& b) {
  return a.id == b.id && a.wanted == b.wanted && a.current == b.current;
}

std::ostream& operator<<(std::ostream& out, const Expected& e) { return out << e.id; }

class RepairTest : public ::testing::Test {
 protected:
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  DomainResolver resolver = DomainResolver::live();
  SettingsService service{resolver, store};
  ExternalVerifier outside{th::defaultsPath()};
  SettingsCatalog catalog{1, 1,
                          {setting("dock.autohide", "autohide", SettingValueType::boolean),
                           setting("dock.tile", "tilesize", SettingValueType::integer),
                           setting("finder.hidden", "hidden", SettingValueType::boolean),
                           setting("finder.path", "path", SettingValueType::string),
                           setting("mouse.speed", "speed", SettingValueType::integer),
                           setting("menu.clock", "clock", SettingValueType::boolean)}};
  std::string historyPath = th::home() + "/Library/Application Support/AmberLoom/intents.json";
  // Every choice below is recorded at its own time, except two recorded at the same moment.
  std::vector<double> times{100, 300, 300, 200, 500, 400, 50};
  std::size_t tick = 0;
  IntentLog log{historyPath, "23F79", [this] { return times.at(tick++); }};
  RepairScanner scanner{catalog, service, IntentLog(historyPath, "23F79"), "23F79"};
  RepairService repairs{service, IntentLog(historyPath, "23F79"), resolver, store};

  std::optional<PreferenceValue> seen(const std::string& key) const {
    return outside.read(key, resolver.resolve("com.example.repair", false));
  }

  // What the user chose through the application, then what the system did behind its back.
  void chooseThenDrift() {
    log.record("dock.autohide", PreferenceValue::boolean(true));   // 100
    log.record("finder.hidden", std::nullopt);                     // 300
    log.record("finder.path", PreferenceValue::string("~/Work"));  // 300, after finder.hidden in the file
    log.record("dock.tile", PreferenceValue::integer(36));         // 200
    log.record("mouse.speed", PreferenceValue::integer(1));        // 500
    log.record("gone.setting", PreferenceValue::boolean(true));    // 400: no longer catalogued
    log.record("menu.clock", std::nullopt);                        // 50
    defaults({"write", "autohide", "-bool", "false"});
    defaults({"write", "tilesize", "-int", "36"});  // unchanged
    defaults({"write", "hidden", "-bool", "true"});
    defaults({"write", "speed", "-bool", "true"});  // the same number, another kind
    // "path" and "clock" stay absent.
  }
};

}  // namespace

TEST_F(RepairTest, ScanFindsExactlyTheDriftedSettingsNewestChoiceFirst) {
  EXPECT_TRUE(scanner.scan(std::nullopt).isEmpty());
  chooseThenDrift();

  const auto scan = scanner.scan(std::string("22G90"));
  const std::vector<Expected> expected{
      {"mouse.speed", PreferenceValue::integer(1), PreferenceValue::boolean(true)},
      {"finder.hidden", std::nullopt, PreferenceValue::boolean(true)},
      {"finder.path", PreferenceValue::string("~/Work"), std::nullopt},
      {"dock.autohide", PreferenceValue::boolean(true), PreferenceValue::boolean(false)},
  };
  EXPECT_EQ(summary(scan), expected);
  EXPECT_EQ(scan.findings[0].chosenAt, 500);
  EXPECT_EQ(scan.findings[0].setting, *catalog.setting("mouse.speed"));

  const struct {
    std::optional<std::string> previous;
    bool changed;
  } builds[] = {{std::nullopt, false}, {"23F79", false}, {"22G90", true}};
  for (const auto& b : builds) {
    const auto result = scanner.scan(b.previous);
    EXPECT_EQ(result.osChanged(), b.changed) << b.previous.value_or("none");
    EXPECT_EQ(result.previousOSBuild, b.previous);
    EXPECT_EQ(result.currentOSBuild, "23F79");
  }
}

TEST_F(RepairTest, RepairPutsBackAndUndoBringsTheFindingsBack) {
  chooseThenDrift();
  const auto before = scanner.scan(std::nullopt);
  ASSERT_EQ(before.findings.size(), 4u);

  const auto report = repairs.repair(before.findings, outside);
  EXPECT_EQ(report.appliedCount(), 4u) << (report.failed().empty() ? "" : *report.failed()[0].failureReason);
  EXPECT_EQ(seen("speed"), PreferenceValue::integer(1));
  EXPECT_EQ(seen("hidden"), std::nullopt);
  EXPECT_EQ(seen("path"), PreferenceValue::string("~/Work"));
  EXPECT_EQ(seen("autohide"), PreferenceValue::boolean(true));
  EXPECT_TRUE(scanner.scan(std::nullopt).isEmpty());
  // Each confirmed write is a fresh choice, the removal too.
  const auto hidden = IntentLog(historyPath, "").intent("finder.hidden");
  ASSERT_TRUE(hidden.has_value());
  EXPECT_EQ(hidden->value, std::nullopt);
  EXPECT_GT(hidden->at, 300);

  const auto undo = repairs.undo(report.undo, outside);
  EXPECT_TRUE(undo.isComplete());
  EXPECT_EQ(seen("speed"), PreferenceValue::boolean(true));
  EXPECT_EQ(seen("hidden"), PreferenceValue::boolean(true));
  EXPECT_EQ(seen("path"), std::nullopt);
  EXPECT_EQ(seen("tilesize"), PreferenceValue::integer(36));
  // The choices stay, so the settings show as findings again.
  std::vector<std::string> again;
  for (const auto& f : scanner.scan(std::nullopt).findings) again.push_back(f.id());
  std::sort(again.begin(), again.end());
  EXPECT_EQ(again, (std::vector<std::string>{"dock.autohide", "finder.hidden", "finder.path", "mouse.speed"}));
}

TEST_F(RepairTest, KeepingTheSystemValueRecordsItAndWritesNothing) {
  chooseThenDrift();
  const auto scan = scanner.scan(std::nullopt);
  const auto plistBefore = th::readFile(th::preferencesFile("com.example.repair"));

  repairs.accept(scan.findings[0]);  // mouse.speed, now a bool
  repairs.accept(scan.findings[2]);  // finder.path, now absent

  EXPECT_EQ(th::readFile(th::preferencesFile("com.example.repair")), plistBefore);
  EXPECT_EQ(IntentLog(historyPath, "").intent("mouse.speed")->value, PreferenceValue::boolean(true));
  std::vector<std::string> left;
  for (const auto& f : scanner.scan(std::nullopt).findings) left.push_back(f.id());
  EXPECT_EQ(left, (std::vector<std::string>{"finder.hidden", "dock.autohide"}));
}
