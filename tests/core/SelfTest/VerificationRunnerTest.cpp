#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Platform/MachineIdentity.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "TestHome.hpp"
#include "SelfTest/VerificationRunner.hpp"

using namespace amberloom;
namespace fs = std::filesystem;
namespace test = amberloom::testing;

namespace {

const auto yes = PreferenceValue::boolean(true);
const auto no = PreferenceValue::boolean(false);

SettingDefinition setting(std::string id, std::string domain, std::vector<std::string> path,
                          std::vector<std::string> restarts = {}, SettingValueType type = SettingValueType::boolean,
                          bool byHost = false) {
  SettingDefinition definition;
  definition.id = std::move(id);
  definition.ref = SettingRef{std::move(domain), std::move(path), byHost};
  definition.type = type;
  definition.restartsApps = std::move(restarts);
  return definition;
}

VerificationValues valuesOf(const std::vector<VerificationValue>& list) {
  VerificationValues::Table table;
  for (const auto& value : list) table.insert_or_assign(value.id, value);
  return VerificationValues(table);
}

std::shared_ptr<CFPreferenceStore> liveStore() { return std::make_shared<CFPreferenceStore>(); }

VerificationRunner runnerFor(std::vector<SettingDefinition> settings, const VerificationValues& values,
                             PreferenceStoreRef store = liveStore()) {
  return VerificationRunner(SettingsCatalog(1, 1, std::move(settings)), values, DomainResolver::live(),
                            std::move(store), std::make_shared<ExternalVerifier>(test::defaultsPath()),
                            PreferenceFileLocator::live(), test::home());
}

ResolvedDomain domainOf(const std::string& domain, bool byHost = false) {
  return DomainResolver::live().resolve(domain, byHost);
}

// "id: verdict" lines, readable in a failure message.
std::string verdict(const VerificationResult& result) {
  std::string text = VerificationResult::kindName(result.kind());
  auto value = [](const std::optional<PreferenceValue>& v) { return v ? writeJson(v->toJson()) : std::string("none"); };
  switch (result.kind()) {
    case VerificationResult::Kind::mismatch:
      text += " expected " + value(result.expected()) + " actual " + value(result.actual());
      break;
    case VerificationResult::Kind::writeFailed: text += " " + result.errorText(); break;
    case VerificationResult::Kind::inconclusive: text += " " + value(result.value()); break;
    default: break;
  }
  return text;
}
std::vector<std::string> verdicts(const std::vector<VerificationOutcome>& outcomes) {
  std::vector<std::string> lines;
  for (const auto& outcome : outcomes) lines.push_back(outcome.settingID + ": " + verdict(outcome.result));
  return lines;
}

// Every preference file under the home, parsed. A domain without a file reads as an empty
// dictionary, so a file that a run created and emptied again compares equal to no file.
std::map<std::string, platform::PlistObject> preferenceFiles() {
  std::map<std::string, platform::PlistObject> files;
  const fs::path library = test::home() + "/Library";
  if (!fs::exists(library)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(library)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".plist") continue;
    const auto parsed = platform::parsePropertyList(test::readFile(entry.path().string()));
    files[entry.path().string()] = parsed ? *parsed : platform::PlistObject("unparsable");
  }
  return files;
}
void expectSameContent(const std::map<std::string, platform::PlistObject>& before,
                       const std::map<std::string, platform::PlistObject>& after) {
  const platform::PlistObject empty = platform::PlistDictionary{};
  for (const auto& [path, content] : after) {
    const auto found = before.find(path);
    EXPECT_TRUE(content == (found == before.end() ? empty : found->second)) << path << " changed";
  }
  for (const auto& [path, content] : before) EXPECT_TRUE(after.contains(path)) << path << " disappeared";
}

std::string preferencesFolder() { return test::home() + "/Library/Preferences/"; }

}  // namespace

// ---- the whole run on a temporary home, through the real store and the defaults command ----

