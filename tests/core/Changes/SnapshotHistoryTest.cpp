#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "Support/Iso8601.hpp"
#include "Support/Json.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "TestHome.hpp"

using amberloom::PreferenceValue;
using amberloom::SettingChannel;
using amberloom::SettingRef;
using amberloom::Snapshot;
using amberloom::SnapshotEntry;
using amberloom::SnapshotHistory;
using amberloom::StoredSnapshot;
namespace iso8601 = amberloom::iso8601;
namespace fs = std::filesystem;
namespace testing_ = amberloom::testing;

namespace {

std::string historyFolder() { return testing_::home() + "/Library/Application Support/AmberLoom/History"; }

double at(const std::string& text) { return *iso8601::parse(text); }

Snapshot dockSnapshot(bool autohide) {
  return Snapshot{{SnapshotEntry{SettingRef{"com.apple.dock", {"autohide"}, false}, PreferenceValue::boolean(autohide),
                                 SettingChannel::defaults, false}}};
}

std::vector<std::string> fileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> ids(const std::vector<StoredSnapshot>& points) {
  std::vector<std::string> result;
  for (const auto& point : points) result.push_back(point.id);
  return result;
}

// A point file as another writer might have left it.
std::string pointJson(const std::string& id, const std::string& createdAt) {
  return R"({"schemaVersion":1,"id":")" + id + R"(","reason":"r","createdAt":")" + createdAt +
         R"(","snapshot":{"entries":[]}})";
}

}  // namespace

TEST(SnapshotHistory, FirstRecordCreatesTheFolderAndWritesSortedCompactJsonUnderTheStampAndReadsPrettyOnesToo) {
  const SnapshotHistory history = SnapshotHistory::standard();
  EXPECT_EQ(history.folder(), historyFolder());
  EXPECT_TRUE(history.all().empty());
  EXPECT_EQ(SnapshotHistory::defaultFolder("/Users/ada"), "/Users/ada/Library/Application Support/AmberLoom/History");

  const double time = at("2024-03-05T14:07:09.250Z");
  const StoredSnapshot point = history.record(dockSnapshot(true), "Quick setup / Dock", time);

  EXPECT_EQ(point, (StoredSnapshot{"2024-03-05-140709-250", "Quick setup / Dock", time, dockSnapshot(true), std::nullopt}));
  EXPECT_EQ(fileNames(historyFolder()), std::vector<std::string>{"2024-03-05-140709-250.amberloom-undo.json"});
  EXPECT_EQ(testing_::readFile(historyFolder() + "/2024-03-05-140709-250.amberloom-undo.json"),
            R"({"createdAt":"2024-03-05T14:07:09Z","id":"2024-03-05-140709-250","reason":"Quick setup \/ Dock",)"
            R"("schemaVersion":1,"snapshot":{"entries":[{"ref":{"byHost":false,"domain":"com.apple.dock","path":)"
            R"(["autohide"]},"rootValue":{"bool":true}}]}})");
  // An earlier build's point, pretty-printed, reads as the same point.
  testing_::writeFile(historyFolder() + "/2024-03-05-140709-250.amberloom-undo.json",
            R"({
  "createdAt" : "2024-03-05T14:07:09Z",
  "id" : "2024-03-05-140709-250",
  "reason" : "Quick setup \/ Dock",
  "schemaVersion" : 1,
  "snapshot" : {
    "entries" : [
      {
        "ref" : {
          "byHost" : false,
          "domain" : "com.apple.dock",
          "path" : [
            "autohide"
          ]
        },
        "rootValue" : {
          "bool" : true
        }
      }
    ]
  }
})");
  EXPECT_EQ(SnapshotHistory(historyFolder()).all().front().snapshot, dockSnapshot(true));
}

TEST(SnapshotHistory, PointsSurviveARestartWithTheirTimeCutToTheSecond) {
  const double first = at("2024-03-05T14:07:09.250Z"), second = at("2024-03-05T14:08:00Z");
  SnapshotHistory(historyFolder()).record(dockSnapshot(true), "Repair", first);
  SnapshotHistory(historyFolder()).record(dockSnapshot(false), "Restore", second);

  const auto points = SnapshotHistory(historyFolder()).all();
  EXPECT_EQ(points, (std::vector<StoredSnapshot>{
                        {"2024-03-05-140800-000", "Restore", second, dockSnapshot(false), std::nullopt},
                        {"2024-03-05-140709-250", "Repair", at("2024-03-05T14:07:09Z"), dockSnapshot(true), std::nullopt},
                    }));
}

