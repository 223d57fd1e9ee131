#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Changes/IntentLog.hpp"
#include "Platform/AtomicFile.hpp"
#include "SmallDisk.hpp"
#include "TestHome.hpp"

using amberloom::IntentLog;
using amberloom::PreferenceValue;
using amberloom::RecordedIntent;
namespace iso8601 = amberloom::iso8601;
namespace testing_ = amberloom::testing;

namespace {

std::string logFolder() { return testing_::home() + "/Library/Application Support/AmberLoom"; }
std::string logPath() { return logFolder() + "/intents.json"; }

// A clock that returns the given times in turn, then keeps returning the last.
IntentLog::Clock ticking(std::vector<double> times) {
  auto next = std::make_shared<std::size_t>(0);
  return [times, next] { return times[std::min((*next)++, times.size() - 1)]; };
}

double at(const char* text) { return *iso8601::parse(text); }

std::vector<std::string> ids(const std::vector<RecordedIntent>& intents) {
  std::vector<std::string> result;
  for (const auto& intent : intents) result.push_back(intent.settingID);
  return result;
}

}  // namespace

namespace {

// A history far past what is rewritten whole: `count` records of settings "old.<n>".
void writeLongHistory(int count) {
  std::string text = "[";
  for (int i = 0; i < count; ++i)
    text += (i ? "," : "") + std::string(R"({"at":1,"osBuild":"23F79","settingID":"old.)") + std::to_string(i) +
            R"(","value":{"int":)" + std::to_string(i) + "}}";
  testing_::writeFile(logPath(), text + "]");
}

std::uintmax_t sizeOf(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

}  // namespace

TEST(IntentLog, StoresEntriesAsCompactJsonWithoutValueKeyForAReset) {
  IntentLog log(logPath(), "23F79", ticking({10.5, 20}));
  log.record("dock/autohide", PreferenceValue::integer(1));
  const RecordedIntent reset = log.record("finder.showExtensions", std::nullopt);

  EXPECT_EQ(testing_::readFile(logPath()),
            R"([{"at":10.5,"osBuild":"23F79","settingID":"dock\/autohide","value":{"int":1}},)"
            R"({"at":20,"osBuild":"23F79","settingID":"finder.showExtensions"}])");
  EXPECT_EQ(reset, (RecordedIntent{"finder.showExtensions", std::nullopt, 20, "23F79"}));
  EXPECT_EQ(log.all(), (std::vector<RecordedIntent>{{"dock/autohide", PreferenceValue::integer(1), 10.5, "23F79"},
                                                    {"finder.showExtensions", std::nullopt, 20, "23F79"}}));
}

TEST(IntentLog, ARecordReadFromTheHistoryIsWrittenAsItWouldBeAnewAndNeverOnceChanged) {
  IntentLog log(logPath(), "23F79", ticking({0.1, 2}));
  log.record({{"a/\"b\"", PreferenceValue::string("caf\xC3\xA9\n\x01")}, {"c", std::nullopt}});
  const auto written = [](const amberloom::PriorIntent& prior) {
    std::string text;
    amberloom::JsonTextWriter writer(text);
    prior.writeJsonTo(writer);
    return text;
  };
  for (auto prior : log.records({"a/\"b\"", "c", "none"})) {
    EXPECT_EQ(prior.written != nullptr, prior.record.has_value()) << prior.settingID;
    const auto anew = amberloom::PriorIntent{prior.settingID, prior.record};
    EXPECT_EQ(written(prior), written(anew)) << prior.settingID;
    if (!prior.record) continue;
    prior.record->at = 7;
    EXPECT_EQ(written(prior), written(amberloom::PriorIntent{prior.settingID, prior.record})) << prior.settingID;
  }
}

