// One setting at a time through the real store, confirmed by another process (the `defaults`
// command), for every channel and scope a catalogue setting can have.

#include <gtest/gtest.h>

#include <cstdlib>

#include "Preferences/CFPreferenceStore.hpp"
#include "Changes/DryRunStore.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/ShellCommand.hpp"
#include "TestHome.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

SettingDefinition makeSetting(std::string id, std::string domain, std::vector<std::string> path, SettingValueType type,
                              bool byHost = false, SettingChannel channel = SettingChannel::defaults) {
  SettingDefinition setting;
  setting.id = std::move(id);
  setting.ref = SettingRef{std::move(domain), std::move(path), byHost};
  setting.type = type;
  setting.label = setting.id;
  setting.restartsApps = {"Dock", "Finder", "Dock"};
  setting.channel = channel;
  return setting;
}

class SettingsServiceTest : public ::testing::Test {
 protected:
  std::shared_ptr<CFPreferenceStore> store = std::make_shared<CFPreferenceStore>();
  SettingsService service{DomainResolver::live(), store};
  ExternalVerifier outside{th::defaultsPath()};
};

}  // namespace

TEST_F(SettingsServiceTest, AppliesAndResetsEveryScopeSeenFromAnotherProcess) {
  th::makeContainer("com.example.sandboxed");
  struct Case {
    SettingDefinition setting;
    PreferenceValue value;
  } cases[] = {
      {makeSetting("plain", "com.example.plain", {"Flag"}, SettingValueType::boolean), PreferenceValue::boolean(true)},
      {makeSetting("global", "NSGlobalDomain", {"AppleScale"}, SettingValueType::real), PreferenceValue::real(1.0)},
      {makeSetting("byhost", "NSGlobalDomain", {"tapBehavior"}, SettingValueType::integer, true),
       PreferenceValue::integer(-3)},
      {makeSetting("container", "com.example.sandboxed", {"Name"}, SettingValueType::string),
       PreferenceValue::string("caf\xC3\xA9 \"x\"")},
      {makeSetting("nested", "com.example.plain", {"Outer", "Inner", "Leaf"}, SettingValueType::integer),
       PreferenceValue::integer(7)},
  };
  for (const auto& [setting, value] : cases) {
    SCOPED_TRACE(setting.id);
    EXPECT_EQ(service.apply(value, setting), setting.restartsApps);
    EXPECT_EQ(service.currentValue(setting), value);
    EXPECT_EQ(service.externallyVisibleValue(setting, outside), value);
    service.reset(setting);
    EXPECT_EQ(service.currentValue(setting), std::nullopt);
    EXPECT_EQ(service.externallyVisibleValue(setting, outside), std::nullopt);
  }
  // The sandboxed value lives in its container, not in the plain preferences folder.
  EXPECT_TRUE(th::fileExists(th::home() +
                                  "/Library/Containers/com.example.sandboxed/Data/Library/Preferences/"
                                  "com.example.sandboxed.plist"));
  EXPECT_FALSE(th::fileExists(th::home() + "/Library/Preferences/com.example.sandboxed.plist"));
}

TEST_F(SettingsServiceTest, NestedResetRemovesOnlyTheInnermostKey) {
  const auto leaf = makeSetting("leaf", "com.example.nested", {"Root", "Leaf"}, SettingValueType::boolean);
  const auto sibling = makeSetting("sibling", "com.example.nested", {"Root", "Sibling"}, SettingValueType::string);
  service.apply(PreferenceValue::boolean(true), leaf);
  service.apply(PreferenceValue::string("kept"), sibling);
  service.reset(leaf);
  EXPECT_EQ(service.externallyVisibleValue(leaf, outside), std::nullopt);
  EXPECT_EQ(service.externallyVisibleValue(sibling, outside), PreferenceValue::string("kept"));
  service.reset(sibling);
  // The root key stays, holding an empty dictionary.
  EXPECT_EQ(outside.read("Root", service.resolver().resolve("com.example.nested", false)),
            PreferenceValue::dictionary({}));
}

TEST_F(SettingsServiceTest, ResetOfANestedSettingUnderANonDictionaryWritesNothing) {
  const auto setting = makeSetting("leaf", "com.example.nested", {"Root", "Leaf"}, SettingValueType::boolean);
  const auto domain = service.resolver().resolve("com.example.nested", false);
  store->write(PreferenceValue::integer(4), "Root", domain);
  EXPECT_EQ(service.reset(setting), setting.restartsApps);
  EXPECT_EQ(outside.read("Root", domain), PreferenceValue::integer(4));
}

TEST_F(SettingsServiceTest, RefusesAValueOfTheWrongKindBeforeWritingAnything) {
  const auto setting = makeSetting("scale", "com.example.kinds", {"Scale"}, SettingValueType::real);
  const PreferenceValue wrong[] = {PreferenceValue::integer(1), PreferenceValue::data({1, 2}),
                                   PreferenceValue::date(0), PreferenceValue::string("1.0")};
  for (const auto& value : wrong) {
    try {
      service.apply(value, setting);
      ADD_FAILURE() << "accepted a " << PreferenceValue::kindName(value.kind());
    } catch (const SettingsServiceError& error) {
      EXPECT_STREQ(error.what(), "typeMismatch(settingID: \"scale\", expected: AmberloomCore.SettingValueType.double)");
    }
  }
  EXPECT_FALSE(th::fileExists(th::home() + "/Library/Preferences/com.example.kinds.plist"));
}

