// Batches through the real store, read back by the `defaults` command: per-setting outcomes,
// restart targets, the change history and undo back to the exact earlier state.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "Changes/PreferenceApplier.hpp"
#include "Changes/WriteReport.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

SettingDefinition makeSetting(std::string id, std::string domain, std::vector<std::string> path, SettingValueType type,
                              std::vector<std::string> restarts = {}, SettingChannel channel = SettingChannel::defaults) {
  SettingDefinition setting;
  setting.id = std::move(id);
  setting.ref = SettingRef{std::move(domain), std::move(path), false};
  setting.type = type;
  setting.label = setting.id;
  setting.restartsApps = std::move(restarts);
  setting.channel = channel;
  return setting;
}

// The live store, except that writes to one domain silently go nowhere: a write the system
// accepted but no other process can see.
class LosingStore : public CFPreferenceStore {
 public:
  void write(const std::optional<PreferenceValue>& value, const std::string& key, const ResolvedDomain& domain) override {
    if (domain.applicationID != "com.example.lost") CFPreferenceStore::write(value, key, domain);
  }
};

class PreferenceApplierTest : public ::testing::Test {
 protected:
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<LosingStore>();
  DomainResolver resolver = DomainResolver::live();
  IntentLog intents{th::home() + "/Library/Application Support/AmberLoom/intents.json", "23F79"};
  PreferenceApplier applier{SettingsService(resolver, store), resolver, SnapshotService(store, resolver), intents};
  ExternalVerifier outside{th::defaultsPath()};

  ResolvedDomain domain(const std::string& name) const { return resolver.resolve(name, false); }
};

}  // namespace

TEST_F(PreferenceApplierTest, MixedBatchReportsEveryOutcomeAndKeepsGoing) {
  const auto dock = makeSetting("dock.autohide", "com.example.dock", {"autohide"}, SettingValueType::boolean, {"Dock"});
  const auto tile = makeSetting("dock.tile", "com.example.dock", {"tilesize"}, SettingValueType::real, {"Dock", "Finder"});
  const auto lost = makeSetting("lost.flag", "com.example.lost", {"flag"}, SettingValueType::boolean, {"Lost"});
  const auto wrong = makeSetting("wrong.kind", "com.example.dock", {"count"}, SettingValueType::integer, {"Never"});
  const auto empty = makeSetting("no.path", "com.example.dock", {}, SettingValueType::boolean, {"Never"});
  const auto nested = makeSetting("finder.nested", "com.example.finder", {"Panes", "General"}, SettingValueType::boolean);

  const auto report = applier.apply({{dock, PreferenceValue::boolean(true)},
                                     {tile, PreferenceValue::real(0.1234567)},
                                     {lost, PreferenceValue::boolean(true)},
                                     {wrong, PreferenceValue::string("3")},
                                     {empty, PreferenceValue::boolean(true)},
                                     {nested, PreferenceValue::boolean(false)}},
                                    outside, {"already.there"}, {"pinned.here"});

  const std::vector<WriteOutcome> expected{
      {"dock.autohide", true, std::nullopt},
      {"dock.tile", true, std::nullopt},
      {"lost.flag", false, std::string("yazildi ama disaridan gorunmuyor")},
      {"wrong.kind", false,
       std::string("typeMismatch(settingID: \"wrong.kind\", expected: AmberloomCore.SettingValueType.int)")},
      {"no.path", false, std::string("emptyPath")},
      {"finder.nested", true, std::nullopt},
  };
  EXPECT_EQ(report.outcomes, expected);
  EXPECT_EQ(report.appliedCount(), 3u);
  EXPECT_EQ(report.failed().size(), 3u);
  // Unconfirmed writes still need their restart; failed writes never do.
  EXPECT_EQ(report.restartTargets, (std::vector<std::string>{"Dock", "Finder", "Lost"}));
  EXPECT_EQ(report.alreadyMatching, std::vector<std::string>{"already.there"});
  EXPECT_EQ(report.skippedPinned, std::vector<std::string>{"pinned.here"});
  // One undo entry per root key, captured before the writes: everything was absent.
  ASSERT_EQ(report.undo.entries.size(), 5u);
  for (const auto& entry : report.undo.entries) EXPECT_FALSE(entry.rootValue.has_value());

  // Only confirmed writes are in the change history.
  std::vector<std::string> recorded;
  for (const auto& intent : intents.all()) recorded.push_back(intent.settingID);
  EXPECT_EQ(recorded, (std::vector<std::string>{"dock.autohide", "dock.tile", "finder.nested"}));
}

