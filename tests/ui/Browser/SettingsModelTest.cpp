// The settings model over a small catalogue and over the built-in one: what it restores from the
// application preferences, when it notifies, what the search and filters show, and changes made
// through the real preference files, confirmed by the `defaults` command on the temporary home.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <filesystem>

#include "Browser/AppRestarter.hpp"
#include "Browser/SettingsModel.hpp"
#include "Changes/ShellCommand.hpp"
#include "HeardChanges.hpp"
#include "MemoryUserDefaults.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Support/Iso8601.hpp"
#include "TestHome.hpp"

using namespace amberloom;
using amberloom::ui::SettingsModel;
using amberloom::ui::SidebarSelection;
namespace th = amberloom::testing;

namespace {

const Version kOS({14, 5});
const Version kApp({1, 0});

SettingDefinition makeSetting(std::string id, std::string category, SettingTextLevel level = SettingTextLevel::basic,
                              SettingRisk risk = SettingRisk::none, std::vector<std::string> restarts = {}) {
  SettingDefinition setting;
  setting.id = std::move(id);
  setting.label = "Label of " + setting.id;
  setting.ref = SettingRef{"com.example." + category, {setting.id.substr(setting.id.find('.') + 1)}, false};
  setting.text = SettingText{"Summary of " + setting.id, "", level, category, category + " name", {}, {}, {}};
  setting.risk = risk;
  setting.restartsApps = std::move(restarts);
  return setting;
}

SettingDefinition carried(std::string id, std::string label) {
  auto setting = makeSetting(std::move(id), "carried");
  setting.label = std::move(label);
  setting.tier = SettingTier::syncOnly;
  return setting;
}

SettingDefinition nightShift() {
  auto setting = makeSetting("displays.nightShift", "displays");
  setting.channel = SettingChannel::nightShift;
  setting.ref = SettingRef{"com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"}, false};
  return setting;
}

SettingsCatalog smallCatalog() {
  auto count = makeSetting("dock.count", "dock", SettingTextLevel::advanced, SettingRisk::none, {"Dock"});
  count.type = SettingValueType::integer;
  auto written = makeSetting("finder.written", "finder");
  written.systemWritten = true;
  return SettingsCatalog(1, 1,
                         {makeSetting("dock.autohide", "dock", SettingTextLevel::basic, SettingRisk::none, {"Dock"}),
                          count, makeSetting("finder.bar", "finder", SettingTextLevel::basic, SettingRisk::none, {"Finder", "Dock"}),
                          written, makeSetting("gate.basic", "gate", SettingTextLevel::basic, SettingRisk::weakensSecurity),
                          makeSetting("gate.expert", "gate", SettingTextLevel::expert, SettingRisk::weakensSecurity),
                          carried("carry.b", "beta"), carried("carry.a1", "alpha"), carried("carry.a2", "alpha"),
                          nightShift()});
}

// A reader that never reaches the preferences: every domain is unreadable.
class UnreadableReader : public ExternalPreferenceReader {
 public:
  std::optional<PreferenceValue> read(const std::string&, const ResolvedDomain&) const override { return std::nullopt; }
  bool canRead(const ResolvedDomain&) const override { return false; }
};

class SettingsModelTest : public ::testing::Test {
 protected:
  UserDefaultsRef defaults = std::make_shared<th::MemoryUserDefaults>();
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  DomainResolver resolver = DomainResolver::live();
  IntentLog intents{th::home() + "/Library/Application Support/AmberLoom/intents.json", "23F79"};
  std::vector<std::vector<std::string>> restarted;
  int recordedCalls = 0;
  th::HeardChanges heard;
  ui::ModelContext::Clock clock = iso8601::now;  // picks the tip of the day

