#include <gtest/gtest.h>

#include <cmath>

#include <bit>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "Preferences/CFPreferenceStore.hpp"
#include "Preferences/DomainResolver.hpp"
#include "Changes/ShellCommand.hpp"
#include "TestHome.hpp"

namespace amberloom {
namespace {

SettingDefinition setting(std::string id, std::string domain, std::vector<std::string> path, std::string label = "A setting",
                          bool byHost = false, std::vector<std::string> restartsApps = {}) {
  SettingDefinition definition;
  definition.id = std::move(id);
  definition.ref = SettingRef{std::move(domain), std::move(path), byHost};
  definition.label = std::move(label);
  definition.restartsApps = std::move(restartsApps);
  return definition;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    out.push_back(text.substr(start, end - start));
  return out;
}

// 2024-03-05T14:07:09Z, plus a fraction the header must drop.
constexpr double kGeneratedOn = 731340429.75;

TEST(ShellCommand, QuotingKeepsSafeWordsBareAndSingleQuotesEverythingElse) {
  struct Case {
    std::string word;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"com.apple.dock", "com.apple.dock"},
      {"NSGlobalDomain", "NSGlobalDomain"},
      {"a/b_c-d.e9", "a/b_c-d.e9"},
      {"Größe日本語", "Größe日本語"},
      {"Cafe\u0301", "Cafe\u0301"},          // a combining mark
      {"\u0663\u216B", "\u0663\u216B"},      // Arabic-Indic three, Roman numeral twelve
      {"", "''"},
      {"-bool", "'-bool'"},
      {"-", "'-'"},
      {"a b", "'a b'"},
      {"it's", "'it'\\''s'"},
      {"'", "''\\'''"},
      {"say \"hi\"", "'say \"hi\"'"},
      {"$HOME", "'$HOME'"},
      {"$(touch ~/pwned)", "'$(touch ~/pwned)'"},
      {"`id`", "'`id`'"},
      {"~", "'~'"},
      {"back\\slash", "'back\\slash'"},
      {"two\nlines", "'two\nlines'"},
      {"*.plist", "'*.plist'"},
      {"a;b", "'a;b'"},
      {"\u20AC", "'\u20AC'"},                // a currency sign is not a letter
      {"no\u00A0break", "'no\u00A0break'"},  // nor is a no-break space
      {"\xff\xfe", "'\xff\xfe'"},            // not UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(ShellCommand::quoted(c.word), c.expected) << c.word;
}

TEST(ShellCommand, DecimalWritesShortFixedTextWithoutRoundingAwayDigits) {
  struct Case {
    double value;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {1.5, "1.5"},
      {2.0, "2"},
      {3.0, "3"},
      {0.125, "0.125"},
      {0.1, "0.1"},
      {-0.5, "-0.5"},
      {0.0, "0"},
      {0.1234567, "0.1234567"},
      {1e-7, "0.0000001"},
      {0.1 + 0.2, "0.30000000000000004"},
      {1e20, "100000000000000000000"},
      {123456789.125, "123456789.125"},
      {-2.5e-10, "-0.00000000025"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShellCommand::decimal(c.value), c.expected) << c.expected;
}

TEST(ShellCommand, DecimalReadsBackAsTheSameDoubleForExtremeValues) {
  const std::vector<double> values = {1.0 / 3.0,
                                      3.141592653589793,
                                      1e-300,
                                      -1e300,
                                      std::numeric_limits<double>::max(),
                                      std::numeric_limits<double>::denorm_min(),
                                      -0.0};
  for (double value : values) {
    const std::string text = ShellCommand::decimal(value);
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    double back = 1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_EQ(ec, std::errc()) << text;
    EXPECT_EQ(end, text.data() + text.size()) << text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(value)) << text;
  }
}

TEST(ShellCommand, WriteCommandFollowsTheValueKindAndTheSettingsScope) {
  struct Case {
    SettingDefinition setting;
    PreferenceValue value;
    std::string expected;
  };
  const auto dock = setting("dock.autohide", "com.apple.dock", {"autohide"});
  auto intSetting = setting("dock.tilesize", "com.apple.dock", {"tilesize"});
  intSetting.type = SettingValueType::integer;
  const std::vector<Case> cases = {
      {dock, PreferenceValue::boolean(true), "defaults write com.apple.dock autohide -bool true"},
      {dock, PreferenceValue::boolean(false), "defaults write com.apple.dock autohide -bool false"},
      {intSetting, PreferenceValue::integer(-42), "defaults write com.apple.dock tilesize -int -42"},
      {intSetting, PreferenceValue::boolean(true), "defaults write com.apple.dock tilesize -bool true"},
      {dock, PreferenceValue::real(3), "defaults write com.apple.dock autohide -float 3"},
      {dock, PreferenceValue::real(0.1), "defaults write com.apple.dock autohide -float 0.1"},
      {dock, PreferenceValue::string(""), "defaults write com.apple.dock autohide -string ''"},
      {dock, PreferenceValue::string("it's"), "defaults write com.apple.dock autohide -string 'it'\\''s'"},
      {setting("g", "NSGlobalDomain", {"AppleShowAllExtensions"}), PreferenceValue::boolean(true),
       "defaults write NSGlobalDomain AppleShowAllExtensions -bool true"},
      {setting("h", "com.apple.screensaver", {"idleTime"}, "Idle", true), PreferenceValue::integer(0),
       "defaults -currentHost write com.apple.screensaver idleTime -int 0"},
      {setting("q", "my domain", {"-key"}), PreferenceValue::string("x"), "defaults write 'my domain' '-key' -string x"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShellCommand::write(c.setting, c.value), c.expected) << c.expected;
}

TEST(ShellCommand, SandboxedAppIsWrittenUnderItsPlainDomainNotThisMacsContainerPath) {
  testing::makeContainer("com.apple.Safari");
  const auto safari = setting("safari.dev", "com.apple.Safari", {"IncludeDevelopMenu"});
  EXPECT_EQ(ShellCommand::write(safari, PreferenceValue::boolean(true)),
            "defaults write com.apple.Safari IncludeDevelopMenu -bool true");
  EXPECT_EQ(ShellCommand::deleteCommand(safari), "defaults delete com.apple.Safari IncludeDevelopMenu");
}

TEST(ShellCommand, DeleteCommandNamesScopeDomainAndKey) {
  EXPECT_EQ(ShellCommand::deleteCommand(setting("a", "com.apple.dock", {"autohide"})),
            "defaults delete com.apple.dock autohide");
  EXPECT_EQ(ShellCommand::deleteCommand(setting("b", "com.apple.screensaver", {"idleTime"}, "Idle", true)),
            "defaults -currentHost delete com.apple.screensaver idleTime");
  EXPECT_EQ(ShellCommand::deleteCommand(setting("c", "NSGlobalDomain", {"Key with 'quote'"})),
            "defaults delete NSGlobalDomain 'Key with '\\''quote'\\'''");
}

TEST(ShellCommand, SettingsWithoutAOneLineFormGiveNoCommand) {
  auto nightShift = setting("nightshift", "com.apple.CoreBrightness", {"BlueReductionEnabled"});
  nightShift.channel = SettingChannel::nightShift;
  const auto nested = setting("nested", "com.apple.finder", {"Outer", "Inner"});
  const auto noPath = setting("nopath", "com.apple.finder", {});
  const auto plain = setting("plain", "com.apple.finder", {"Key"});

  for (const SettingDefinition* definition : std::vector<const SettingDefinition*>{&nightShift, &nested, &noPath}) {
    EXPECT_EQ(ShellCommand::write(*definition, PreferenceValue::boolean(true)), std::nullopt) << definition->id;
    EXPECT_EQ(ShellCommand::deleteCommand(*definition), std::nullopt) << definition->id;
  }
  const std::vector<PreferenceValue> noOneLineForm = {
      PreferenceValue::data({1, 2}), PreferenceValue::date(0),
      PreferenceValue::dictionary({{"a", PreferenceValue::integer(1)}}),
      PreferenceValue::array({PreferenceValue::integer(1)}),
      PreferenceValue::string(std::string("cut\0off", 7)),  // no argument can carry a NUL
      PreferenceValue::string(std::string(128 * 1024, 'x')),  // longer than one argument can be
  };
  for (const auto& value : noOneLineForm)
    EXPECT_FALSE(ShellCommand::write(plain, value).has_value()) << PreferenceValue::kindName(value.kind());
}

TEST(ShellCommand, RestartLinesKeepOrderAndRepeatsAndNeverStopTheScript) {
  const auto definition = setting("s", "com.apple.dock", {"k"}, "L", false, {"Dock", "System Settings", "Dock"});
  EXPECT_EQ(ShellCommand::restarts(definition),
            (std::vector<std::string>{"killall Dock || true", "killall 'System Settings' || true",
                                      "killall Dock || true"}));
  EXPECT_TRUE(ShellCommand::restarts(setting("n", "com.apple.dock", {"k"})).empty());
}

TEST(ShellCommand, ScriptWithoutItemsIsTheHeaderAlone) {
  EXPECT_EQ(ShellCommand::script({}, kGeneratedOn),
            "#!/usr/bin/env bash\n"
            "# Written by AmberLoom on 2024-03-05T14:07:09Z.\n"
            "# Every line below is a setting you chose. Run it on a new Mac to get them back.\n"
            "set -e\n"
            "\n");
}

TEST(ShellCommand, ScriptSortsSettingsByIdMergesRestartsAndListsWhatItCouldNotWrite) {
  const auto finder = setting("finder.path", "com.apple.finder", {"ShowPathbar"}, "Show path bar", false,
                              {"Finder"});
  const auto dock = setting("dock.size", "com.apple.dock", {"tilesize"}, "Icon size", false, {"Dock", "Finder"});
  const auto nested = setting("finder.nested", "com.apple.finder", {"A", "B"}, "Nested", false, {"Nested App"});
  const auto screen = setting("screen.idle", "com.apple.screensaver", {"idleTime"}, "Idle time", true);
  const auto dict = setting("app.dict", "com.example.app", {"Map"}, "Map");

  const std::string script = ShellCommand::script(
      {{finder, PreferenceValue::boolean(true)},
       {nested, PreferenceValue::boolean(true)},
       {screen, PreferenceValue::integer(300)},
       {dock, PreferenceValue::real(0.1234567)},
       {dict, PreferenceValue::dictionary({})},
       {setting("real.nan", "com.example.app", {"N"}), PreferenceValue::real(std::nan(""))},
       {setting("real.inf", "com.example.app", {"I"}), PreferenceValue::real(-HUGE_VAL)}},
      kGeneratedOn);

  EXPECT_EQ(script,
            "#!/usr/bin/env bash\n"
            "# Written by AmberLoom on 2024-03-05T14:07:09Z.\n"
            "# Every line below is a setting you chose. Run it on a new Mac to get them back.\n"
            "set -e\n"
            "\n"
            "# Icon size\n"
            "defaults write com.apple.dock tilesize -float 0.1234567\n"
            "# Show path bar\n"
            "defaults write com.apple.finder ShowPathbar -bool true\n"
            "# Idle time\n"
            "defaults -currentHost write com.apple.screensaver idleTime -int 300\n"
            "\n"
            "# Restart the apps that need it for the changes to show.\n"
            "killall Dock || true\n"
            "killall Finder || true\n"
            "\n"
            "# These could not be written as one-line commands:\n"
            "#   app.dict\n"
            "#   finder.nested\n"
            "#   real.inf\n"
            "#   real.nan\n");
}

TEST(ShellCommand, ScriptOrdersByCanonicalFormAndKeepsInputOrderForEqualIds) {
  // A decomposed "é" starts with the byte of "e" but sorts as the composed letter, after "f".
  const std::string decomposed = "e\u0301";
  const std::string composed = "\u00E9";
  const std::string script = ShellCommand::script(
      {{setting(decomposed, "com.example.a", {"K"}, "first é", false, {"Caf" + composed}), PreferenceValue::integer(1)},
       {setting("f", "com.example.b", {"K"}, "f", false, {"Caf" + decomposed}), PreferenceValue::integer(2)},
       {setting(composed, "com.example.c", {"K"}, "second é"), PreferenceValue::integer(3)}},
      kGeneratedOn);
  const auto all = lines(script);
  const std::vector<std::string> body(all.begin() + 5, all.end());
  EXPECT_EQ(body, (std::vector<std::string>{"# f", "defaults write com.example.b K -int 2", "# first é",
                                            "defaults write com.example.a K -int 1", "# second é",
                                            "defaults write com.example.c K -int 3", "",
                                            "# Restart the apps that need it for the changes to show.",
                                            "killall Caf" + decomposed + " || true"}));
}

TEST(ShellCommand, LabelsAndIdsCannotBreakOutOfTheirCommentLines) {
  const auto injected = setting("a.injected", "com.example.app", {"K"}, "Harmless\ntouch ~/pwned");
  const auto others = setting("b.others", "com.example.app", {"L"}, "tab\tcr\rnel\u0085ls\u2028end");
  const auto unwritable = setting("c.nested\nrm -rf ~", "com.example.app", {"A", "B"});
  const std::string script = ShellCommand::script({{injected, PreferenceValue::boolean(true)},
                                                   {others, PreferenceValue::boolean(true)},
                                                   {unwritable, PreferenceValue::boolean(true)}},
                                                  kGeneratedOn);
  const auto all = lines(script);
  EXPECT_NE(std::find(all.begin(), all.end(), "# Harmless touch ~/pwned"), all.end()) << script;
  EXPECT_NE(std::find(all.begin(), all.end(), "# tab cr nel ls end"), all.end()) << script;
  EXPECT_NE(std::find(all.begin(), all.end(), "#   c.nested rm -rf ~"), all.end()) << script;
  for (const auto& line : all) {
    if (line.empty()) continue;
    EXPECT_TRUE(line.starts_with("#") || line.starts_with("defaults ") || line == "set -e") << line;
  }
}

// Runs an exported script with bash against this test's home, with our `defaults` and a recording
// `killall` first on the PATH, then reads every value back as the application would.
TEST(ShellCommand, ExportedScriptRestoresEveryValueExactlyAndRunsNothingElse) {
  namespace fs = std::filesystem;
  const std::string home = testing::home();
  const std::string bin = home + "/bin";
  fs::create_directories(bin);
  fs::create_symlink(testing::defaultsPath(), bin + "/defaults");
  testing::writeExecutable(bin + "/killall", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"$HOME/killed\"\n");

  const std::string hostile = "it's \"quoted\" $HOME `touch ~/pwned` $(touch ~/pwned) \\ !x";
  const std::string domain = "com.example.export";
  struct Entry {
    SettingDefinition setting;
    PreferenceValue value;
  };
  const std::vector<Entry> written = {
      {setting("bool.true", domain, {"BoolTrue"}, "On\ntouch ~/pwned", false, {"Dock"}), PreferenceValue::boolean(true)},
      {setting("bool.false", domain, {"BoolFalse"}, "$(touch ~/pwned) `touch ~/pwned`"), PreferenceValue::boolean(false)},
      {setting("int.min", domain, {"IntMin"}, "'unbalanced"), PreferenceValue::integer(std::numeric_limits<std::int64_t>::min())},
      {setting("int.max", domain, {"IntMax"}, "\"", false, {"System Settings"}),
       PreferenceValue::integer(std::numeric_limits<std::int64_t>::max())},
      {setting("real.digits", domain, {"RealDigits"}), PreferenceValue::real(0.1234567)},
      {setting("real.tiny", domain, {"RealTiny"}), PreferenceValue::real(1e-7)},
      {setting("real.sum", domain, {"RealSum"}), PreferenceValue::real(0.1 + 0.2)},
      {setting("real.huge", domain, {"RealHuge"}), PreferenceValue::real(-1.2345e300)},
      {setting("real.third", domain, {"RealThird"}, "Third", false, {"Dock"}), PreferenceValue::real(1.0 / 3.0)},
      {setting("real.negzero", domain, {"RealNegZero"}), PreferenceValue::real(-0.0)},
      {setting("string.hostile", domain, {"Hostile"}, hostile), PreferenceValue::string(hostile)},
      {setting("string.lines", domain, {"Lines"}), PreferenceValue::string("one\ntouch ~/pwned\r\n\ttab\n")},
      {setting("string.empty", domain, {"Empty"}), PreferenceValue::string("")},
      {setting("string.dash", domain, {"Dash"}), PreferenceValue::string("-bool")},
      {setting("string.unicode", domain, {"Unicode"}), PreferenceValue::string("Grüße 日本 Cafe\u0301")},
      {setting("string.longest", domain, {"Longest"}), PreferenceValue::string(std::string(128 * 1024 - 1, 'x'))},
      {setting("key.hostile", domain, {"key with 'quote' and $HOME"}), PreferenceValue::string("'")},
      {setting("global.int", "NSGlobalDomain", {"AmberloomExportTest"}), PreferenceValue::integer(7)},
      {setting("host.real", domain, {"HostReal"}, "By host", true), PreferenceValue::real(2.5)},
  };
  auto nightShift = setting("night.shift", "com.apple.CoreBrightness", {"BlueReductionEnabled"}, "Night Shift");
  nightShift.channel = SettingChannel::nightShift;
  std::vector<ShellCommand::Item> items;
  for (const auto& entry : written) items.push_back({entry.setting, entry.value});
  items.push_back({setting("nested", domain, {"Outer", "Inner"}, "Nested\ntouch ~/pwned"), PreferenceValue::integer(1)});
  items.push_back({setting("dict", domain, {"Dict"}), PreferenceValue::dictionary({{"a", PreferenceValue::integer(1)}})});
  items.push_back({nightShift, PreferenceValue::boolean(true)});
  // Too long for one argument: listed, and the settings after it are still written.
  items.push_back({setting("a.too.long", domain, {"TooLong"}), PreferenceValue::string(std::string(128 * 1024, 'x'))});

  const std::string scriptPath = home + "/amberloom-settings.sh";
  testing::writeFile(scriptPath, ShellCommand::script(items, kGeneratedOn));
  const auto run = platform::runProcess("/usr/bin/env", {"PATH=" + bin + ":/usr/bin:/bin", "bash", scriptPath});
  ASSERT_TRUE(run);
  ASSERT_EQ(run->exitStatus, 0) << run->standardError;
  EXPECT_EQ(run->standardError, "");

  const CFPreferenceStore store;
  const DomainResolver resolver = DomainResolver::live();
  for (const auto& entry : written) {
    const auto& ref = entry.setting.ref;
    const auto back = store.read(ref.path[0], resolver.resolve(ref.domain, ref.byHost));
    ASSERT_TRUE(back) << entry.setting.id;
    ASSERT_EQ(back->kind(), entry.value.kind()) << entry.setting.id;
    switch (entry.value.kind()) {
      case PreferenceValue::Kind::real:
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back->asDouble()), std::bit_cast<std::uint64_t>(entry.value.asDouble()))
            << entry.setting.id << " read back " << back->asDouble();
        break;
      case PreferenceValue::Kind::string:
        EXPECT_EQ(back->asString(), entry.value.asString()) << entry.setting.id;  // byte for byte
        break;
      default:
        EXPECT_EQ(*back, entry.value) << entry.setting.id;
    }
  }
  EXPECT_FALSE(store.read("Outer", resolver.resolve(domain, false)));
  EXPECT_FALSE(store.read("Dict", resolver.resolve(domain, false)));
  EXPECT_FALSE(store.read("TooLong", resolver.resolve(domain, false)));
  // Sorted as lines: the quoted name comes first.
  EXPECT_EQ(testing::readFile(home + "/killed"), "System Settings\nDock\n");
  EXPECT_FALSE(testing::fileExists(home + "/pwned"));
}

}  // namespace
}  // namespace amberloom