TEST(SnapshotHistory, TheEleventhRecordRemovesTheOldestPoint) {
  const SnapshotHistory history(historyFolder());
  std::vector<std::string> expected;
  for (int minute = 10; minute <= 20; ++minute) {
    const std::string stamp = "2024-03-05T14:" + std::to_string(minute) + ":00Z";
    history.record(dockSnapshot(minute % 2 == 0), "batch " + std::to_string(minute), at(stamp));
    expected.insert(expected.begin(), "2024-03-05-14" + std::to_string(minute) + "00-000");
  }
  expected.pop_back();  // 14:10 is gone

  EXPECT_EQ(ids(history.all()), expected);
  EXPECT_EQ(fileNames(historyFolder()).size(), 10u);
  EXPECT_FALSE(testing_::fileExists(historyFolder() + "/2024-03-05-141000-000.amberloom-undo.json"));
}

TEST(SnapshotHistory, PointsOfTheSameMillisecondAreAllKeptUnderNumberedIds) {
  const SnapshotHistory history(historyFolder());
  const double time = at("2024-03-05T14:07:09.250Z");
  const auto first = history.record(dockSnapshot(true), "first", time);
  const auto second = history.record(dockSnapshot(false), "second", time);
  const auto third = history.record(dockSnapshot(true), "third", time);

  EXPECT_EQ(first.id, "2024-03-05-140709-250");
  EXPECT_EQ(second.id, "2024-03-05-140709-250-2");
  EXPECT_EQ(third.id, "2024-03-05-140709-250-3");
  EXPECT_EQ(fileNames(historyFolder()), (std::vector<std::string>{"2024-03-05-140709-250-2.amberloom-undo.json",
                                                                   "2024-03-05-140709-250-3.amberloom-undo.json",
                                                                   "2024-03-05-140709-250.amberloom-undo.json"}));
  std::vector<std::string> reasons;
  for (const auto& point : history.all()) reasons.push_back(point.reason);
  EXPECT_EQ(reasons, (std::vector<std::string>{"third", "second", "first"}));
}