  std::unique_ptr<SettingsModel> make(const SettingsCatalog& catalog = smallCatalog(), bool dryRun = false,
                                      std::shared_ptr<const ExternalPreferenceReader> reader = nullptr,
                                      std::optional<DiscoverDeck> deck = std::nullopt) {
    if (!reader) reader = std::make_shared<ExternalVerifier>(th::defaultsPath());
    const ui::ModelContext context{
        .isDryRun = dryRun, .history = SnapshotHistory::standard(), .verifier = reader, .defaults = defaults,
        .notice = heard.notice, .clock = clock};
    auto model = std::make_unique<SettingsModel>(
        context, catalog, SettingsService(resolver, store), intents, deck,
        SettingsModel::ThisMac{kOS, kApp, [this](const std::vector<std::string>& names) { restarted.push_back(names); }});
    model->setOnIntentRecorded([this] { ++recordedCalls; });
    return model;
  }

  // The ids of settings or groups, held by value or by pointer.
  template <class Items>
  static std::vector<std::string> ids(const Items& items) {
    std::vector<std::string> result;
    for (const auto& item : items)
      if constexpr (std::is_pointer_v<std::decay_t<decltype(item)>>) result.push_back(item->id);
      else result.push_back(item.id);
    return result;
  }
};

}  // namespace

TEST_F(SettingsModelTest, ConstructionSplitsGroupsCarriedAndRestoresTheSelection) {
  struct Case {
    std::optional<PreferenceValue> stored;
    std::string expected;  // stored form of the selection
  };
  const Case cases[] = {
      {std::nullopt, "group:displays"},  // the first group by name
      {PreferenceValue::string("group:gate"), "group:gate"},
      {PreferenceValue::string("finder"), "group:finder"},        // a bare group id
      {PreferenceValue::string("group:gone"), "group:displays"},  // a group that no longer exists
      {PreferenceValue::string("account"), "group:displays"},     // a group id, which no group has
      {PreferenceValue::string("recipes"), "recipes"},
      {PreferenceValue::integer(3), "group:displays"},  // not a string
  };
  for (const auto& c : cases) {
    defaults = std::make_shared<th::MemoryUserDefaults>();
    defaults->set(c.stored, "lastSelectedGroup");
    const auto model = make();
    EXPECT_EQ(model->selection().stored(), c.expected);
    // Restoring writes nothing back; the basic-only filter is written, the risky one is not.
    EXPECT_EQ(defaults->value("lastSelectedGroup"), c.stored);
    EXPECT_EQ(defaults->boolValue("showsBasicOnly"), false);
    EXPECT_EQ(defaults->value("showsRiskySettings"), std::nullopt);
  }

  const auto model = make();
  EXPECT_EQ(ids(model->groups()), (std::vector<std::string>{"displays", "dock", "finder", "gate"}));
  EXPECT_EQ(model->editableCount(), 7);
  EXPECT_NE(model->setting("displays.nightShift"), nullptr);
  EXPECT_EQ(model->setting("carry.b"), nullptr);
  EXPECT_EQ(model->groupName(*model->setting("finder.bar")), "finder name");
  // Carried settings by label, equal labels in catalogue order.
  EXPECT_EQ(ids(model->carriedSettings()), (std::vector<std::string>{"carry.a1", "carry.a2", "carry.b"}));

  qputenv("AMBERLOOM_NIGHT_SHIFT", "unavailable");
  const auto withoutNightShift = make();
  qunsetenv("AMBERLOOM_NIGHT_SHIFT");
  EXPECT_EQ(withoutNightShift->setting("displays.nightShift"), nullptr);
  EXPECT_EQ(withoutNightShift->editableCount(), 6);

  defaults->setString("recipes", "lastSelectedGroup");
  const auto empty = make(SettingsCatalog(1, 0, {}));
  EXPECT_EQ(empty->selection().stored(), "recipes");
  defaults->remove("lastSelectedGroup");
  EXPECT_EQ(make(SettingsCatalog(1, 0, {}))->selection().stored(), "myMacs");

  // A stored id written with a combining mark still names the group whose id is precomposed.
  defaults->setString("group:ze\xCC\x81", "lastSelectedGroup");
  const auto accented = make(SettingsCatalog(1, 0, {makeSetting("a.a", "dock"), makeSetting("b.b", "z\xC3\xA9")}));
  ASSERT_NE(accented->selectedGroup(), nullptr);
  EXPECT_EQ(accented->selectedGroup()->id, "z\xC3\xA9");
  EXPECT_EQ(accented->selection(), SidebarSelection::group("z\xC3\xA9"));
}