// Scripts write `-int 48` where macOS itself keeps a double (the Dock's sizes). Such a value must
// read, export and travel back as the double, or writing what was read would be refused.
TEST_F(SettingsServiceTest, AWholeNumberWrittenByAScriptReadsAsTheDoubleItsSettingTakes) {
  struct Case {
    SettingDefinition setting;
    std::vector<std::string> scriptWrites;
    PreferenceValue reads;
    const char* exported;
  } cases[] = {
      {makeSetting("size", "com.example.dock", {"tilesize"}, SettingValueType::real), {"-int", "48"},
       PreferenceValue::real(48), "defaults write com.example.dock tilesize -float 48"},
      {makeSetting("magnified", "com.example.dock", {"largesize"}, SettingValueType::real), {"-float", "64.5"},
       PreferenceValue::real(64.5), "defaults write com.example.dock largesize -float 64.5"},
      {makeSetting("count", "com.example.dock", {"columns"}, SettingValueType::integer), {"-int", "7"},
       PreferenceValue::integer(7), "defaults write com.example.dock columns -int 7"},
      {makeSetting("flag", "com.example.dock", {"flag"}, SettingValueType::boolean), {"-int", "1"},
       PreferenceValue::integer(1), "defaults write com.example.dock flag -int 1"},
  };
  for (const auto& [setting, scriptWrites, reads, exported] : cases) {
    SCOPED_TRACE(setting.id);
    std::vector<std::string> arguments{"write", setting.ref.domain, setting.ref.path.front()};
    arguments.insert(arguments.end(), scriptWrites.begin(), scriptWrites.end());
    ASSERT_EQ(th::runDefaults(arguments).exitStatus, 0);

    const auto current = service.currentValue(setting);
    EXPECT_EQ(current, reads);
    EXPECT_EQ(service.externallyVisibleValue(setting, outside), reads);
    ASSERT_TRUE(current);
    EXPECT_EQ(ShellCommand::write(setting, *current), exported);
    if (valueFits(*current, setting.type)) {
      EXPECT_NO_THROW(service.apply(*current, setting));
      EXPECT_EQ(outside.read(setting.ref.path.front(), service.resolver().resolve(setting.ref.domain, false)), reads);
    }
  }
  EXPECT_EQ(asReadFor(std::nullopt, SettingValueType::real), std::nullopt);
}

TEST_F(SettingsServiceTest, ReadingManySettingsAtOnceGivesWhatEachReadsAlone) {
  th::makeContainer("com.example.sandboxed");
  using T = SettingValueType;
  struct Case {
    SettingDefinition setting;
    std::optional<PreferenceValue> stored;  // written at the setting's key path first
    std::optional<PreferenceValue> reads;
  } cases[] = {
      {makeSetting("first", "com.example.plain", {"First"}, T::boolean), PreferenceValue::boolean(true),
       PreferenceValue::boolean(true)},
      {makeSetting("second", "com.example.plain", {"Second"}, T::string), PreferenceValue::string("two"),
       PreferenceValue::string("two")},
      {makeSetting("nested", "com.example.plain", {"Outer", "Inner"}, T::integer), PreferenceValue::integer(7),
       PreferenceValue::integer(7)},
      {makeSetting("byhost", "com.example.plain", {"First"}, T::integer, true), PreferenceValue::integer(3),
       PreferenceValue::integer(3)},
      {makeSetting("container", "com.example.sandboxed", {"Name"}, T::string), PreferenceValue::string("boxed"),
       PreferenceValue::string("boxed")},
      {makeSetting("global", "NSGlobalDomain", {"AppleScale"}, T::real), PreferenceValue::real(1.5),
       PreferenceValue::real(1.5)},
      {makeSetting("nofile", "com.example.nofile", {"Flag"}, T::boolean), std::nullopt, std::nullopt},
      {makeSetting("unset", "com.example.plain", {"Outer", "Missing"}, T::integer), std::nullopt, std::nullopt},
      {makeSetting("widened", "com.example.plain", {"Size"}, T::real), PreferenceValue::integer(48),
       PreferenceValue::real(48)},
      {makeSetting("empty", "com.example.plain", {}, T::boolean), std::nullopt, std::nullopt},
  };
  std::vector<const SettingDefinition*> settings;
  for (const auto& c : cases) {
    const auto& ref = c.setting.ref;
    if (c.stored) service.writer().write(*c.stored, ref.path, service.resolver().resolve(ref.domain, ref.byHost));
    settings.push_back(&c.setting);
  }
  const auto values = service.currentValues(settings);
  ASSERT_EQ(values.size(), settings.size());
  for (std::size_t i = 0; i < settings.size(); ++i) {
    SCOPED_TRACE(settings[i]->id);
    EXPECT_EQ(values[i], cases[i].reads);
    EXPECT_EQ(values[i], service.currentValue(*settings[i]));
  }
}