TEST(SnapshotHistory, PruningWithinOneSecondRemovesTheOldestByStampNotByListingOrder) {
  struct Case {
    const char* name;
    std::vector<double> times;  // in recording order
    std::vector<std::string> removed;
  };
  const double second = at("2024-03-05T14:07:09Z");
  std::vector<double> millis, sameMilli(12, second + 0.5);
  for (int ms = 0; ms <= 10; ++ms) millis.push_back(second + ms / 1000.0);
  const Case cases[] = {
      {"eleven milliseconds", millis, {"2024-03-05-140709-000"}},
      // "-10" and "-11" are newer than "-9" although they sort before it as text.
      {"twelve in one millisecond", sameMilli, {"2024-03-05-140709-500", "2024-03-05-140709-500-2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(historyFolder());
    const SnapshotHistory history(historyFolder());
    std::vector<std::string> recorded;
    for (double time : c.times) recorded.push_back(history.record(dockSnapshot(true), "batch", time).id);

    std::vector<std::string> kept(recorded.rbegin(), recorded.rend());
    std::erase_if(kept, [&](const std::string& id) { return std::ranges::count(c.removed, id) > 0; });
    EXPECT_EQ(ids(history.all()), kept);
    for (const auto& id : c.removed)
      EXPECT_FALSE(testing_::fileExists(historyFolder() + "/" + id + ".amberloom-undo.json")) << id;
  }
}

TEST(SnapshotHistory, PruningRemovesOnlyTheFileAPointWasReadFromInsideTheFolder) {
  // Paths that a stored id would name if it were trusted: one outside the folder, one a newer
  // point's own file.
  const std::string sentinel = testing_::home() + "/Library/Application Support/AmberLoom/sentinel.amberloom-undo.json";
  testing_::writeFile(sentinel, "keep me");
  testing_::writeFile(historyFolder() + "/evil.amberloom-undo.json", pointJson("../sentinel", "2020-01-01T00:00:00Z"));
  testing_::writeFile(historyFolder() + "/copy.amberloom-undo.json",
                      pointJson("2024-03-05-141900-000", "2020-01-01T00:00:01Z"));

  const SnapshotHistory history(historyFolder());
  EXPECT_EQ(ids(history.all()), (std::vector<std::string>{"2024-03-05-141900-000", "../sentinel"}));

  for (int minute = 10; minute <= 19; ++minute)
    history.record(dockSnapshot(true), "batch", at("2024-03-05T14:" + std::to_string(minute) + ":00Z"));

  EXPECT_EQ(testing_::readFile(sentinel), "keep me");
  EXPECT_FALSE(testing_::fileExists(historyFolder() + "/evil.amberloom-undo.json"));
  EXPECT_FALSE(testing_::fileExists(historyFolder() + "/copy.amberloom-undo.json"));
  EXPECT_TRUE(testing_::fileExists(historyFolder() + "/2024-03-05-141900-000.amberloom-undo.json"));
  EXPECT_EQ(history.all().size(), 10u);
  EXPECT_EQ(history.all().front().id, "2024-03-05-141900-000");
}

TEST(SnapshotHistory, UnreadableFilesAreListedAsSuchAndPrunedAfterEveryReadablePoint) {
  const std::vector<std::pair<std::string, std::string>> unreadable = {
      {"fraction.amberloom-undo.json", pointJson("2020-01-01-000000-000", "2020-01-01T00:00:00.5Z")},
      {"no-date.amberloom-undo.json", pointJson("2020-01-01-000000-000", "yesterday")},
      {"no-id.amberloom-undo.json",
       R"({"schemaVersion":1,"reason":"r","createdAt":"2020-01-01T00:00:00Z","snapshot":{"entries":[]}})"},
      {"no-reason.amberloom-undo.json",
       R"({"schemaVersion":1,"id":"x","createdAt":"2020-01-01T00:00:00Z","snapshot":{"entries":[]}})"},
      {"no-createdAt.amberloom-undo.json", R"({"schemaVersion":1,"id":"x","reason":"r","snapshot":{"entries":[]}})"},
      {"no-schema.amberloom-undo.json",
       R"({"id":"x","reason":"r","createdAt":"2020-01-01T00:00:00Z","snapshot":{"entries":[]}})"},
      {"no-snapshot.amberloom-undo.json", R"({"schemaVersion":1,"id":"x","reason":"r","createdAt":"2020-01-01T00:00:00Z"})"},
      {"bad-snapshot.amberloom-undo.json",
       R"({"schemaVersion":1,"id":"x","reason":"r","createdAt":"2020-01-01T00:00:00Z",)"
       R"("snapshot":{"entries":[{"ref":{"domain":"d","path":["k"],"byHost":false},"rootValue":{"int":"1"}}]}})"},
      {"not-json.amberloom-undo.json", "{"},
      // A point a crash cut short.
      {"cut.amberloom-undo.json", pointJson("2020-01-01-000000-000", "2020-01-01T00:00:00Z").substr(0, 40)},
      {"deep.amberloom-undo.json",
       R"({"schemaVersion":1,"id":"x","reason":"r","createdAt":"2020-01-01T00:00:00Z","snapshot":{"entries":[)" +
           std::string(10000, '[') + std::string(10000, ']') + "]}}"},
  };
  for (const auto& [name, contents] : unreadable) testing_::writeFile(historyFolder() + "/" + name, contents);
  fs::create_directories(historyFolder() + "/folder.amberloom-undo.json");
  ASSERT_EQ(::mkfifo((historyFolder() + "/fifo.amberloom-undo.json").c_str(), 0600), 0);  // never opened to block
  // Readable oddities: the suffix glued to other letters, and another schema version.
  testing_::writeFile(historyFolder() + "/gluedamberloom-undo.json", pointJson("glued", "2020-01-01T00:00:02Z"));
  testing_::writeFile(historyFolder() + "/v2.amberloom-undo.json",
                      R"({"schemaVersion":2,"id":"v2","reason":"r","createdAt":"2020-01-01T00:00:03Z","snapshot":{"entries":[]}})");
  testing_::writeFile(historyFolder() + "/notes.json", pointJson("notes", "2020-01-01T00:00:04Z"));

  const SnapshotHistory history(historyFolder());
  EXPECT_EQ(ids(history.all()), (std::vector<std::string>{"v2", "glued"}));
  std::vector<SnapshotHistory::Unreadable> listed;
  for (const auto& [name, contents] : unreadable) listed.push_back({name, std::nullopt});
  std::sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) { return a.fileName > b.fileName; });
  EXPECT_EQ(history.unreadable(), listed) << "regular files only, the newest name first";

  // While fewer than ten points can be read, unreadable files fill the places left; also when the
  // history only listed them, which cannot tell damaged entries.
  const SnapshotHistory listedFirst(historyFolder());
  EXPECT_EQ(listedFirst.list().unreadable.size(), listed.size() - 1) << "all but the bad snapshot";
  for (int minute = 10; minute <= 16; ++minute)
    listedFirst.record(dockSnapshot(true), "batch", at("2024-03-05T14:" + std::to_string(minute) + ":00Z"));
  EXPECT_EQ(history.all().size(), 9u);
  EXPECT_EQ(history.unreadable(), std::vector<SnapshotHistory::Unreadable>{listed.front()});
  for (int minute = 17; minute <= 19; ++minute)
    listedFirst.record(dockSnapshot(true), "batch", at("2024-03-05T14:" + std::to_string(minute) + ":00Z"));

  EXPECT_EQ(history.all().size(), 10u);
  EXPECT_TRUE(history.unreadable().empty());
  for (const auto& [name, contents] : unreadable) EXPECT_FALSE(testing_::fileExists(historyFolder() + "/" + name)) << name;
  // What is no file of a point is neither listed nor removed.
  EXPECT_TRUE(fs::is_directory(historyFolder() + "/folder.amberloom-undo.json"));
  EXPECT_TRUE(fs::exists(historyFolder() + "/fifo.amberloom-undo.json"));
  EXPECT_TRUE(testing_::fileExists(historyFolder() + "/notes.json"));
  EXPECT_FALSE(testing_::fileExists(historyFolder() + "/gluedamberloom-undo.json"));
  EXPECT_FALSE(testing_::fileExists(historyFolder() + "/v2.amberloom-undo.json"));
}