TEST(IntentLog, RecordingASettingAgainKeepsOneEntryAtTheEndWithTheNewValue) {
  IntentLog log(logPath(), "23F79", ticking({1, 2, 3, 4}));
  log.record("a", PreferenceValue::boolean(true));
  log.record("b", PreferenceValue::string("x"));
  log.record("c", PreferenceValue::real(0.25));
  log.record("a", PreferenceValue::boolean(false));

  const auto all = log.all();
  EXPECT_EQ(ids(all), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(all.back(), (RecordedIntent{"a", PreferenceValue::boolean(false), 4, "23F79"}));
  EXPECT_EQ(log.intent("a"), all.back());
  EXPECT_EQ(log.intent("A"), std::nullopt);
}

TEST(IntentLog, HandEditedDuplicatesAndExtraKeys) {
  // Indented, with an unknown key, two entries for "a" and an "at" written as an integer.
  testing_::writeFile(logPath(), R"([
    {"settingID": "a", "value": {"int": 1}, "at": 5, "osBuild": "X", "note": "hand made"},
    {"settingID": "b", "value": null, "at": 6.5, "osBuild": ""},
    {"settingID": "a", "value": {"int": 2}, "at": 7, "osBuild": "X"}
  ])");
  IntentLog log(logPath(), "23F79", ticking({9}));

  EXPECT_EQ(log.intent("a"), (RecordedIntent{"a", PreferenceValue::integer(1), 5, "X"}));
  EXPECT_EQ(log.intent("b"), (RecordedIntent{"b", std::nullopt, 6.5, ""}));

  log.forget("nobody");  // rewrites compactly, entries unchanged
  EXPECT_EQ(testing_::readFile(logPath()),
            R"([{"at":5,"osBuild":"X","settingID":"a","value":{"int":1}},{"at":6.5,"osBuild":"","settingID":"b"},)"
            R"({"at":7,"osBuild":"X","settingID":"a","value":{"int":2}}])");

  log.record("a", PreferenceValue::integer(3));
  EXPECT_EQ(ids(log.all()), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(log.intent("a")->value, PreferenceValue::integer(3));
  EXPECT_TRUE(log.quarantinedFiles().empty());
}

TEST(IntentLog, AMissingFileReadsAsEmptyAndForgetWritesWhatRemains) {
  IntentLog log(logPath(), "23F79", ticking({1, 2}));
  EXPECT_TRUE(log.all().empty());
  EXPECT_EQ(log.intent("a"), std::nullopt);
  EXPECT_FALSE(testing_::fileExists(logPath()));
  EXPECT_TRUE(log.quarantinedFiles().empty());

  log.forget("a");
  EXPECT_EQ(testing_::readFile(logPath()), "[]");

  log.record("a", PreferenceValue::integer(1));
  log.record("b", PreferenceValue::integer(2));
  log.forget("a");
  EXPECT_EQ(ids(log.all()), (std::vector<std::string>{"b"}));
  EXPECT_EQ(log.intent("a"), std::nullopt);
}

TEST(IntentLog, NewestFirstSortsByTimeAndKeepsFileOrderForEqualTimes) {
  testing_::writeFile(logPath(), R"([{"settingID":"early","at":5,"osBuild":""},)"
                                 R"({"settingID":"latest","at":9,"osBuild":""},)"
                                 R"({"settingID":"tieFirst","at":7,"osBuild":""},)"
                                 R"({"settingID":"beforeReference","at":-3.5,"osBuild":""},)"
                                 R"({"settingID":"tieSecond","at":7,"osBuild":""}])");
  const IntentLog log(logPath(), "23F79");
  EXPECT_EQ(ids(log.newestFirst()),
            (std::vector<std::string>{"latest", "tieFirst", "tieSecond", "early", "beforeReference"}));
}

TEST(IntentLog, AnUnreadableFileIsQuarantinedUnderItsUtcStampByAnyReadingOperation) {
  struct Case {
    const char* name;
    const char* contents;
  };
  const Case files[] = {
      {"truncated", R"([{"settingID":"a","at":1,"osBu)"},
      {"not JSON", "hello"},
      {"an object, not a list", R"({"settingID":"a","at":1,"osBuild":""})"},
      {"missing settingID", R"([{"at":1,"osBuild":""}])"},
      {"missing at", R"([{"settingID":"a","osBuild":""}])"},
      {"missing osBuild", R"([{"settingID":"a","at":1}])"},
      {"at as a string", R"([{"settingID":"a","at":"1","osBuild":""}])"},
      {"value with two kinds", R"([{"settingID":"a","value":{"int":1,"bool":true},"at":1,"osBuild":""}])"},
      {"value of an unknown kind", R"([{"settingID":"a","value":{"number":1},"at":1,"osBuild":""}])"},
      {"empty file", ""},
  };
  const std::vector<std::pair<const char*, std::function<bool(const IntentLog&)>>> operations = {
      {"all", [](const IntentLog& log) { return log.all().empty(); }},
      {"newestFirst", [](const IntentLog& log) { return log.newestFirst().empty(); }},
      {"intent", [](const IntentLog& log) { return !log.intent("a"); }},
      {"forget", [](const IntentLog& log) { return log.forget("a"), true; }},
  };
  // The stamp is truncated to the second, not rounded.
  const IntentLog log(logPath(), "23F79", [] { return at("2024-03-05T14:07:09.750Z"); });
  const std::string quarantined = logFolder() + "/intents.corrupt-2024-03-05-140709.json";

  for (const auto& file : files) {
    for (const auto& [operation, readsEmpty] : operations) {
      SCOPED_TRACE(std::string(file.name) + " via " + operation);
      std::filesystem::remove_all(logFolder());
      testing_::writeFile(logPath(), file.contents);

      EXPECT_TRUE(readsEmpty(log));
      EXPECT_EQ(log.quarantinedFiles(), std::vector<std::string>{"intents.corrupt-2024-03-05-140709.json"});
      EXPECT_EQ(testing_::readFile(quarantined), file.contents);
      // forget writes its (empty) list in place of the bad file; the others leave no file behind.
      if (std::string(operation) == "forget")
        EXPECT_EQ(testing_::readFile(logPath()), "[]");
      else
        EXPECT_FALSE(testing_::fileExists(logPath()));
    }
  }
}

TEST(IntentLog, RecordQuarantinesABadFileThenStoresJustTheNewEntry) {
  testing_::writeFile(logPath(), "{broken");
  const IntentLog log(logPath(), "23F79", [] { return at("2023-12-31T23:59:59Z"); });
  log.record("a", PreferenceValue::boolean(true));

  EXPECT_EQ(log.quarantinedFiles(), std::vector<std::string>{"intents.corrupt-2023-12-31-235959.json"});
  EXPECT_EQ(testing_::readFile(logFolder() + "/intents.corrupt-2023-12-31-235959.json"), "{broken");
  EXPECT_EQ(log.all(), (std::vector<RecordedIntent>{{"a", PreferenceValue::boolean(true), at("2023-12-31T23:59:59Z"), "23F79"}}));
}

TEST(IntentLog, BadFilesOfTheSameSecondTakeNumberedNamesThatSortBeforeThePlainOne) {
  const IntentLog log(logPath(), "23F79", [] { return at("2024-03-05T14:07:09.001Z"); });
  for (const char* contents : {"first", "second", "third"}) {
    testing_::writeFile(logPath(), contents);
    EXPECT_TRUE(log.all().empty());
  }
  // A file that merely looks similar is not a quarantined copy.
  testing_::writeFile(logFolder() + "/intents.corrupt-notes.txt", "");
  testing_::writeFile(logFolder() + "/other.json", "");

  EXPECT_EQ(log.quarantinedFiles(), (std::vector<std::string>{"intents.corrupt-2024-03-05-140709-2.json",
                                                              "intents.corrupt-2024-03-05-140709-3.json",
                                                              "intents.corrupt-2024-03-05-140709.json"}));
  EXPECT_EQ(testing_::readFile(logFolder() + "/intents.corrupt-2024-03-05-140709.json"), "first");
  EXPECT_EQ(testing_::readFile(logFolder() + "/intents.corrupt-2024-03-05-140709-2.json"), "second");
  EXPECT_EQ(testing_::readFile(logFolder() + "/intents.corrupt-2024-03-05-140709-3.json"), "third");
}

TEST(IntentLog, StandardLogLivesInApplicationSupportAndCreatesItsFolder) {
  const IntentLog log = IntentLog::standard("23F79");
  EXPECT_EQ(log.path(), logPath());
  EXPECT_TRUE(std::filesystem::is_directory(logFolder()));
  log.record("a", std::nullopt);
  EXPECT_EQ(ids(IntentLog(logPath(), "").all()), std::vector<std::string>{"a"});
}

TEST(IntentLog, HostileFilesAreQuarantinedOrPassedOverWithoutExhaustingTheProcess) {
  const IntentLog log(logPath(), "23F79", [] { return at("2024-03-05T14:07:09Z"); });
  // A value nested ten thousand deep: refused as a whole, at a cost linear in its size.
  std::string deep = R"([{"settingID":"a","at":1,"osBuild":"b","value":)";
  for (int i = 0; i < 10000; ++i) deep += R"({"array":[)";
  for (int i = 0; i < 10000; ++i) deep += "]}";
  testing_::writeFile(logPath(), deep + "}]");
  EXPECT_TRUE(log.all().empty());
  EXPECT_EQ(log.quarantinedFiles(), std::vector<std::string>{"intents.corrupt-2024-03-05-140709.json"});

  // A FIFO in the file's place is not read, so nothing waits for a writer that never comes.
  ASSERT_EQ(::mkfifo(logPath().c_str(), 0600), 0);
  EXPECT_TRUE(log.all().empty());
  log.record("b", PreferenceValue::integer(1));
  EXPECT_EQ(ids(log.all()), std::vector<std::string>{"b"});
}

TEST(IntentLog, TwoProcessesRecordingAtOnceLoseNothing) {
  // The application and the login-time run, each rewriting a short history whole or adding lines
  // to the journal of a long one.
  for (const int earlier : {0, 1200}) {
    SCOPED_TRACE(std::to_string(earlier) + " records before");
    std::filesystem::remove_all(logFolder());
    if (earlier > 0) writeLongHistory(earlier);
    constexpr int kRecords = 40;
    std::vector<pid_t> children;
    for (const char* who : {"a.", "b."}) {
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        const IntentLog mine(logPath(), "23F79");
        for (int i = 0; i < kRecords; ++i) mine.record(who + std::to_string(i), PreferenceValue::integer(i));
        // Putting records back is the same kind of change.
        mine.putBack({{std::string(who) + "0", std::nullopt}});
        ::_exit(0);
      }
      children.push_back(pid);
    }
    for (const pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto kept = IntentLog(logPath(), "23F79").all();
    EXPECT_EQ(kept.size(), static_cast<std::size_t>(earlier) + 2u * (kRecords - 1));
    EXPECT_TRUE(IntentLog(logPath(), "23F79").quarantinedFiles().empty());
  }
}

TEST(IntentLog, AValueWithNoJsonFormLeavesOutOnlyItsOwnRecord) {
  IntentLog log(logPath(), "23F79", ticking({1}));
  log.record("kept", PreferenceValue::integer(1));
  const auto notFinite = std::numeric_limits<double>::infinity();
  log.record({{"inf", PreferenceValue::real(notFinite)},
              {"ok", PreferenceValue::integer(2)},
              {"deep", PreferenceValue::dictionary({{"x", PreferenceValue::real(-notFinite)}})}});
  EXPECT_EQ(ids(log.all()), (std::vector<std::string>{"kept", "ok"}));
  EXPECT_EQ(ids(IntentLog(logPath(), "").all()), (std::vector<std::string>{"kept", "ok"}));
}

TEST(IntentLog, AHistoryThatCannotBeReadIsSetAsideNeverReplaced) {
  const IntentLog log(logPath(), "23F79", [] { return at("2024-03-05T14:07:09Z"); });
  const std::string aside = logFolder() + "/intents.corrupt-2024-03-05-140709.json";
  struct Case {
    const char* name;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"a link to nothing", [] { std::filesystem::create_symlink(logFolder() + "/gone.json", logPath()); }},
      {"a file its owner may not read",
       [] {
         testing_::writeFile(logPath(), R"([{"at":1,"osBuild":"","settingID":"secret"}])");
         ::chmod(logPath().c_str(), 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(logFolder());
    std::filesystem::create_directories(logFolder());
    c.make();
    if (::geteuid() == 0 && std::string(c.name) == "a file its owner may not read") continue;  // root reads it all the same
    log.record("a", PreferenceValue::integer(1));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(aside))) << "set aside, not replaced";
    EXPECT_EQ(ids(log.all()), std::vector<std::string>{"a"});
  }
}

TEST(IntentLog, AHistoryKeptReadIsReadAgainOnceAnotherWriterChangedIt) {
  const IntentLog log(logPath(), "23F79", ticking({1}));
  log.record("a", PreferenceValue::integer(1));
  EXPECT_EQ(log.intent("a")->value, PreferenceValue::integer(1));
  // The same length, replaced as every writer replaces it: only the file's identity tells it apart.
  amberloom::platform::writeFileAtomically(logPath(), R"([{"at":1,"osBuild":"23F79","settingID":"a","value":{"int":2}}])");
  EXPECT_EQ(log.intent("a")->value, PreferenceValue::integer(2));
  IntentLog(logPath(), "23F79").record("b", std::nullopt);
  EXPECT_EQ(ids(log.all()), (std::vector<std::string>{"a", "b"}));
}

TEST(IntentLog, EveryChangeThatCannotBeStoredThrowsNamingTheHistoryAndLeavesItAsItWas) {
  struct Change {
    const char* name;
    std::function<void(const IntentLog&)> make;
  };
  const Change changes[] = {
      {"one record", [](const IntentLog& log) { log.record("b", PreferenceValue::integer(2)); }},
      {"records at once", [](const IntentLog& log) { log.record({{"b", PreferenceValue::integer(2)}, {"c", std::nullopt}}); }},
      {"forgetting", [](const IntentLog& log) { log.forget("a"); }},
      {"putting back", [](const IntentLog& log) { log.putBack({{"a", std::nullopt}}); }},
  };
  for (const bool diskFull : {false, true}) {
    for (const auto& change : changes) {
      SCOPED_TRACE(std::string(change.name) + (diskFull ? " on a full disk" : " where the folder is a file"));
      std::filesystem::remove_all(testing_::home() + "/blocked");
      std::optional<testing_::SmallDisk> disk;
      std::string path = testing_::home() + "/blocked/intents.json";
      std::string before;
      if (diskFull) {
        disk.emplace(testing_::home() + "/small", 1 << 20);
        if (!disk->mounted()) {
          GTEST_SKIP() << "no small disk can be mounted here";
        }
        path = testing_::home() + "/small/intents.json";
        IntentLog(path, "23F79").record("a", PreferenceValue::integer(1));
        before = testing_::readFile(path);
        disk->fill();
      } else {
        testing_::writeFile(testing_::home() + "/blocked", "a file where the history's folder should be");
      }
      const IntentLog log(path, "23F79");
      try {
        change.make(log);
        ADD_FAILURE() << "the change claimed to be stored";
      } catch (const amberloom::HistoryWriteError& error) {
        EXPECT_EQ(error.path(), path);
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
      }
      if (diskFull) {
        EXPECT_EQ(testing_::readFile(path), before);
      }
    }
  }
}


TEST(IntentLog, ALongHistoryTakesEachChangeAsAJournalLineUntilTheJournalIsAsLongAsTheFile) {
  constexpr std::size_t kLong = 10000;
  writeLongHistory(kLong);  // as an earlier build left it
  const std::string file = testing_::readFile(logPath());
  const IntentLog log(logPath(), "23F79", ticking({5}));
  EXPECT_EQ(log.all().size(), kLong);
  EXPECT_EQ(log.intent("old.9999")->value, PreferenceValue::integer(9999));

  log.record({{"old.7", PreferenceValue::integer(-7)}, {"new", std::nullopt}});
  log.forget("old.8");
  EXPECT_EQ(testing_::readFile(logPath()), file) << "the file itself is not rewritten";
  const std::uintmax_t journal = sizeOf(log.journalPath());
  EXPECT_GT(journal, 0u);
  EXPECT_LT(journal, 300u) << "a change costs about its own length";

  // Any reader, this process's or another's, sees the journal over the file.
  for (const IntentLog& reader : {log, IntentLog(logPath(), "")}) {
    const auto all = reader.all();
    ASSERT_EQ(all.size(), kLong);
    EXPECT_EQ(ids({all.end() - 2, all.end()}), (std::vector<std::string>{"old.7", "new"}));
    EXPECT_EQ(reader.intent("old.7")->value, PreferenceValue::integer(-7));
    EXPECT_EQ(reader.intent("old.8"), std::nullopt);
    EXPECT_EQ(reader.newestFirst().front().settingID, "old.7");
  }

  // Once the journal would be as long as the file, the file takes it all and the journal goes.
  std::vector<std::pair<std::string, std::optional<PreferenceValue>>> every;
  for (std::size_t i = 0; i < kLong; ++i) every.emplace_back("old." + std::to_string(i), PreferenceValue::boolean(true));
  log.record(every);
  EXPECT_FALSE(std::filesystem::exists(log.journalPath()));
  const IntentLog fresh(logPath(), "");
  const auto all = fresh.all();
  ASSERT_EQ(all.size(), kLong + 1);  // "new" is a reset, recorded as such
  EXPECT_EQ(all.front().settingID, "new");
  EXPECT_EQ(all.back().settingID, "old.9999");
  EXPECT_EQ(fresh.intent("old.8")->value, PreferenceValue::boolean(true));
}

TEST(IntentLog, AJournalLineCutShortOrUnreadableIsPassedOverAndTheNextChangeCutsAwayOnlyTheCut) {
  writeLongHistory(1200);
  const IntentLog log(logPath(), "23F79", ticking({5}));
  log.record("a", PreferenceValue::integer(1));
  const std::string whole = testing_::readFile(log.journalPath());
  // A line of another program, then one a crash cut short.
  testing_::writeFile(log.journalPath(), whole + "not a line of ours\n" + R"([{"settingID":"b","record":{"at":)");
  for (const IntentLog& reader : {log, IntentLog(logPath(), "")}) {
    EXPECT_EQ(reader.all().size(), 1201u);
    EXPECT_EQ(reader.intent("a")->value, PreferenceValue::integer(1));
    EXPECT_EQ(reader.intent("b"), std::nullopt);
  }
  EXPECT_TRUE(log.quarantinedFiles().empty()) << "the history itself reads";

  log.record("c", PreferenceValue::integer(3));
  const std::string journal = testing_::readFile(log.journalPath());
  EXPECT_TRUE(journal.starts_with(whole + "not a line of ours\n[{")) << journal;
  EXPECT_EQ(journal.find("\"b\""), std::string::npos);
  EXPECT_EQ(IntentLog(logPath(), "").intent("c")->value, PreferenceValue::integer(3));
}

TEST(IntentLog, KilledAtAnyStepOfAChangeToALongHistoryItHoldsTheChangeWholeOrNotAtAll) {
  // Each road of a change: a line of the journal, and the rewrite that takes the journal in.
  const std::vector<std::pair<const char*, int>> roads = {{"a line", 10}, {"the rewrite", 2000}};
  for (const auto& [road, count] : roads) {
    for (int step = 1;; ++step) {
      SCOPED_TRACE(std::string(road) + ", killed at step " + std::to_string(step));
      std::filesystem::remove_all(logFolder());
      writeLongHistory(1200);
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        ::setenv("AMBERLOOM_KILL_AT_STEP", std::to_string(step).c_str(), 1);
        const IntentLog mine(logPath(), "23F79");
        mine.record("old.0", PreferenceValue::integer(-1));  // a short first line
        std::vector<std::pair<std::string, std::optional<PreferenceValue>>> changes;
        for (int i = 0; i < count; ++i) changes.emplace_back("new." + std::to_string(i), PreferenceValue::integer(i));
        mine.record(changes);
        ::_exit(0);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      const IntentLog after(logPath(), "");
      const auto all = after.all();
      EXPECT_TRUE(after.quarantinedFiles().empty());
      const std::size_t added = all.size() - 1200;
      EXPECT_TRUE(added == 0 || added == static_cast<std::size_t>(count)) << added;
      if (added > 0) {
        EXPECT_EQ(after.intent("old.0")->value, PreferenceValue::integer(-1));
      }
      if (WIFEXITED(status)) {
        EXPECT_EQ(added, static_cast<std::size_t>(count));
        break;
      }
    }
  }
}