TEST_F(PreferenceApplierTest, UndoRestoresTheExactEarlierValuesAbsentKeysIncluded) {
  store->write(PreferenceValue::integer(36), "tilesize", domain("com.example.dock"));
  store->write(PreferenceValue::dictionary({{"General", PreferenceValue::boolean(true)},
                                            {"Comments", PreferenceValue::string("x")}}),
               "Panes", domain("com.example.finder"));
  const auto tile = makeSetting("dock.tile", "com.example.dock", {"tilesize"}, SettingValueType::real);
  const auto hide = makeSetting("dock.autohide", "com.example.dock", {"autohide"}, SettingValueType::boolean);
  const auto general = makeSetting("finder.general", "com.example.finder", {"Panes", "General"}, SettingValueType::boolean);
  const auto comments = makeSetting("finder.comments", "com.example.finder", {"Panes", "Comments"}, SettingValueType::string);

  const auto report = applier.apply({{tile, PreferenceValue::real(64)},
                                     {hide, PreferenceValue::boolean(true)},
                                     {general, PreferenceValue::boolean(false)},
                                     {comments, std::nullopt}},
                                    outside);
  ASSERT_EQ(report.appliedCount(), 4u);
  EXPECT_EQ(report.undo.entries.size(), 3u);  // the two Finder settings share one root key
  EXPECT_EQ(intents.intent("finder.comments")->value, std::nullopt);

  const auto undo = applier.undo(report.undo, {tile, general}, outside);
  EXPECT_TRUE(undo.isComplete());
  EXPECT_EQ(undo.restoredCount(), 3u);
  EXPECT_EQ(outside.read("tilesize", domain("com.example.dock")), PreferenceValue::integer(36));
  EXPECT_EQ(outside.read("autohide", domain("com.example.dock")), std::nullopt);
  EXPECT_EQ(outside.read("Panes", domain("com.example.finder")),
            PreferenceValue::dictionary({{"General", PreferenceValue::boolean(true)},
                                         {"Comments", PreferenceValue::string("x")}}));
  std::vector<std::string> remaining;
  for (const auto& intent : intents.all()) remaining.push_back(intent.settingID);
  EXPECT_EQ(remaining, (std::vector<std::string>{"dock.autohide", "finder.comments"}));
}

TEST_F(PreferenceApplierTest, UnreadableRootIsNeverOverwrittenAndReportedOnUndo) {
  // A root key holding a value the system cannot represent (a UID), written by another program.
  const std::string path = th::home() + "/Library/Preferences/com.example.odd.plist";
  std::filesystem::create_directories(th::home() + "/Library/Preferences");
  auto made = platform::runProcess(
      "/usr/bin/python3",
      {"-c", "import plistlib,sys; open(sys.argv[1],'wb').write(plistlib.dumps({'Root': {'uid': plistlib.UID(3)}, "
             "'Other': 1}, fmt=plistlib.FMT_BINARY))",
       path});
  ASSERT_TRUE(made && made->exitStatus == 0) << (made ? made->standardError : "not started");
  const auto nested = makeSetting("odd.nested", "com.example.odd", {"Root", "Leaf"}, SettingValueType::boolean);
  const auto plain = makeSetting("odd.other", "com.example.odd", {"Other"}, SettingValueType::integer);

  const auto report = applier.apply({{nested, PreferenceValue::boolean(true)}, {plain, PreferenceValue::integer(2)}}, outside);
  EXPECT_EQ(report.outcomes[0].failureReason, "rootNotRepresentable(path: [\"Root\"])");
  EXPECT_TRUE(report.outcomes[1].applied);
  ASSERT_EQ(report.undo.entries.size(), 2u);
  EXPECT_TRUE(report.undo.entries[0].isUnreadable);

  const auto undo = applier.undo(report.undo, {}, outside);
  EXPECT_FALSE(undo.isComplete());
  EXPECT_EQ(undo.unknownValues().size(), 1u);
  EXPECT_EQ(undo.failure,
            "valueUnknown(AmberloomCore.SettingRef(domain: \"com.example.odd\", path: [\"Root\"], byHost: false))");
  EXPECT_EQ(outside.read("Other", domain("com.example.odd")), PreferenceValue::integer(1));
  EXPECT_TRUE(store->keyExists("Root", domain("com.example.odd")));  // the odd value survives
}