TEST_F(SettingsModelTest, NotifiesOnlyOnChangeAndStoresEveryAssignment) {
  defaults = std::make_shared<StoreUserDefaults>(store);  // the application's own preference file
  const auto model = make();
  QSignalSpy selection(model.get(), &SettingsModel::selectionChanged);
  QSignalSpy search(model.get(), &SettingsModel::searchTextChanged);
  QSignalSpy basic(model.get(), &SettingsModel::showsBasicOnlyChanged);
  QSignalSpy risky(model.get(), &SettingsModel::showsRiskySettingsChanged);

  defaults->remove("lastSelectedGroup");
  model->selectGroup("displays");  // unchanged: stored again, nobody told
  EXPECT_EQ(selection.count(), 0);
  EXPECT_EQ(defaults->stringValue("lastSelectedGroup"), "group:displays");
  model->selectPage("carried");
  EXPECT_EQ(selection.count(), 1);
  EXPECT_EQ(defaults->stringValue("lastSelectedGroup"), "carried");
  EXPECT_TRUE(model->visibleSettings().empty());

  model->setSearchText("");
  model->setSearchText(QString::fromUtf8("caf\u00e9"));
  model->setSearchText(QString::fromUtf8("cafe\u0301"));  // the same text, decomposed
  EXPECT_EQ(search.count(), 1);

  defaults->remove("showsBasicOnly");
  model->setShowsBasicOnly(false);
  EXPECT_EQ(basic.count(), 0);
  EXPECT_EQ(defaults->boolValue("showsBasicOnly"), false);
  model->setShowsRiskySettings(true);
  model->setShowsRiskySettings(true);
  EXPECT_EQ(risky.count(), 1);
  EXPECT_EQ(defaults->boolValue("showsRiskySettings"), true);

  // Restored on the next start.
  EXPECT_TRUE(th::fileExists(th::preferencesFile("tv.winterbrae.amberloom")));
  model->selectGroup("gate");
  model->setShowsBasicOnly(true);
  const auto again = make();
  EXPECT_EQ(again->selection(), SidebarSelection::group("gate"));
  EXPECT_TRUE(again->showsBasicOnly());
  EXPECT_TRUE(again->showsRiskySettings());
}