TEST(SnapshotHistory, PointsDatedInTheFutureGoFirstAndNeverPushOutTheOneJustStored) {
  const double now = at("2024-03-05T14:00:00Z");
  const SnapshotHistory history(historyFolder(), [now] { return now; });
  // Stored while the clock ran a year ahead.
  for (int minute = 10; minute < 20; ++minute)
    history.record(dockSnapshot(true), "ahead", at("2025-03-05T14:" + std::to_string(minute) + ":00Z"));
  const auto repair = history.record(dockSnapshot(false), "Before putting back 1 settings", now - 60);
  const auto next = history.record(dockSnapshot(false), "Before applying", now);

  const auto kept = ids(history.all());
  EXPECT_EQ(kept.size(), 10u);
  EXPECT_EQ(std::ranges::count(kept, repair.id) + std::ranges::count(kept, next.id), 2);
  EXPECT_FALSE(testing_::fileExists(historyFolder() + "/2025-03-05-141000-000.amberloom-undo.json"));
}

TEST(SnapshotHistory, RecordThrowsAndStoresNothingWhenTheFolderCannotBeMade) {
  testing_::writeFile(testing_::home() + "/blocked", "a file where the folder should be");
  EXPECT_THROW(SnapshotHistory(testing_::home() + "/blocked/History").record(dockSnapshot(true), "r", 0),
               fs::filesystem_error);
  EXPECT_FALSE(fs::exists(testing_::home() + "/blocked/History"));
}

TEST(SnapshotHistory, ValuesWithNoJsonFormAreStoredUnreadableAndTheRestOfThePointKept) {
  // One such value anywhere on the Mac is in every restore's capture: it must not cost the point.
  const SettingRef other{"d", {"other"}, false};
  const PreferenceValue unwritable[] = {
      PreferenceValue::real(std::nan("")),
      PreferenceValue::real(-1.0 / 0.0),
      PreferenceValue::date(253402300800.0 - 978307200.0),  // 10000-01-01
      PreferenceValue::dictionary({{"deep", PreferenceValue::array({PreferenceValue::real(1.0 / 0.0)})}}),
  };
  const SnapshotHistory history(testing_::home() + "/Unwritable");
  for (std::size_t i = 0; i < std::size(unwritable); ++i) {
    const SettingRef ref{"d", {"k" + std::to_string(i)}, false};
    const Snapshot taken{{SnapshotEntry{ref, unwritable[i], SettingChannel::defaults, false},
                          SnapshotEntry{other, PreferenceValue::integer(7), SettingChannel::defaults, false}}};
    const Snapshot kept{{SnapshotEntry{ref, std::nullopt, SettingChannel::defaults, true}, taken.entries[1]}};
    const StoredSnapshot point = history.record(taken, "r", 100.0 * static_cast<double>(i));
    EXPECT_EQ(point.snapshot, kept) << i;
    const auto listed = history.all();
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.front().snapshot, kept) << i;
  }
}