TEST_F(PreferenceApplierTest, NightShiftResetIsConfirmedOnlyWhenTheSecondRunSaysOff) {
  const auto night = makeSetting("night", "com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"},
                                 SettingValueType::boolean, {}, SettingChannel::nightShift);
  ASSERT_TRUE(applier.apply({{night, PreferenceValue::boolean(true)}}, outside).outcomes[0].applied);
  const auto reset = applier.apply({{night, std::nullopt}}, outside);
  EXPECT_TRUE(reset.outcomes[0].applied);
  EXPECT_EQ(reset.undo.entries[0].rootValue, PreferenceValue::boolean(true));
  // Recorded as the state it leaves, so a later repair scan finds nothing changed back.
  EXPECT_EQ(intents.intent("night")->value, PreferenceValue::boolean(false));

  // With no answer from the second run, a reset is not confirmed.
  ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);
  SettingsService dryRun(resolver, store, true);
  PreferenceApplier dryApplier(dryRun, resolver, SnapshotService(store, resolver), std::nullopt);
  const auto unanswered = dryApplier.apply({{night, std::nullopt}}, outside);
  EXPECT_FALSE(unanswered.outcomes[0].applied);
  EXPECT_EQ(unanswered.outcomes[0].failureReason, "silindi ama disaridan hala gorunuyor");
}

TEST_F(PreferenceApplierTest, EmptyBatchAndRepeatedSettings) {
  const auto empty = applier.apply({}, outside, {"a"}, {"b"});
  EXPECT_TRUE(empty.outcomes.empty());
  EXPECT_TRUE(empty.undo.entries.empty());
  EXPECT_EQ(empty.alreadyMatching, std::vector<std::string>{"a"});

  const auto hide = makeSetting("dock.autohide", "com.example.dock", {"autohide"}, SettingValueType::boolean);
  const auto twice = applier.apply({{hide, PreferenceValue::boolean(true)}, {hide, PreferenceValue::boolean(false)}}, outside);
  EXPECT_EQ(twice.undo.entries.size(), 1u);
  // Keys alike but not byte for byte ("café" composed and decomposed) are two keys to the store.
  const auto composed = makeSetting("a.composed", "com.example.dock", {"caf\xC3\xA9"}, SettingValueType::boolean);
  const auto decomposed = makeSetting("a.decomposed", "com.example.dock", {"cafe\xCC\x81"}, SettingValueType::boolean);
  EXPECT_EQ(applier.apply({{composed, PreferenceValue::boolean(true)}, {decomposed, PreferenceValue::boolean(true)}}, outside)
                .undo.entries.size(),
            2u);
  EXPECT_EQ(twice.appliedCount(), 2u);
  EXPECT_EQ(outside.read("autohide", domain("com.example.dock")), PreferenceValue::boolean(false));
}

TEST_F(PreferenceApplierTest, UndoForgetsOnlyTheChoicesItTookBack) {
  const auto general = makeSetting("finder.general", "com.example.finder", {"Panes", "General"}, SettingValueType::boolean);
  const auto comments = makeSetting("finder.comments", "com.example.finder", {"Panes", "Comments"}, SettingValueType::string);
  const auto tile = makeSetting("dock.tile", "com.example.dock", {"tilesize"}, SettingValueType::real);
  const auto hide = makeSetting("dock.autohide", "com.example.dock", {"autohide"}, SettingValueType::boolean);
  // Earlier choices: a nested key under the root the next batch touches, and a reset.
  ASSERT_EQ(applier.apply({{general, PreferenceValue::boolean(false)}, {hide, std::nullopt}}, outside).appliedCount(), 2u);

  const auto report =
      applier.apply({{comments, PreferenceValue::string("y")}, {tile, PreferenceValue::real(64)}}, outside);
  ASSERT_EQ(report.appliedCount(), 2u);

  const auto undo = applier.undo(report.undo, {general, comments, tile, hide}, outside);
  EXPECT_TRUE(undo.isComplete());
  EXPECT_EQ(outside.read("Panes", domain("com.example.finder")),
            PreferenceValue::dictionary({{"General", PreferenceValue::boolean(false)}}));
  // The nested choice and the reset still hold, so their records stay; the undone writes go.
  std::vector<std::string> remaining;
  for (const auto& intent : intents.all()) remaining.push_back(intent.settingID);
  EXPECT_EQ(remaining, (std::vector<std::string>{"finder.general", "dock.autohide"}));
}