TEST(VerificationRunner, ApplyRecheckAndRestoreLeaveEveryPreferenceFileAsItWas) {
  auto store = liveStore();
  // What the user had before: some keys set, some files without the tested keys, some domains
  // without any file.
  store->write(no, "ShowPathbar", domainOf("com.apple.finder"));
  store->write(PreferenceValue::dictionary({{"General", no}, {"Privileges", yes}}), "FXInfoPanesExpanded",
               domainOf("com.apple.finder"));
  store->write(PreferenceValue::string("en_GB"), "AppleLocale", domainOf("NSGlobalDomain"));
  store->write(PreferenceValue::integer(1), "Other", domainOf("com.apple.controlcenter", true));
  const auto before = preferenceFiles();
  std::map<std::string, std::string> beforeBytes;
  for (const auto& [path, content] : before) beforeBytes[path] = test::readFile(path);
  const std::string byHostFile =
      preferencesFolder() + "ByHost/com.apple.controlcenter." + platform::hostUUID() + ".plist";
  ASSERT_TRUE(before.contains(byHostFile));

  const auto runner = runnerFor(
      {setting("finder.pathbar", "com.apple.finder", {"ShowPathbar"}, {"Finder"}),
       setting("finder.blocked", "com.apple.finder", {"ShowPathbar", "inner"}, {"Blocked"}),
       setting("finder.infoGeneral", "com.apple.finder", {"FXInfoPanesExpanded", "General"}, {"Finder"}),
       setting("global.extensions", "NSGlobalDomain", {"AppleShowAllExtensions"}, {"Finder", "Dock"}),
       setting("dock.size", "com.apple.dock", {"tilesize"}, {"Dock"}, SettingValueType::real),
       setting("battery.percent", "com.apple.controlcenter", {"BatteryShowPercentage"}, {"ControlCenter"},
               SettingValueType::boolean, true),
       setting("shot.location", "com.apple.screencapture", {"location"}, {"SystemUIServer"}, SettingValueType::string),
       setting("finder.toolbar", "com.apple.finder", {"NSToolbar Configuration Browser"}, {"Finder"},
               SettingValueType::dictionary)},
      valuesOf({{"finder.pathbar", yes, false},
                {"finder.blocked", yes, false},
                {"finder.infoGeneral", yes, false},
                {"global.extensions", yes, false},
                {"dock.size", PreferenceValue::real(50.5), false},
                {"battery.percent", yes, false},
                {"shot.location", PreferenceValue::string("~/Pictures"), true}}));

  // The report survives being stored as JSON in between, as a later process would read it.
  const auto report = ApplyReport::fromJson(parseJson(writeJson(runner.apply().toJson(), JsonStyle::pretty)));
  EXPECT_EQ(
      verdicts(report.outcomes),
      (std::vector<std::string>{"finder.pathbar: pass",
                                R"(finder.blocked: writeFailed pathBlockedByNonDictionary(path: ["ShowPathbar"]))",
                                "finder.infoGeneral: pass", "global.extensions: pass", "dock.size: pass",
                                "battery.percent: pass", "shot.location: pass", "finder.toolbar: measuredElsewhere"}));
  std::vector<std::string> paths;
  for (const auto& outcome : report.outcomes) paths.push_back(outcome.storagePath);
  const auto finder = preferencesFolder() + "com.apple.finder.plist";
  EXPECT_EQ(paths, (std::vector<std::string>{finder, finder, finder, preferencesFolder() + ".GlobalPreferences.plist",
                                             preferencesFolder() + "com.apple.dock.plist", byHostFile,
                                             preferencesFolder() + "com.apple.screencapture.plist", finder}));
  // Only settings that were written (not the blocked one) name their apps, each once, in order of first appearance.
  EXPECT_EQ(report.restartTargets, (std::vector<std::string>{"Finder", "Dock", "ControlCenter", "SystemUIServer"}));

  // Another process sees the test values, the tilde expanded, and the nested sibling kept.
  EXPECT_EQ(test::runDefaults({"read", "com.apple.screencapture", "location"}).standardOutput,
            test::home() + "/Pictures\n");
  EXPECT_EQ(test::runDefaults({"read", "com.apple.dock", "tilesize"}).standardOutput, "50.5\n");
  EXPECT_EQ(store->read("FXInfoPanesExpanded", domainOf("com.apple.finder")),
            PreferenceValue::dictionary({{"General", yes}, {"Privileges", yes}}));

  // A recheck reads again without writing, so the blocked setting now simply is not there.
  auto rechecked = verdicts(report.outcomes);
  rechecked[1] = "finder.blocked: mismatch expected {\"bool\":true} actual none";
  EXPECT_EQ(verdicts(runner.recheck(report)), rechecked);

  // One outcome per root key, under the setting whose reference is exactly that root, else the key.
  EXPECT_EQ(verdicts(runner.restore(report.snapshot)),
            (std::vector<std::string>{"finder.pathbar: pass", "FXInfoPanesExpanded: pass", "global.extensions: pass",
                                      "dock.size: pass", "battery.percent: pass", "shot.location: pass",
                                      "finder.toolbar: pass"}));
  expectSameContent(before, preferenceFiles());
  // Files the user had are written back with exactly the bytes they held.
  for (const auto& [path, bytes] : beforeBytes) EXPECT_EQ(test::readFile(path), bytes) << path;
}

// ---- selection and the verdicts that write nothing ----

