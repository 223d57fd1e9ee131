// Every batch road run in a child process that is killed (SIGKILL, as `kill -9` or a power cut)
// at each of its steps in turn: capturing, writing the undo point, between two preference files,
// reading back, writing the change history, settling the point. Whenever it died, either no
// preference changed and the next start leaves no point of it, or the point it left (offered at
// the next start while still in progress) returns every touched key; and the change history
// holds no value that is not on disk. Where no point can be stored, no road writes anything; where
// every file is refused, none keeps a point; and points of batches killed before their first write
// never push out the points that matter.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "Backup/BackupService.hpp"
#include "Changes/InterruptedBatches.hpp"
#include "LivePreferences.hpp"
#include "Recipes/RecipeService.hpp"
#include "Sync/SyncService.hpp"
#include "Upkeep/RepairScanner.hpp"
#include "Upkeep/RepairService.hpp"
#include "Upkeep/UninstallService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;
namespace fs = std::filesystem;

namespace {

using PV = PreferenceValue;

SettingDefinition setting(std::string id, std::string domain, std::vector<std::string> path, SettingValueType type,
                          SettingControl control = SettingControl::toggle()) {
  return th::makeSetting(std::move(id), SettingRef{std::move(domain), std::move(path), false}, type, std::move(control));
}

// Two files of their own, a key nested in a dictionary, and the global domain.
const SettingsCatalog catalog(1, 1,
                              {setting("dock.autohide", "com.example.dock", {"autohide"}, SettingValueType::boolean),
                               setting("dock.tile", "com.example.dock", {"tilesize"}, SettingValueType::integer),
                               setting("finder.pane", "com.example.finder", {"Panes", "General"}, SettingValueType::string,
                                       SettingControl::choice({{PV::string("open"), "Open"}})),
                               setting("global.swipe", "NSGlobalDomain", {"com.example.swipe"}, SettingValueType::boolean)});
// What another Mac (or a backup, or a recipe) brings: a value for every setting.
const std::map<std::string, PV> incoming{{"dock.autohide", PV::boolean(true)},
                                         {"dock.tile", PV::integer(64)},
                                         {"finder.pane", PV::string("open")},
                                         {"global.swipe", PV::boolean(true)}};

class BatchKill : public ::testing::TestWithParam<const char*>, protected th::LivePreferences {
 protected:
  using Road = std::function<void(const SnapshotHistory& points)>;

  SettingsService settings{resolver, store};
  IntentLog log{th::supportFile("intents.json"), "23F79"};
  SnapshotHistory points{SnapshotHistory::defaultFolder(th::home())};

  RecipeService recipes() const { return RecipeService(catalog, settings, resolver, store, log); }
  SyncService sync() const { return SyncService(catalog, settings, resolver, store, "MAC-A", "Studio", log); }
  Recipe recipe() const { return Recipe{"all", "Everything", "", "", std::nullopt, incoming}; }
  // The records of the user's own choices, as the home starts.
  mutable std::map<std::string, std::optional<RecordedIntent>> chosen;

  // The home every run starts from: values of the user's own, and choices the system undid since.
  void startOver() const {
    for (const char* domain : {"com.example.dock", "com.example.finder"}) fs::remove(th::preferencesFile(domain));
    fs::remove(th::home() + "/Library/Preferences/.GlobalPreferences.plist");
    fs::remove_all(th::home() + "/Library/Application Support/AmberLoom");
    put("com.example.dock", "autohide", PV::boolean(false));
    put("com.example.dock", "tilesize", PV::integer(36));
    put("com.example.finder", "Panes", PV::dictionary({{"Other", PV::integer(1)}}));
    log.record({{"dock.autohide", PV::boolean(true)}, {"dock.tile", PV::integer(64)}, {"finder.pane", PV::string("open")}});
    for (const auto& s : catalog.settings()) chosen[s.id] = log.intent(s.id);
  }