TEST_F(SettingsModelTest, SearchAndFiltersOverTheBuiltInCatalogue) {
  const auto model = make(SettingsCatalog::bundled());
  QAbstractItemModelTester tester(model->visibleSettingList(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester groupTester(model->groupList(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester carriedTester(model->carriedSettingList(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  model->setShowsRiskySettings(true);
  model->selectGroup("dock");
  const auto dockGroup = ids(model->visibleSettings());
  ASSERT_FALSE(dockGroup.empty());

  struct Case {
    const char* query;
    std::vector<std::string> contains;
    std::vector<std::string> lacks;
  };
  const Case cases[] = {
      {"HIDE THE DOCK", {"dock.autohide"}, {}},
      {"hide the dock", {"dock.autohide"}, {}},
      {"automatically dock.auto", {"dock.autohide"}, {}},  // the end of the label, then the id
      {"hide  the", {}, {"dock.autohide"}},                 // inner spaces must match exactly
      {"expos\u00e9", {"trackpad.appExposeGesture"}, {}},
      {"expose gesture", {}, {"trackpad.appExposeGesture"}},  // accents are not folded
      {"fraudulent", {"safari.fraudWarning"}, {}},
  };
  for (const auto& c : cases) {
    model->setSearchText(QString::fromUtf8(c.query));
    const auto found = ids(model->visibleSettings());
    for (const auto& id : c.contains) EXPECT_NE(std::find(found.begin(), found.end(), id), found.end()) << c.query;
    for (const auto& id : c.lacks) EXPECT_EQ(std::find(found.begin(), found.end(), id), found.end()) << c.query;
  }

  // Blank text shows the selected group; a line break is searched for.
  model->setSearchText(" \t\u3000");
  EXPECT_EQ(ids(model->visibleSettings()), dockGroup);
  model->setSearchText("\n");
  EXPECT_TRUE(model->visibleSettings().empty());

  // Matches of several groups come in sidebar order, whatever group is selected.
  model->setSearchText("show");
  const auto all = ids(model->visibleSettings());
  model->selectGroup("finder");
  EXPECT_EQ(ids(model->visibleSettings()), all);
  std::vector<std::string> expected;
  for (const auto& group : model->groups())
    for (const auto& setting : group.settings)
      if (SettingSearchIndex::haystack(setting).find("show") != std::string::npos) expected.push_back(setting.id);
  EXPECT_EQ(all, expected);

  // Risky settings hidden and basic only: the count covers every level, the list shows neither.
  model->selectGroup("apps_safari");
  model->setSearchText("");
  std::vector<std::string> risky;
  for (const auto* setting : model->visibleSettings())
    if (setting->risk == SettingRisk::weakensSecurity) risky.push_back(setting->id);
  EXPECT_EQ(model->hiddenByRiskCount(), 0);
  model->setShowsRiskySettings(false);
  model->setShowsBasicOnly(true);
  EXPECT_EQ(model->hiddenByRiskCount(), static_cast<int>(risky.size()));
  EXPECT_EQ(risky, (std::vector<std::string>{"safari.openSafeDownloads", "safari.fraudWarning"}));  // advanced, basic
  for (const auto* setting : model->visibleSettings()) {
    EXPECT_NE(setting->risk, SettingRisk::weakensSecurity);
    EXPECT_EQ(setting->text->level, SettingTextLevel::basic);
  }
}

TEST_F(SettingsModelTest, ApplyAndResetAreConfirmedFromOutsideAndRecorded) {
  const auto model = make();
  QAbstractItemModelTester tester(model->visibleSettingList(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy restarts(model.get(), &SettingsModel::pendingRestartsChanged);
  QSignalSpy errors(model.get(), &SettingsModel::lastErrorChanged);
  const auto& autohide = *model->setting("dock.autohide");
  const auto& count = *model->setting("dock.count");
  const auto& bar = *model->setting("finder.bar");

  model->apply(PreferenceValue::string("3"), count);
  EXPECT_EQ(model->lastError(), "Label of dock.count: typeMismatch(settingID: \"dock.count\", expected: AmberloomCore.SettingValueType.int)");
  EXPECT_TRUE(intents.all().empty());
  EXPECT_TRUE(model->pendingRestarts().isEmpty());

  model->apply(PreferenceValue::boolean(true), autohide);
  model->apply(PreferenceValue::boolean(true), bar);
  EXPECT_FALSE(model->lastError());
  EXPECT_EQ(errors.count(), 2);  // set once, cleared once
  EXPECT_EQ(model->value(autohide), PreferenceValue::boolean(true));
  EXPECT_EQ(intents.intent("dock.autohide")->value, PreferenceValue::boolean(true));
  EXPECT_EQ(model->pendingRestarts(), (QStringList{"Dock", "Finder"}));
  EXPECT_EQ(restarts.count(), 2);
  EXPECT_EQ(recordedCalls, 2);
  EXPECT_EQ(model->command(autohide), "defaults write com.example.dock autohide -bool true");

  model->reset(autohide);
  EXPECT_EQ(model->value(autohide), std::nullopt);
  EXPECT_EQ(th::runDefaults({"read", "com.example.dock", "autohide"}).exitStatus != 0, true);
  const auto record = intents.intent("dock.autohide");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->value, std::nullopt);
  EXPECT_EQ(recordedCalls, 3);
  EXPECT_EQ(model->command(autohide), "defaults delete com.example.dock autohide");

  model->restartPendingApps();
  EXPECT_EQ(restarted, (std::vector<std::vector<std::string>>{{"Dock", "Finder"}}));
  EXPECT_TRUE(model->pendingRestarts().isEmpty());

  // Only set editable settings the system does not write itself are exported.
  model->apply(PreferenceValue::boolean(false), *model->setting("finder.written"));
  const auto script = model->exportScript(0);
  // Night Shift reads as off here, the macOS default: nothing to export, and no line saying it could
  // not be written.
  EXPECT_EQ(script, ShellCommand::script({{bar, PreferenceValue::boolean(true)}}, 0));
}

TEST_F(SettingsModelTest, AResetIsRecordedOnlyAsTheStateItLeaves) {
  // A domain the other process cannot read confirms no removal.
  const auto blind = make(smallCatalog(), false, std::make_shared<UnreadableReader>());
  blind->apply(PreferenceValue::boolean(true), *blind->setting("dock.autohide"));
  blind->reset(*blind->setting("dock.autohide"));
  EXPECT_TRUE(intents.all().empty());
  EXPECT_EQ(recordedCalls, 0);

  // Night Shift is switched off by a reset: that is what is expected and recorded.
  const auto model = make();
  const auto& shift = *model->setting("displays.nightShift");
  model->apply(PreferenceValue::boolean(true), shift);
  EXPECT_EQ(intents.intent("displays.nightShift")->value, PreferenceValue::boolean(true));
  EXPECT_EQ(model->value(shift), PreferenceValue::boolean(true));
  model->reset(shift);
  EXPECT_EQ(intents.intent("displays.nightShift")->value, PreferenceValue::boolean(false));
  // Off is the macOS default, so the card shows it unchanged.
  EXPECT_EQ(model->value(shift), std::nullopt);
  EXPECT_EQ(recordedCalls, 2);
}

TEST_F(SettingsModelTest, PracticeModeWritesButRecordsAndRestartsNothing) {
  const auto model = make(smallCatalog(), true);
  QSignalSpy restarts(model.get(), &SettingsModel::pendingRestartsChanged);
  model->apply(PreferenceValue::boolean(true), *model->setting("finder.bar"));
  EXPECT_EQ(model->value(*model->setting("finder.bar")), PreferenceValue::boolean(true));
  EXPECT_TRUE(intents.all().empty());
  EXPECT_EQ(recordedCalls, 0);
  model->restartPendingApps();
  EXPECT_TRUE(restarted.empty());
  EXPECT_TRUE(model->pendingRestarts().isEmpty());
  EXPECT_EQ(restarts.count(), 3);  // Finder, Dock, emptied
}

TEST_F(SettingsModelTest, AnUnreadablePreferenceFileShowsUnsetAndBlocksNothing) {
  th::writeFile(th::preferencesFile("com.example.dock"), "not a property list");
  th::runDefaults({"write", "com.example.finder", "bar", "-bool", "true"});
  const auto model = make();
  EXPECT_EQ(model->value(*model->setting("dock.autohide")), std::nullopt);
  EXPECT_EQ(model->value(*model->setting("finder.bar")), PreferenceValue::boolean(true));
  EXPECT_EQ(model->command(*model->setting("finder.bar")), "defaults write com.example.finder bar -bool true");
}

TEST_F(SettingsModelTest, TheTipOfTheDayChangesVisiblyWhenDismissedOrRevealed) {
  const DiscoverDeck deck({{"finder.bar", "hook bar", "body"}, {"dock.count", "hook count", "body"},
                           {"carry.b", "hook carried", "body"}});
  defaults->set(PreferenceValue::string("wrong kind"), "seenDiscoverCards");  // counts as empty
  clock = [] { return 0.0; };  // day 11323 since 1970: the pool's entry 11323 % 3 = 1
  const auto model = make(smallCatalog(), false, nullptr, deck);
  QSignalSpy card(model.get(), &SettingsModel::discoverCardChanged);
  ASSERT_EQ(model->discoverCard()->settingID, "dock.count");

  model->dismissDiscoverCard();
  EXPECT_EQ(card.count(), 1);
  EXPECT_EQ(defaults->stringArray("seenDiscoverCards"), (std::vector<std::string>{"dock.count"}));
  EXPECT_EQ(model->discoverCard()->settingID, "carry.b");  // 11323 % 2 = 1 of the unseen two
  model->revealDiscoverCard();                              // a carried setting: nothing at all
  EXPECT_EQ(model->discoverCard()->settingID, "carry.b");

  defaults->setStringArray({"carry.b", "dock.count", "carry.b"}, "seenDiscoverCards");
  EXPECT_EQ(model->discoverCard()->settingID, "finder.bar");
  model->revealDiscoverCard();
  EXPECT_EQ(defaults->stringArray("seenDiscoverCards"), (std::vector<std::string>{"carry.b", "dock.count", "finder.bar"}));
  EXPECT_EQ(model->selection(), SidebarSelection::group("finder"));
  EXPECT_EQ(model->searchText(), "Label of finder.bar");
  EXPECT_EQ(model->discoverCard(), std::nullopt);  // hidden while searching
}

TEST_F(SettingsModelTest, TipsLeadOnlyToSettingsTheFiltersShowAndAHiddenTipStaysHidden) {
  // An advanced setting, a risky one, a basic one, and a carried one (a tip without "Show me").
  const auto model = make(smallCatalog(), false, nullptr,
                          DiscoverDeck({{"dock.count", "", ""}, {"gate.basic", "", ""}, {"finder.bar", "", ""}, {"carry.b", "", ""}}));
  const auto hideEveryTip = [&] {
    std::set<std::string> offered;
    for (int i = 0; i < 8 && model->discoverCard(); ++i, model->dismissDiscoverCard()) offered.insert(model->discoverCard()->settingID);
    return offered;
  };
  model->setShowsBasicOnly(true);
  EXPECT_EQ(hideEveryTip(), (std::set<std::string>{"carry.b", "finder.bar"}));  // then none, not the same again
  QSignalSpy card(model.get(), &SettingsModel::discoverCardChanged);
  model->setShowsBasicOnly(false);
  model->setShowsRiskySettings(true);
  EXPECT_EQ(card.count(), 2);
  EXPECT_EQ(hideEveryTip(), (std::set<std::string>{"dock.count", "gate.basic"}));
}

TEST(AppRestarter, StartsOneChildPerAppWithoutWaiting) {
  const std::string folder = th::home() + "/restarted";
  std::filesystem::create_directories(folder);
  const auto tool = th::writeExecutable(th::home() + "/fake-killall", "#!/bin/sh\ntouch \"" + folder + "/$1\"\n");
  amberloom::ui::AppRestarter::killall({"Dock", "Finder", "SystemUIServer"}, tool);
  amberloom::ui::AppRestarter::killall({"Missing"}, th::home() + "/no-such-tool");  // dropped quietly
  EXPECT_TRUE(QTest::qWaitFor([&] { return th::filesBelow(folder).size() >= 3; }, 60000));
  EXPECT_EQ(th::filesBelow(folder), (std::vector<std::string>{"Dock", "Finder", "SystemUIServer"}));
}

namespace {

// The `defaults` command, taking its time: what the user does meanwhile lands while a read-back
// is still under way.
class SlowReader : public ExternalVerifier {
 public:
  SlowReader() : ExternalVerifier(th::defaultsPath()) {}
  std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain& domain) const override {
    ++reads;
    QThread::msleep(150);
    return ExternalVerifier::read(key, domain);
  }
  mutable std::atomic<int> reads = 0;
};

}  // namespace

TEST_F(SettingsModelTest, WritesAskedForDuringAReadBackWaitTheirTurnTheLatestOfASettingWinning) {
  const auto reader = std::make_shared<SlowReader>();
  auto model = make(smallCatalog(), false, reader);
  const SettingDefinition& count = *model->setting("dock.count");
  const SettingDefinition& autohide = *model->setting("dock.autohide");
  // A slider moving on, and a switch flipped, while the first value is read back.
  QTimer::singleShot(20, [&] {
    model->apply(PreferenceValue::integer(2), count);
    model->apply(PreferenceValue::boolean(true), autohide);
    model->apply(PreferenceValue::integer(3), count);
  });
  model->apply(PreferenceValue::integer(1), count);

  const auto dock = resolver.resolve("com.example.dock", false);
  EXPECT_EQ(store->read("count", dock), PreferenceValue::integer(3));
  EXPECT_EQ(store->read("autohide", dock), PreferenceValue::boolean(true));
  EXPECT_EQ(reader->reads, 3) << "1, then 3 in place of 2, then the switch";
  EXPECT_EQ(intents.intent("dock.count")->value, PreferenceValue::integer(3));
  EXPECT_EQ(model->value(count), PreferenceValue::integer(3));
  EXPECT_EQ(heard.size(), 3u);
}