TEST(VerificationRunner, SelectionFollowsTheListAndDropsUnknownAndNightShiftSettings) {
  auto nightShift = setting("display.nightShift", "com.apple.CoreBrightness", {"enabled"});
  nightShift.channel = SettingChannel::nightShift;
  const auto runner =
      runnerFor({setting("a.flag", "com.example.a", {"Flag"}, {"AppA"}),
                 setting("a.count", "com.example.a", {"Count"}, {"AppA"}, SettingValueType::integer),
                 setting("a.list", "com.example.a", {"List"}, {"AppA"}, SettingValueType::array), nightShift},
                valuesOf({{"a.flag", yes, false}, {"display.nightShift", yes, false}}));

  const auto nothing = runner.apply(std::vector<std::string>{});
  EXPECT_TRUE(nothing.outcomes.empty());
  EXPECT_TRUE(nothing.restartTargets.empty());
  EXPECT_TRUE(nothing.snapshot.entries.empty());
  EXPECT_FALSE(test::fileExists(preferencesFolder() + "com.apple.CoreBrightness.plist"));

  // Settings without a test value name no app; a repeated id is tested again and finds its own
  // earlier write already visible.
  const auto report =
      runner.apply(std::vector<std::string>{"a.list", "nobody", "a.count", "display.nightShift", "a.flag", "a.flag"});
  EXPECT_EQ(verdicts(report.outcomes),
            (std::vector<std::string>{"a.list: measuredElsewhere", "a.count: missingTestValue", "a.flag: pass",
                                      R"(a.flag: inconclusive {"bool":true})"}));
  EXPECT_EQ(report.restartTargets, std::vector<std::string>{"AppA"});
  EXPECT_EQ(report.snapshot.entries.size(), 3u);  // List, Count and Flag: a root key is captured once
  EXPECT_EQ(verdicts(runner.recheck(report)),
            (std::vector<std::string>{"a.list: measuredElsewhere", "a.count: missingTestValue", "a.flag: pass",
                                      "a.flag: pass"}));
  EXPECT_FALSE(test::fileExists(preferencesFolder() + "com.apple.CoreBrightness.plist"));
}

// ---- failures that become verdicts ----

TEST(VerificationRunner, AWriteOthersCannotSeeIsAMismatchAndRestoreReportsWhatTheySee) {
  // The store writes into a different home than the one the defaults command reads, so none of
  // the writes reaches the place other processes look at.
  const std::string elsewhere = test::home() + "/elsewhere";
  fs::create_directories(elsewhere);
  auto hidden = std::make_shared<CFPreferenceStore>(platform::PreferenceFiles(elsewhere, platform::hostUUID()));
  test::runDefaults({"write", "com.example.c", "Leftover", "-int", "3"});

  const auto runner = runnerFor({setting("c.flag", "com.example.c", {"Flag"}, {"AppC", "AppD"})},
                                valuesOf({{"c.flag", yes, false}}), hidden);
  const auto report = runner.apply();
  EXPECT_EQ(verdicts(report.outcomes),
            std::vector<std::string>{"c.flag: mismatch expected {\"bool\":true} actual none"});
  EXPECT_EQ(report.restartTargets, (std::vector<std::string>{"AppC", "AppD"}));

  // An entry captured as absent passes when the key is absent outside, and is a mismatch with no
  // expected value while another process still sees the key.
  const Snapshot snapshot{
      {SnapshotEntry{SettingRef{"com.example.c", {"Flag"}, false}, std::nullopt},
       SnapshotEntry{SettingRef{"com.example.c", {"Leftover"}, false}, std::nullopt},
       SnapshotEntry{SettingRef{"com.example.c", {"Leftover"}, false}, PreferenceValue::integer(3)}}};
  EXPECT_EQ(verdicts(runner.restore(snapshot)),
            (std::vector<std::string>{"c.flag: pass", "Leftover: mismatch expected none actual {\"int\":3}",
                                      "Leftover: pass"}));
}