TEST_F(PreferenceApplierTest, WritingEachDomainAtOnceComesOutAsWritingItemByItem) {
  // Plain, current-host, global and sandboxed domains; writes and resets of present and absent keys,
  // nested writes and resets beside members that stay, a refused kind, a path blocked by a
  // non-dictionary, a domain whose writes go nowhere, Night Shift; an earlier record in the history.
  const std::string boxed = "com.example.boxed";
  th::makeContainer(boxed);
  auto hereOnly = makeSetting("dock.here", "com.example.dock", {"showhidden"}, SettingValueType::boolean);
  hereOnly.ref.byHost = true;
  const std::vector<BatchItem> items{
      {makeSetting("dock.tile", "com.example.dock", {"tilesize"}, SettingValueType::integer, {"Dock"}), PreferenceValue::integer(64)},
      {makeSetting("dock.gone", "com.example.dock", {"orientation"}, SettingValueType::string, {"Dock"}), std::nullopt},
      {makeSetting("dock.never", "com.example.dock", {"absent"}, SettingValueType::string), std::nullopt},
      {hereOnly, PreferenceValue::boolean(true)},
      {makeSetting("finder.general", "com.example.finder", {"Panes", "General"}, SettingValueType::boolean, {"Finder"}), PreferenceValue::boolean(false)},
      {makeSetting("finder.deep", "com.example.finder", {"View", "Icons", "Size"}, SettingValueType::integer), PreferenceValue::integer(48)},
      {makeSetting("finder.blocked", "com.example.finder", {"Count", "x"}, SettingValueType::integer), PreferenceValue::integer(1)},
      {makeSetting("finder.kind", "com.example.finder", {"Kind"}, SettingValueType::integer), PreferenceValue::string("1")},
      {makeSetting("global.style", "NSGlobalDomain", {"AppleInterfaceStyle"}, SettingValueType::string), PreferenceValue::string("Dark")},
      {makeSetting("boxed.tabs", boxed, {"Tabs", "Shown"}, SettingValueType::boolean), std::nullopt},
      {makeSetting("lost.flag", "com.example.lost", {"flag"}, SettingValueType::boolean, {"Lost"}), PreferenceValue::boolean(true)},
      {makeSetting("night", "com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"}, SettingValueType::boolean, {},
                   SettingChannel::nightShift), PreferenceValue::boolean(true)},
  };
  const IntentLog history{intents.path(), "23F79", [] { return 700000000.0; }};
  const PreferenceApplier byDomain{SettingsService(resolver, store), resolver, SnapshotService(store, resolver), history};
  const std::string library = th::home() + "/Library";

  struct Result {
    WriteReport report;
    std::map<std::string, std::string> files;  // below ~/Library, the change history among them
  };
  const auto run = [&](bool inOrder) {
    std::filesystem::remove_all(library);
    th::makeContainer(boxed);
    store->write(PreferenceValue::integer(36), "tilesize", domain("com.example.dock"));
    store->write(PreferenceValue::string("left"), "orientation", domain("com.example.dock"));
    store->write(PreferenceValue::dictionary({{"General", PreferenceValue::boolean(true)}, {"Comments", PreferenceValue::string("x")}}),
                 "Panes", domain("com.example.finder"));
    store->write(PreferenceValue::integer(3), "Count", domain("com.example.finder"));
    store->write(PreferenceValue::dictionary({{"Shown", PreferenceValue::boolean(true)}, {"Width", PreferenceValue::integer(2)}}),
                 "Tabs", resolver.resolve(boxed, false));
    history.record("dock.tile", PreferenceValue::integer(12));
    Result result{inOrder ? byDomain.applyInOrder(items, outside) : byDomain.apply(items, outside), {}};
    for (const auto& file : th::filesBelow(library)) result.files[file] = th::readFile(library + "/" + file);
    return result;
  };

  const auto together = run(false);
  const auto oneByOne = run(true);
  EXPECT_EQ(together.report, oneByOne.report);
  EXPECT_EQ(together.files, oneByOne.files);
  EXPECT_EQ(together.report.appliedCount(), 9u);
  EXPECT_EQ(together.report.priorIntents.size(), items.size());
}