TEST(SnapshotHistory, APointKeepsTheChangeHistoryBeforeItsBatchAndOlderPointsReadWithout) {
  using amberloom::PriorIntent;
  using amberloom::RecordedIntent;
  const SnapshotHistory history(historyFolder());
  const std::vector<PriorIntent> priors{{"dock.autohide", RecordedIntent{"dock.autohide", PreferenceValue::boolean(true), 12.25, "23F79"}},
                                        {"dock.tile", std::nullopt}};
  history.record(dockSnapshot(true), "with", at("2024-03-05T14:00:00Z"), priors);
  history.record(dockSnapshot(true), "none kept", at("2024-03-05T14:01:00Z"), std::vector<PriorIntent>{});
  testing_::writeFile(historyFolder() + "/old.amberloom-undo.json", pointJson("old", "2024-03-05T13:00:00Z"));
  testing_::writeFile(historyFolder() + "/bad.amberloom-undo.json",
                      R"({"schemaVersion":1,"id":"bad","reason":"r","createdAt":"2024-03-05T15:00:00Z",)"
                      R"("snapshot":{"entries":[]},"priorIntents":{"dock.tile":null}})");

  const auto points = history.all();
  ASSERT_EQ(ids(points), (std::vector<std::string>{"2024-03-05-140100-000", "2024-03-05-140000-000", "old"}));
  EXPECT_EQ(points[0].priorIntents, std::vector<PriorIntent>{});
  EXPECT_EQ(points[1].priorIntents, priors);
  EXPECT_EQ(points[2].priorIntents, std::nullopt);
}

TEST(SnapshotHistory, PointsAndHistoryRecordsWrittenAsTextAreTheBytesTheirJsonTreesWrite) {
  // Files of earlier builds and of this one must read alike: the text written straight from the
  // values is checked against the one writer's text of the same tree, for every kind of value.
  using amberloom::JsonTextWriter;
  using amberloom::PriorIntent;
  using amberloom::RecordedIntent;
  const PreferenceValue values[] = {
      PreferenceValue::boolean(false), PreferenceValue::integer(INT64_MIN), PreferenceValue::real(0.1),
      PreferenceValue::real(-0.0), PreferenceValue::real(2.0), PreferenceValue::real(-1e300),
      PreferenceValue::string("a/b \"c\" \\ \n\x01 caf\xC3\xA9"), PreferenceValue::string(""),
      PreferenceValue::data({0, 255, 16}), PreferenceValue::date(1234.5678901),
      PreferenceValue::dictionary({{"b", PreferenceValue::integer(1)}, {"B/\xC3\xA9", PreferenceValue::array({})},
                                   {"", PreferenceValue::dictionary({})}}),
      PreferenceValue::array({PreferenceValue::boolean(true), PreferenceValue::array({PreferenceValue::string("x")})})};
  Snapshot snapshot{{SnapshotEntry{SettingRef{"d", {}, true}, std::nullopt, SettingChannel::nightShift, true}}};
  std::vector<PriorIntent> priors{{"never.recorded", std::nullopt},
                                  {"reset", RecordedIntent{"reset", std::nullopt, -0.5, ""}}};
  for (const auto& value : values) {
    snapshot.entries.push_back(SnapshotEntry{SettingRef{"com.example/\xC3\xA9", {"k", "n/1"}, false}, value,
                                             SettingChannel::defaults, false});
    priors.push_back({"s", RecordedIntent{"s\"/", value, 7.25e8, "23F79"}});
  }
  const auto text = [](const auto& item) {
    std::string out;
    JsonTextWriter writer(out);
    item.writeJsonTo(writer);
    return out;
  };
  EXPECT_EQ(text(snapshot), amberloom::writeJson(snapshot.toJson()));
  for (const auto& prior : priors) EXPECT_EQ(text(prior), amberloom::writeJson(prior.toJson())) << prior.settingID;

  // Text that is not UTF-8 is refused as the tree's writing refuses it.
  const SnapshotEntry notUtf8{SettingRef{"caf\xE9", {"k"}, false}, PreferenceValue::string("caf\xE9"),
                              SettingChannel::defaults, false};
  EXPECT_THROW(text(notUtf8), amberloom::JsonWriteError);
  EXPECT_THROW(amberloom::writeJson(notUtf8.toJson()), amberloom::JsonWriteError);
}