// A store without a batch read of its own is read key by key; a practice run still sees its writes.
TEST(SettingsServiceBatchRead, AStoreWithoutItsOwnBatchReadIsReadKeyByKey) {
  struct CountingStore : PreferenceStore {
    mutable int reads = 0;
    std::optional<PreferenceValue> read(const std::string& key, const ResolvedDomain&) const override {
      ++reads;
      return PreferenceValue::string(key);
    }
    void write(const std::optional<PreferenceValue>&, const std::string&, const ResolvedDomain&) override {}
  };
  auto counting = std::make_shared<CountingStore>();
  auto practice = std::make_shared<DryRunStore>(counting);
  practice->write(PreferenceValue::string("pending"), "b", ResolvedDomain{"com.example.d"});
  const SettingsService service(DomainResolver{th::home(), nullptr}, practice, true);
  const auto a = makeSetting("a", "com.example.d", {"a"}, SettingValueType::string);
  const auto b = makeSetting("b", "com.example.d", {"b"}, SettingValueType::string);
  const auto c = makeSetting("c", "com.example.d", {"c"}, SettingValueType::string);
  EXPECT_EQ(service.currentValues({&a, &b, &c}),
            (std::vector<std::optional<PreferenceValue>>{PreferenceValue::string("a"), PreferenceValue::string("pending"),
                                                         PreferenceValue::string("c")}));
  EXPECT_EQ(counting->reads, 2);
}

TEST_F(SettingsServiceTest, AnEmptyKeyPathReadsAsNoneAndCannotBeReset) {
  const auto setting = makeSetting("empty", "com.example.plain", {}, SettingValueType::boolean);
  EXPECT_EQ(service.currentValue(setting), std::nullopt);
  try {
    service.reset(setting);
    FAIL();
  } catch (const PreferenceWriteError& error) {
    EXPECT_STREQ(error.what(), "emptyPath");
  }
}

TEST_F(SettingsServiceTest, NightShiftIsSwitchedAndConfirmedByASecondRun) {
  const auto setting = makeSetting("nightshift", "com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"},
                                   SettingValueType::boolean, false, SettingChannel::nightShift);
  service.apply(PreferenceValue::boolean(true), setting);
  EXPECT_EQ(service.currentValue(setting), PreferenceValue::boolean(true));
  EXPECT_EQ(service.externallyVisibleValue(setting, outside), PreferenceValue::boolean(true));
  service.reset(setting);
  EXPECT_EQ(service.externallyVisibleValue(setting, outside), PreferenceValue::boolean(false));

  const auto wrongPath = makeSetting("ns2", "x", {"enabledNot"}, SettingValueType::boolean, false, SettingChannel::nightShift);
  EXPECT_EQ(service.currentValue(wrongPath), std::nullopt);
  EXPECT_THROW(service.apply(PreferenceValue::boolean(true), wrongPath), SettingsServiceError);
}

TEST_F(SettingsServiceTest, NightShiftUnavailableOrDryRun) {
  const auto setting = makeSetting("nightshift", "com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"},
                                   SettingValueType::boolean, false, SettingChannel::nightShift);
  SettingsService dryRun(DomainResolver::live(), store, true);
  EXPECT_EQ(dryRun.apply(PreferenceValue::boolean(true), setting), setting.restartsApps);
  EXPECT_EQ(service.currentValue(setting), PreferenceValue::boolean(false));  // untouched

  ::setenv("AMBERLOOM_NIGHT_SHIFT", "unavailable", 1);
  try {
    service.apply(PreferenceValue::boolean(true), setting);
    FAIL();
  } catch (const SettingsServiceError& error) {
    EXPECT_STREQ(error.what(), "channelUnavailable(settingID: \"nightshift\")");
  }
  EXPECT_EQ(service.externallyVisibleValue(setting, outside), std::nullopt);
  EXPECT_FALSE(setting.isUsableOnThisMac());
}

TEST(SwitchLikeSettings, ToggleValuesAndOnState) {
  auto flag = makeSetting("f", "d", {"k"}, SettingValueType::boolean);
  auto number = makeSetting("n", "d", {"k"}, SettingValueType::integer);
  auto text = makeSetting("t", "d", {"k"}, SettingValueType::string);
  EXPECT_EQ(toggleValue(flag, true), PreferenceValue::boolean(true));
  EXPECT_EQ(toggleValue(number, true), PreferenceValue::integer(1));
  EXPECT_EQ(toggleValue(number, false), PreferenceValue::integer(0));
  EXPECT_EQ(toggleValue(text, true), std::nullopt);
  EXPECT_TRUE(isOn(PreferenceValue::integer(2)));
  EXPECT_FALSE(isOn(PreferenceValue::string("1")));
  EXPECT_FALSE(isOn(std::nullopt));
}
