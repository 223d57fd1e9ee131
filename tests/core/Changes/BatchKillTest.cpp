// Every batch road run in a child process that is killed (SIGKILL, as `kill -9` or a power cut)
// at each of its steps in turn: capturing, writing the undo point, between two preference files,
// reading back, writing the change history. Whenever it died, either no preference changed, or
// the undo point it left, taken back as Recent changes takes it, returns every touched key; and
// the change history holds no value that is not on disk.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "Backup/BackupService.hpp"
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

SettingDefinition setting(std::string id, std::string domain, std::vector<std::string> path, SettingValueType type) {
  return th::makeSetting(std::move(id), SettingRef{std::move(domain), std::move(path), false}, type);
}

// Two files of their own, a key nested in a dictionary, and the global domain.
const SettingsCatalog catalog(1, 1,
                              {setting("dock.autohide", "com.example.dock", {"autohide"}, SettingValueType::boolean),
                               setting("dock.tile", "com.example.dock", {"tilesize"}, SettingValueType::integer),
                               setting("finder.pane", "com.example.finder", {"Panes", "General"}, SettingValueType::string),
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

  for (std::size_t step = 1; step <= steps.size(); ++step) {
    SCOPED_TRACE(road + ", killed at " + steps[step - 1]);
    const Road run = prepare(road);
    const Snapshot before = roots();
    std::set<std::string> earlier;
    for (const auto& point : points.all()) earlier.insert(point.id);
    std::map<std::string, std::optional<RecordedIntent>> recorded;
    for (const auto& s : catalog.settings()) recorded[s.id] = log.intent(s.id);

    ASSERT_TRUE(runChild(run, points, {{"AMBERLOOM_KILL_AT_STEP", std::to_string(step)}}));

    // A record the batch made holds what is on disk: the history never says more than was seen.
    // An undo puts the user's own earlier records back as they were.
    for (const auto& s : catalog.settings())
      if (const auto now = log.intent(s.id); now != recorded[s.id] && now != chosen[s.id]) {
        ASSERT_TRUE(now);
        EXPECT_EQ(now->value, settings.currentValue(s)) << s.id;
      }
    std::vector<StoredSnapshot> left;
    for (const auto& point : points.all())
      if (!earlier.contains(point.id)) left.push_back(point);
    ASSERT_LE(left.size(), 1u);
    if (!left.empty()) {
      EXPECT_TRUE(sync().undo(left.front(), outside).report.isComplete());
    }
    EXPECT_EQ(roots(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryRoad, BatchKill,
                         ::testing::Values("quick setup", "repair", "putting everything back", "copy from another Mac",
                                           "automatic copy", "wizard restore", "undo of a quick setup",
                                           "taking back a stored point"),
                         [](const auto& info) {
                           std::string name;
                           for (const char c : std::string(info.param))
                             if (std::isalnum(static_cast<unsigned char>(c))) name.push_back(c);
                           return name;
                         });

}  // namespace