TEST(SnapshotHistory, TwoProcessesRecordingAtTheSameMomentNeverReplaceEachOthersPoints) {
  // Every id a record returns must name its own point, whoever else records in that millisecond.
  constexpr int kRecords = 150;
  const double moment = at("2024-03-05T14:07:09.250Z");
  std::vector<pid_t> children;
  for (const char* who : {"a", "b"}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int wrong = 0;
      try {
        const SnapshotHistory mine(historyFolder());
        for (int i = 0; i < kRecords; ++i) {
          const std::string reason = std::string(who) + std::to_string(i);
          const auto point = mine.record(dockSnapshot(true), reason, moment);
          const std::string path = historyFolder() + "/" + point.id + ".amberloom-undo.json";
          if (testing_::fileExists(path) && testing_::readFile(path).find("\"" + reason + "\"") == std::string::npos) ++wrong;
        }
      } catch (...) {
        ::_exit(2);
      }
      ::_exit(wrong == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a point was replaced by the other process's";
  }
  const auto kept = SnapshotHistory(historyFolder()).all();
  EXPECT_EQ(kept.size(), SnapshotHistory::keepCount);
  EXPECT_EQ(fileNames(historyFolder()).size(), SnapshotHistory::keepCount) << "no temporary is left";
}

TEST(SnapshotHistory, APointStoredAheadIsInProgressUntilSettledAndInterruptedOnlyOnceNoLiveProcessHoldsIt) {
  const SnapshotHistory history(historyFolder());
  auto pending = history.storeAhead(dockSnapshot(true), "Before mine", at("2024-03-05T14:00:00Z"));
  const std::string id = pending.point().id;
  EXPECT_EQ(fileNames(historyFolder()), std::vector<std::string>{id + ".in-progress.amberloom-undo.json"});
  EXPECT_EQ(ids(history.all()), std::vector<std::string>{id}) << "listed like any point";
  EXPECT_TRUE(history.interrupted().empty()) << "its batch runs here";

  // Another process's batch: held while it lives, interrupted once it is killed.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const auto theirs = SnapshotHistory(historyFolder()).storeAhead(dockSnapshot(false), "Before theirs", at("2024-03-05T14:01:00Z"));
    [[maybe_unused]] const auto sent = ::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  EXPECT_EQ(history.all().size(), 2u);
  EXPECT_TRUE(history.interrupted().empty());
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  const auto interrupted = history.interrupted();
  ASSERT_EQ(interrupted.size(), 1u);
  EXPECT_EQ(interrupted[0].point.reason, "Before theirs");
  EXPECT_EQ(interrupted[0].fileName, "2024-03-05-140100-000.in-progress.amberloom-undo.json");

  EXPECT_TRUE(history.settle(pending));
  EXPECT_TRUE(history.settle(interrupted[0]));
  EXPECT_EQ(fileNames(historyFolder()), (std::vector<std::string>{id + ".amberloom-undo.json",
                                                                   "2024-03-05-140100-000.amberloom-undo.json"}));
  EXPECT_TRUE(history.interrupted().empty());
  EXPECT_EQ(history.all().size(), 2u);
}

TEST(SnapshotHistory, PruningKeepsEveryPointInProgressAndTakesAnOlderBuildsPointForSettled) {
  const SnapshotHistory history(historyFolder());
  // Left by a build that marked no point: settled, whatever became of its batch.
  testing_::writeFile(historyFolder() + "/2024-03-05-120000-000.amberloom-undo.json",
                      pointJson("2024-03-05-120000-000", "2024-03-05T12:00:00Z"));
  // Stopped before they settled, and older than every settled point.
  for (const char* stamp : {"2024-03-05-110000-000", "2024-03-05-110100-000"}) {
    testing_::writeFile(historyFolder() + "/" + stamp + ".in-progress.amberloom-undo.json", pointJson(stamp, "2024-03-05T11:00:00Z"));
  }
  EXPECT_EQ(history.interrupted().size(), 2u);
  for (int minute = 10; minute <= 19; ++minute)
    history.record(dockSnapshot(true), "batch", at("2024-03-05T14:" + std::to_string(minute) + ":00Z"));

  const auto names = fileNames(historyFolder());
  EXPECT_EQ(names.size(), 12u);
  EXPECT_EQ(std::ranges::count_if(names, [](const std::string& n) { return n.find(".in-progress.") != std::string::npos; }), 2);
  EXPECT_FALSE(testing_::fileExists(historyFolder() + "/2024-03-05-120000-000.amberloom-undo.json")) << "the oldest settled";
  EXPECT_EQ(history.interrupted().size(), 2u);
  EXPECT_TRUE(history.remove(history.interrupted().front()));
  EXPECT_EQ(history.interrupted().size(), 1u);
}

TEST(SnapshotHistory, AListingAgreesWithTheWholePointsAndAPointGoneOrDamagedSinceIsATypedErrorWhenRead) {
  const SnapshotHistory writer(historyFolder());
  Snapshot two = dockSnapshot(true);
  two.entries.push_back({SettingRef{"com.apple.finder", {"a\"b"}, false}, PreferenceValue::string("x}]\\\""),
                         SettingChannel::defaults, false});
  const auto ordinary = writer.record(two, "Before applying “Calm”", at("2024-03-05T14:00:00Z"),
                                       std::vector<amberloom::PriorIntent>{});
  const std::string compact = testing_::readFile(historyFolder() + "/" + ordinary.id + ".amberloom-undo.json");
  auto legacy = amberloom::parseJson(compact);
  legacy["id"] = "2024-03-05-130000-000";
  legacy["createdAt"] = "2024-03-05T13:00:00Z";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"2024-03-05-130000-000.amberloom-undo.json", amberloom::writeJson(legacy, amberloom::JsonStyle::pretty)},
      {"2024-03-05-120000-000.amberloom-undo.json", "\xEF\xBB\xBF " + pointJson("odd-id", "2024-03-05T12:00:00Z")},
      {"2024-03-05-110000-000.amberloom-undo.json", compact.substr(0, compact.size() - 30)},
      {"2024-03-05-100000-000.amberloom-undo.json", compact + "x"},
      {"2024-03-05-090000-000.amberloom-undo.json", R"({"snapshot":{"entries":[{}]},"name":"another program"})"},
      {"2024-03-05-080000-000.amberloom-undo.json", R"([{"id":"x"}])"},
  };
  for (const auto& [name, contents] : files) testing_::writeFile(historyFolder() + "/" + name, contents);

  // Each from a history of its own: neither finds what the other decoded.
  const auto listing = SnapshotHistory(historyFolder()).list();
  const SnapshotHistory history(historyFolder());
  const auto whole = history.all();
  ASSERT_EQ(listing.points.size(), whole.size());
  EXPECT_EQ(whole.size(), 3u);
  for (std::size_t i = 0; i < whole.size(); ++i) {
    const auto& listed = listing.points[i];
    EXPECT_EQ(std::tuple(listed.id, listed.reason, listed.createdAt, listed.settingCount),
              std::tuple(whole[i].id, whole[i].reason, whole[i].createdAt, whole[i].snapshot.entries.size()));
    EXPECT_EQ(SnapshotHistory(historyFolder()).read(listed), whole[i]);
  }
  EXPECT_EQ(listing.unreadable, history.unreadable());

  // Damaged, then removed, after it was listed.
  const auto& legacyListed = listing.points[1];
  testing_::writeFile(historyFolder() + "/" + legacyListed.fileName, compact.substr(0, 100));
  for (const bool gone : {false, true}) {
    try {
      history.read(legacyListed);
      ADD_FAILURE() << "read a point that is " << (gone ? "gone" : "damaged");
    } catch (const amberloom::UndoPointReadError& error) {
      EXPECT_EQ(std::pair(error.fileName(), error.isGone()), std::pair(legacyListed.fileName, gone));
    }
    fs::remove(historyFolder() + "/" + legacyListed.fileName);
  }
  EXPECT_EQ(history.list().points.size(), 2u);
}