TEST(VerificationRunner, ARootHoldingAValueNoSnapshotCanKeepIsNeverOverwritten) {
  // A key whose value the system cannot represent (here a UID) could not be put back by restore,
  // so the runner refuses to replace it, even with a plain one-key write.
  // {"Archive": UID 7} as a binary property list.
  const std::string file = preferencesFolder() + "com.example.d.plist";
  test::writeFile(file, std::string("bplist00\xd1\x01\x02\x57"
                                    "Archive\x80\x07\x08\x0b\x13\x00\x00\x00\x00\x00\x00\x01"
                                    "\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                    "\x00\x00\x00\x00\x00\x00\x15",
                                    56));
  const auto bytes = test::readFile(file);

  const auto runner =
      runnerFor({setting("d.archive", "com.example.d", {"Archive"}, {"AppD"}),
                 setting("d.nested", "com.example.d", {"Archive", "inner"}, {"AppD"}),
                 setting("d.other", "com.example.d", {"Other"}, {"AppD"})},
                valuesOf({{"d.archive", yes, false}, {"d.nested", yes, false}, {"d.other", yes, false}}));
  const auto report = runner.apply();
  EXPECT_EQ(
      verdicts(report.outcomes),
      (std::vector<std::string>{R"(d.archive: writeFailed rootNotRepresentable(path: ["Archive"]))",
                                R"(d.nested: writeFailed rootNotRepresentable(path: ["Archive"]))", "d.other: pass"}));
  const auto during = platform::parsePropertyList(test::readFile(file));
  ASSERT_TRUE(during && during->is<platform::PlistDictionary>());
  EXPECT_TRUE(during->as<platform::PlistDictionary>().at("Archive") ==
              platform::PlistObject(platform::PlistOther{"uid", 7}));

  EXPECT_EQ(
      verdicts(runner.restore(report.snapshot)),
      (std::vector<std::string>{
          R"(d.archive: writeFailed valueUnknown(AmberloomCore.SettingRef(domain: "com.example.d", path: ["Archive"], byHost: false)))",
          "d.other: pass"}));
  EXPECT_EQ(test::readFile(file), bytes);
}

// ---- JSON forms ----

TEST(VerificationRunner, ReportJsonNamesEveryCaseWithItsPayload) {
  const ApplyReport report{
      Snapshot{{SnapshotEntry{SettingRef{"com.example.e", {"K"}, false}, PreferenceValue::integer(1)}}},
      {{"e.pass", "/h/p.plist", VerificationResult::pass()},
       {"e.mismatch", "/h/p.plist", VerificationResult::mismatch(yes, std::nullopt)},
       {"e.failed", "/h/p.plist", VerificationResult::writeFailed("emptyPath")},
       {"e.missing", "/h/p.plist", VerificationResult::missingTestValue()},
       {"e.elsewhere", "/h/p.plist", VerificationResult::measuredElsewhere()},
       {"e.inconclusive", "/h/p.plist", VerificationResult::inconclusive(PreferenceValue::string("x"))}},
      {"Finder"}};
  EXPECT_EQ(
      writeJson(report.toJson()),
      R"({"outcomes":[)"
      R"({"result":{"pass":{}},"settingID":"e.pass","storagePath":"\/h\/p.plist"},)"
      R"({"result":{"mismatch":{"expected":{"bool":true}}},"settingID":"e.mismatch","storagePath":"\/h\/p.plist"},)"
      R"({"result":{"writeFailed":{"_0":"emptyPath"}},"settingID":"e.failed","storagePath":"\/h\/p.plist"},)"
      R"({"result":{"missingTestValue":{}},"settingID":"e.missing","storagePath":"\/h\/p.plist"},)"
      R"({"result":{"measuredElsewhere":{}},"settingID":"e.elsewhere","storagePath":"\/h\/p.plist"},)"
      R"({"result":{"inconclusive":{"value":{"string":"x"}}},"settingID":"e.inconclusive","storagePath":"\/h\/p.plist"}],)"
      R"("restartTargets":["Finder"],)"
      R"("snapshot":{"entries":[{"ref":{"byHost":false,"domain":"com.example.e","path":["K"]},"rootValue":{"int":1}}]}})");
  EXPECT_EQ(ApplyReport::fromJson(report.toJson()), report);
}

TEST(VerificationRunner, ReadingAResultNeedsExactlyOneCaseKey) {
  struct Case {
    const char* json;
    std::string outcome;  // the verdict read, or the decoding failure
  };
  const std::vector<Case> cases{
      {R"({"pass": {}})", "pass"},
      {R"({"pass": {}, "note": 1})", "pass"},
      {R"({"mismatch": {"actual": {"int": 2}}})", R"(mismatch expected none actual {"int":2})"},
      {R"({"pass": {}, "missingTestValue": {}})", "typeMismatch Invalid number of keys found, expected one."},
      {R"({"note": {}})", "typeMismatch Invalid number of keys found, expected one."},
      {R"({"inconclusive": {}})", "keyNotFound No value associated with key \"value\"."},
      {R"({"writeFailed": {"0": "x"}})", "keyNotFound No value associated with key \"_0\"."},
  };
  static const char* kinds[] = {"typeMismatch", "valueNotFound", "keyNotFound", "dataCorrupted"};
  for (const auto& c : cases) {
    std::string outcome;
    try {
      outcome = verdict(VerificationResult::fromJson(parseJson(c.json)));
    } catch (const DecodingError& error) {
      outcome = std::string(kinds[static_cast<int>(error.kind())]) + " " + error.debugDescription();
    }
    EXPECT_EQ(outcome, c.outcome) << c.json;
  }
}
