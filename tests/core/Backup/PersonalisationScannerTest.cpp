// The first-run scan: which settings count as customised and deliberate, the groups they fall in,
// and the route the wizard takes.

#include <gtest/gtest.h>

#include "Backup/PersonalisationScanner.hpp"
#include "LivePreferences.hpp"

using namespace amberloom;

namespace {

SettingDefinition setting(std::string id, std::string domain, bool systemWritten) {
  auto definition = amberloom::testing::makeSetting(std::move(id), SettingRef{std::move(domain), {"flag"}, false});
  definition.systemWritten = systemWritten;
  return definition;
}

}  // namespace

TEST(PersonalisationScanner, CountsDeliberateChangesGroupsThemAndPicksTheRoute) {
  auto future = setting("future.only", "com.example.future", false);
  future.availability.osMin = Version({99});
  const SettingsCatalog catalog(1, 1,
                                {setting("dock.autohide", "com.example.autohide", false),
                                 setting("dock.tile", "com.example.tile", false),
                                 setting("plain", "com.example.plain", true),
                                 setting(".hidden", "com.example.hidden", true), future});
  const amberloom::testing::LivePreferences live;

  struct Case {
    std::vector<std::string> setDomains;
    FoundBackups backups;
    std::vector<std::string> customised, deliberate;
    std::map<std::string, int> groups;
    FirstRunRoute route;
  };
  const FoundBackups none, others{false, true}, own{true, false};
  const std::vector<Case> cases{
      {{"com.example.tile", "com.example.plain", "com.example.future"}, none, {"dock.tile", "plain"}, {"dock.tile"},
       {{"dock", 1}, {"plain", 1}}, FirstRunRoute::discover},
      {{"com.example.plain", "com.example.hidden"}, others, {"plain", ".hidden"}, {}, {{"plain", 1}, {"", 1}},
       FirstRunRoute::restore},
      {{"com.example.autohide", "com.example.tile"}, none, {"dock.autohide", "dock.tile"},
       {"dock.autohide", "dock.tile"}, {{"dock", 2}}, FirstRunRoute::backUpWhatYouHave},
      {{"com.example.autohide", "com.example.tile", "com.example.hidden"}, others,
       {"dock.autohide", "dock.tile", ".hidden"}, {"dock.autohide", "dock.tile"}, {{"dock", 2}, {"", 1}},
       FirstRunRoute::compare},
      // This Mac's own backup is no second set of settings, but an erased Mac is offered it back.
      {{"com.example.autohide", "com.example.tile"}, own, {"dock.autohide", "dock.tile"},
       {"dock.autohide", "dock.tile"}, {{"dock", 2}}, FirstRunRoute::backUpWhatYouHave},
      {{}, own, {}, {}, {}, FirstRunRoute::restore},
      {{"com.example.autohide", "com.example.tile"}, {true, true}, {"dock.autohide", "dock.tile"},
       {"dock.autohide", "dock.tile"}, {{"dock", 2}}, FirstRunRoute::compare},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    for (const auto& definition : catalog.settings()) {
      const bool set = std::find(c.setDomains.begin(), c.setDomains.end(), definition.ref.domain) != c.setDomains.end();
      // A value equal to the system default still counts as set.
      live.put(definition.ref.domain, "flag", set ? std::optional(PreferenceValue::boolean(false)) : std::nullopt);
    }
    int asked = 0;
    const PersonalisationScanner scanner(catalog, SettingsService(live.resolver, live.store), [&] { ++asked; return c.backups; });
    const auto scan = scanner.scan(Version({14, 5}), Version({1, 0}));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(scan.scannedCount, 4u);
    EXPECT_EQ(scan.customisedIDs, c.customised);
    EXPECT_EQ(scan.deliberateIDs, c.deliberate);
    EXPECT_EQ(scan.customisedByGroup, c.groups);
    EXPECT_EQ(scan.hasBackup, c.backups.any());
    EXPECT_EQ(scan.hasOtherMacsBackup, c.backups.ofOtherMacs);
    EXPECT_EQ(scan.route(), c.route);
  }
}

TEST(PersonalisationScanner, NightShiftCountsAsAChangeOnlyWhileOn) {
  // Its channel always reads on or off; off is how macOS comes.
  auto night = amberloom::testing::makeSetting(
      "displays.nightShift", SettingRef{"com.apple.CoreBrightness", {"CBBlueReductionStatus", "enabled"}, false});
  night.channel = SettingChannel::nightShift;
  const SettingsCatalog catalog(1, 1, {night, setting("dock.tile", "com.example.onlyone", false)});
  const amberloom::testing::LivePreferences live;
  live.put("com.example.onlyone", "flag", PreferenceValue::boolean(true));
  for (const bool on : {false, true}) {
    live.put("com.apple.CoreBrightness", "BlueReductionEnabled", PreferenceValue::boolean(on));
    const PersonalisationScanner scanner(catalog, SettingsService(live.resolver, live.store),
                                         [] { return FoundBackups{false, true}; });
    const auto scan = scanner.scan(Version({14, 5}), Version({1, 0}));
    EXPECT_EQ(scan.deliberateCount(), on ? 2u : 1u) << on;
    EXPECT_EQ(scan.route(), on ? FirstRunRoute::compare : FirstRunRoute::restore) << on;
  }
}