  // Sets the home up for the road and gives what the child runs.
  Road prepare(const std::string& road) const {
    startOver();
    if (road == "quick setup") return [this](const auto& at) { recipes().apply(recipe(), {}, outside, at); };
    if (road == "repair")
      return [this](const auto& at) {
        RepairService(settings, log, resolver, store)
            .repair(RepairScanner(catalog, settings, log, "23F79").scan(std::nullopt).findings, outside, at);
      };
    if (road == "putting everything back")
      return [this](const auto& at) {
        UninstallService(catalog.settings(), log, settings, std::nullopt, resolver, store, std::nullopt, th::home())
            .revertEverything(outside, at);
      };
    if (road == "copy from another Mac")
      return [this](const auto& at) {
        std::vector<SyncRow> rows;
        for (const auto& [id, value] : incoming) rows.push_back({id, id, SyncDifference::onlyThere(value), false});
        sync().apply(rows, outside, "Office", at);
      };
    if (road == "automatic copy")
      return [this](const auto& at) {
        const SyncService::ReadResult others({SyncDocument{"MAC-B", "Office", {incoming.begin(), incoming.end()}}}, {});
        sync().apply(sync().missingHere(others, {}), outside, "your other Macs", at);
      };
    if (road == "wizard restore")
      return [this](const auto& at) {
        Snapshot backup;
        for (const auto& [id, value] : incoming) {
          const auto& ref = catalog.setting(id)->ref;
          const PV root = ref.path.size() > 1 ? PV::dictionary({{ref.path[1], value}}) : value;
          backup.entries.push_back({ref.root(), root, SettingChannel::defaults, false});
        }
        BackupService(catalog, resolver, store, "MAC-A", "Studio")
            .restore({"MAC-B", "Office", std::nullopt, std::nullopt, backup}, RestoreMode::presentValues, outside, at);
      };
    if (road == "the offer's Undo") {  // of a quick setup killed once it wrote, as the next start offers it
      runChild([this](const auto& at) { recipes().apply(recipe(), {}, outside, at); }, points,
               {{"AMBERLOOM_KILL_AT_STEP", "1:batch: written"}});
      return [this](const auto& at) {
        for (const auto& batch : nextStart())
          InterruptedBatches::undo(at, batch, [&](const auto& point, const auto& ran) {
            sync().undo(point, outside, at);
            ran();
          });
      };
    }
    // An undo: of a quick setup held in memory, or of the point Recent changes lists.
    const auto applied = recipes().apply(recipe(), {}, outside, points);
    if (road == "undo of a quick setup")
      return [this, wayBack = applied.wayBack->point](const auto& at) { recipes().undo(wayBack, outside, at); };
    return [this, point = points.all().front()](const auto& at) { sync().undo(point, outside, at); };
  }

  // Runs the road in a child with `environment` set; whether the child was killed.
  static bool runChild(const Road& road, const SnapshotHistory& at, const std::map<std::string, std::string>& environment) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
      road(at);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