namespace {

// The live store, where another process puts a key of its own under the same root between the
// read of the root and the write into it.
class RacedStore : public CFPreferenceStore {
 public:
  std::vector<std::exception_ptr> writeKeys(const std::vector<KeyWrite>& writes, const ResolvedDomain& domain) override {
    otherProcessAddsItsKey();
    return CFPreferenceStore::writeKeys(writes, domain);
  }

 private:
  static void otherProcessAddsItsKey() {
    const auto files = platform::PreferenceFiles::live();
    auto panes = files.copyValue("Panes", "com.example.finder", false).value_or(platform::PlistObject(platform::PlistDictionary{}));
    auto members = std::get<platform::PlistDictionary>(panes.value);
    members["Sidebar"] = platform::PlistObject(true);
    files.setValue("Panes", platform::PlistObject(std::move(members)), "com.example.finder", false);
  }
};

}  // namespace

TEST_F(PreferenceApplierTest, AKeyAnotherProcessPutUnderTheSameRootMeanwhileIsKept) {
  const auto raced = std::make_shared<RacedStore>();
  const SettingsService service(resolver, raced);
  const PreferenceApplier batch(service, resolver, SnapshotService(raced, resolver), std::nullopt);
  const auto general = makeSetting("finder.general", "com.example.finder", {"Panes", "General"}, SettingValueType::string);
  const std::vector<std::pair<const char*, std::function<void()>>> writes = {
      {"a batch", [&] { EXPECT_EQ(batch.apply({{general, PreferenceValue::string("open")}}, outside).appliedCount(), 1u); }},
      {"one setting", [&] { service.apply(PreferenceValue::string("open"), general); }},
  };
  for (const auto& [what, write] : writes) {
    SCOPED_TRACE(what);
    std::filesystem::remove(th::preferencesFile("com.example.finder"));
    write();
    const auto panes = outside.read("Panes", domain("com.example.finder"));
    ASSERT_TRUE(panes);
    EXPECT_EQ(*panes, PreferenceValue::dictionary({{"General", PreferenceValue::string("open")},
                                                   {"Sidebar", PreferenceValue::boolean(true)}}));
  }
}

TEST_F(PreferenceApplierTest, DatesReadBackToTheWholeSecondWhileTheFileKeepsTheExactValue) {
  const auto window = makeSetting("finder.window", "com.example.dates", {"Window"}, SettingValueType::dictionary);
  const auto recent = makeSetting("finder.recent", "com.example.dates", {"Recent"}, SettingValueType::array);
  store->write(PreferenceValue::dictionary({{"Shown", PreferenceValue::date(5.75)}}), "Window", domain("com.example.dates"));
  const auto shown = PreferenceValue::dictionary({{"Shown", PreferenceValue::date(1000.25)}});
  const auto opened = PreferenceValue::array({PreferenceValue::date(2000.5), PreferenceValue::integer(1)});

  const auto report = applier.apply({{window, shown}, {recent, opened}}, outside);
  EXPECT_EQ(report.appliedCount(), 2u) << report.failed().front().failureReason.value_or("");
  EXPECT_EQ(store->read("Window", domain("com.example.dates")), shown);
  EXPECT_EQ(store->read("Recent", domain("com.example.dates")), opened);
  EXPECT_EQ(intents.intent("finder.window")->value, shown);
  EXPECT_TRUE(applier.undo(report.undo, {window, recent}, outside, report.priorIntents).isComplete());
  EXPECT_EQ(store->read("Window", domain("com.example.dates")),
            PreferenceValue::dictionary({{"Shown", PreferenceValue::date(5.75)}}));
}