  Snapshot roots() const {
    std::vector<SettingRef> refs;
    for (const auto& s : catalog.settings()) refs.push_back(s.ref.root());
    return SnapshotService(store, resolver).capture(refs);
  }
  // What the next start does with the points left in progress: removes those that put back
  // nothing, and gives the others to offer.
  std::vector<InterruptedBatch> nextStart() const {
    return InterruptedBatches(points, SnapshotService(store, resolver)).find();
  }
  std::map<std::string, std::optional<RecordedIntent>> records() const {
    std::map<std::string, std::optional<RecordedIntent>> recorded;
    for (const auto& s : catalog.settings()) recorded[s.id] = log.intent(s.id);
    return recorded;
  }
};

TEST_P(BatchKill, KilledAtAnyStepItChangedNothingOrLeftAPointThatPutsEveryKeyBack) {
  const std::string road = GetParam();
  const std::string trace = th::home() + "/steps.log";
  ASSERT_FALSE(runChild(prepare(road), points, {{"AMBERLOOM_STEP_LOG", trace}}));
  std::vector<std::string> steps;
  std::istringstream lines(th::readFile(trace));
  for (std::string line; std::getline(lines, line);) steps.push_back(line);
  const auto took = [&](const std::string& prefix) {
    return std::any_of(steps.begin(), steps.end(), [&](const auto& step) { return step.starts_with(prefix); });
  };
  // The moments that matter are among the steps.
  for (const char* moment : {"capture ", "written ", "batch: undo point stored", "renamed com.example.",
                             "run defaults", "batch: written"})
    EXPECT_TRUE(took(moment)) << moment;
  EXPECT_EQ(took("renamed intents.json"), road != "wizard restore") << "a restore records no change history";

  const Snapshot fresh = [&] { startOver(); return roots(); }();
  for (std::size_t step = 1; step <= steps.size(); ++step) {
    SCOPED_TRACE(road + ", killed at " + steps[step - 1]);
    const Road run = prepare(road);
    const Snapshot before = roots();
    std::set<std::string> earlier;
    for (const auto& point : points.all()) earlier.insert(point.id);
    const auto recorded = records();

    ASSERT_TRUE(runChild(run, points, {{"AMBERLOOM_KILL_AT_STEP", std::to_string(step)}}));

    // A record the batch made holds what is on disk: the history never says more than was seen.
    // An undo puts the user's own earlier records back as they were.
    for (const auto& s : catalog.settings())
      if (const auto now = log.intent(s.id); now != recorded.at(s.id) && now != chosen[s.id]) {
        ASSERT_TRUE(now);
        EXPECT_EQ(now->value, settings.currentValue(s)) << s.id;
      }
    const auto offered = nextStart();
    std::vector<StoredSnapshot> left;
    for (const auto& point : points.all())
      if (!earlier.contains(point.id)) left.push_back(point);
    // Killed in the offer's Undo before it was done, the batch it takes back is offered again.
    const std::size_t stillOffered = road == "the offer's Undo" && roots() != fresh ? 1 : 0;
    ASSERT_LE(left.size(), 1u);
    ASSERT_LE(offered.size(), 1u + stillOffered);
    // A take-back that wrote anything had already held what it touches against other Macs' values.
    if ((road.starts_with("undo") || road.starts_with("taking back")) && roots() != before) {
      EXPECT_FALSE(log.held().all().value_or(HeldSettings::Holds{}).empty());
    }
    if (roots() == before) {
      EXPECT_TRUE(left.empty()) << "a point that puts back nothing is gone by the next start";
      EXPECT_EQ(offered.size(), stillOffered);
      continue;
    }
    // Killed before it settled, the batch is offered at the next start; settled, it is listed.
    ASSERT_EQ(left.size(), 1u);
    if (!offered.empty()) {
      EXPECT_EQ(offered.front().point.point.id, left.front().id);
      EXPECT_GT(offered.front().changed, 0u);
    }
    EXPECT_TRUE(sync().undo(left.front(), outside).report.isComplete());
    EXPECT_EQ(roots(), before);
  }
}

TEST_P(BatchKill, WhereNoPointCanBeStoredNoRoadWritesAnything) {
  const std::string road = GetParam();
  const Road run = prepare(road);
  fs::remove_all(points.folder());
  th::writeFile(points.folder(), "a file where the undo points go");
  const Snapshot before = roots();
  const auto recorded = records();
  run(points);
  EXPECT_EQ(roots(), before);
  EXPECT_EQ(records(), recorded);
  EXPECT_EQ(th::readFile(points.folder()), "a file where the undo points go");
}

TEST_P(BatchKill, WhereEveryFileIsRefusedNoRoadKeepsAPoint) {
  const Road run = prepare(GetParam());
  for (const char* file : {"com.example.dock", "com.example.finder", ".GlobalPreferences"})
    th::writeFile(th::preferencesFile(file), "not a property list");  // refused, so never written
  const auto ids = [this] {
    std::set<std::string> listed;
    for (const auto& point : points.all()) listed.insert(point.id);
    return listed;
  };
  const auto earlier = ids();
  try {
    run(points);
  } catch (const std::exception&) {
    // A restore says so by throwing; what matters here is what it leaves behind.
  }
  EXPECT_EQ(ids(), earlier) << "a point that puts back nothing is never kept";
}

TEST_F(BatchKill, TenPointsThatPutSomethingBackOutliveFourOfBatchesKilledBeforeTheirFirstWrite) {
  startOver();
  const auto dock = [](bool autohide) {
    return Recipe{"dock", "Dock", "", "", std::nullopt, {{"dock.autohide", PV::boolean(autohide)}}};
  };
  std::vector<std::string> real;
  for (int i = 1; i <= 10; ++i) real.push_back(recipes().apply(dock(i % 2 == 1), {}, outside, points).wayBack->point.id);
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(runChild([&](const auto& at) { recipes().apply(dock(true), {}, outside, at); }, points,
                         {{"AMBERLOOM_KILL_AT_STEP", "1:batch: undo point stored"}}));
  // Each batch removes the point of the one killed before it: only the last waits, pushing out none.
  EXPECT_EQ(points.all().size(), 11u);
  real.push_back(recipes().apply(dock(true), {}, outside, points).wayBack->point.id);
  real.erase(real.begin());  // the eleventh real point takes the oldest one's place, and only that

  const auto listed = [&] {
    std::vector<std::string> ids;
    for (const auto& point : points.all())
      if (std::find(real.begin(), real.end(), point.id) != real.end()) ids.push_back(point.id);
    return ids;
  };
  EXPECT_EQ(listed(), std::vector<std::string>(real.rbegin(), real.rend()));
  // The next batch found that they put back nothing before it changed what they hold.
  EXPECT_EQ(th::filesBelow(points.folder()).size(), 10u);
  EXPECT_TRUE(nextStart().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryRoad, BatchKill,
                         ::testing::Values("quick setup", "repair", "putting everything back", "copy from another Mac",
                                           "automatic copy", "wizard restore", "undo of a quick setup",
                                           "taking back a stored point", "the offer's Undo"),
                         [](const auto& info) {
                           std::string name;
                           for (const char c : std::string(info.param))
                             if (std::isalnum(static_cast<unsigned char>(c))) name.push_back(c);
                           return name;
                         });

}  // namespace
