// The built-in catalogue loads and keeps its breadth, so that content cannot shrink unnoticed.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Catalog/SettingGroup.hpp"
#include "Catalog/SettingsCatalog.hpp"
#include "Catalog/SidebarSection.hpp"

using namespace amberloom;

namespace {

class BundledCatalog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { catalog_ = new SettingsCatalog(SettingsCatalog::bundled()); }
  static void TearDownTestSuite() {
    delete catalog_;
    catalog_ = nullptr;
  }
  static const std::vector<SettingDefinition>& settings() { return catalog_->settings(); }
  static std::size_t countWhere(bool (*test)(const SettingDefinition&)) {
    return static_cast<std::size_t>(std::count_if(settings().begin(), settings().end(), test));
  }
  // The setting stored at `domain` and `path` ("/" between nested keys); null when there is none.
  static const SettingDefinition* at(const std::string& domain, const std::string& path) {
    for (const auto& setting : settings()) {
      std::string joined;
      for (const auto& key : setting.ref.path) joined += (joined.empty() ? "" : "/") + key;
      if (setting.ref.domain == domain && joined == path && !setting.ref.byHost) return &setting;
    }
    return nullptr;
  }
  static SettingsCatalog* catalog_;
};
SettingsCatalog* BundledCatalog::catalog_ = nullptr;

TEST_F(BundledCatalog, LoadsWithAtLeast370UniqueSettings) {
  EXPECT_GE(settings().size(), 370u);
  std::set<std::string> ids;
  for (const auto& setting : settings()) EXPECT_TRUE(ids.insert(setting.id).second) << setting.id;
  EXPECT_EQ(catalog_->schemaVersion(), SettingsCatalog::supportedSchemaVersion);
}

TEST_F(BundledCatalog, FillsEveryPlannedSidebarCategoryAndFiveAppGroups) {
  const auto groups = SettingGroup::build(settings());
  std::set<std::string> groupIDs;
  for (const auto& group : groups) groupIDs.insert(group.id);
  for (const char* category : {"general", "appearance", "accessibility", "menubar", "spotlight", "privacy_security",
                               "dock", "desktop", "windows", "mission_control", "displays", "keyboard", "mouse",
                               "trackpad", "finder", "screenshots"})
    EXPECT_TRUE(groupIDs.contains(category)) << category;

  const auto sections = SidebarSection::build(groups);
  const auto apps = std::find_if(sections.begin(), sections.end(), [](const auto& s) { return s.id == "apps"; });
  ASSERT_NE(apps, sections.end());
  EXPECT_GE(apps->groups.size(), 5u);
}

TEST_F(BundledCatalog, UsesEveryControlKindAndValueType) {
  std::set<SettingControl::Kind> kinds;
  std::set<SettingValueType> types;
  for (const auto& setting : settings()) {
    kinds.insert(setting.control.kind());
    types.insert(setting.type);
  }
  for (auto kind : {SettingControl::Kind::choice, SettingControl::Kind::slider, SettingControl::Kind::toggle,
                    SettingControl::Kind::text, SettingControl::Kind::color, SettingControl::Kind::folder,
                    SettingControl::Kind::unsupported})
    EXPECT_TRUE(kinds.contains(kind)) << SettingControl::kindName(kind);
  for (auto type : {SettingValueType::boolean, SettingValueType::integer, SettingValueType::real,
                    SettingValueType::string, SettingValueType::dictionary, SettingValueType::array})
    EXPECT_TRUE(types.contains(type)) << rawValue(type);
}

TEST_F(BundledCatalog, CoversEveryKindOfPlaceAValueLives) {
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.ref.byHost; }), 1u) << "by-host";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.ref.domain == "NSGlobalDomain"; }), 1u) << "global";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.ref.path.size() > 1; }), 1u) << "nested path";
  EXPECT_GE(countWhere([](const SettingDefinition& s) {
              const std::set<std::string> sandboxed = {"com.apple.TextEdit", "com.apple.Preview", "com.apple.Safari",
                                                       "com.apple.QuickTimePlayerX", "com.apple.mail", "com.apple.iCal"};
              return sandboxed.contains(s.ref.domain);
            }),
            1u)
      << "sandboxed app";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return !s.restartsApps.empty(); }), 1u) << "restart list";
}

TEST_F(BundledCatalog, UsesEveryAvailabilityBoundAndFlag) {
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.availability.osMin.has_value(); }), 1u) << "osMin";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.availability.osMax.has_value(); }), 1u) << "osMax";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return !s.availability.brokenOn.empty(); }), 1u) << "brokenOn";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.effectUnverified; }), 1u) << "effectUnverified";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.systemWritten; }), 1u) << "systemWritten";
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.tier == SettingTier::editable; }), 1u);
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.tier == SettingTier::syncOnly; }), 1u);
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.risk == SettingRisk::none; }), 1u);
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.risk == SettingRisk::weakensSecurity; }), 1u);
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.exposure == SettingExposure::hidden; }), 1u);
  EXPECT_GE(countWhere([](const SettingDefinition& s) { return s.exposure == SettingExposure::alsoInSystemSettings; }), 1u);
}

TEST_F(BundledCatalog, RiskyAndHiddenSettingsExplainThemselves) {
  for (const auto& setting : settings()) {
    if (setting.risk == SettingRisk::weakensSecurity) {
      ASSERT_TRUE(setting.text.has_value()) << setting.id;
      EXPECT_FALSE(setting.text->riskNote.value_or("").empty()) << setting.id << " has no risk note";
    }
    if (setting.exposure == SettingExposure::hidden && setting.text) {
      EXPECT_FALSE(setting.text->whyHidden.empty()) << setting.id << " does not say why it is hidden";
    }
  }
}

// Where setup scripts commonly write, the catalogue must carry the setting with the type macOS
// itself stores and the process that has to restart before it shows. The clock settings restart
// Control Center, which has drawn the menu bar clock since macOS 11; the global web-view spelling
// switch stays in the global domain, where every app's web views look for it, beside Safari's own.
TEST_F(BundledCatalog, CarriesCommonlyScriptedSettingsWithTheirTypesAndRestarts) {
  using T = SettingValueType;
  const std::string trackpad = "com.apple.AppleMultitouchTrackpad";
  const std::string magicTrackpad = "com.apple.driver.AppleBluetoothMultitouch.trackpad";
  struct Case {
    std::string domain;
    std::string path;
    SettingValueType type;
    std::vector<std::string> restart;
  };
  const std::vector<Case> cases{
      {"com.apple.dock", "tilesize", T::real, {"Dock"}},
      {"com.apple.dock", "largesize", T::real, {"Dock"}},
      {"com.apple.spaces", "spans-displays", T::boolean, {"SystemUIServer"}},
      {"NSGlobalDomain", "AppleSpacesSwitchOnActivate", T::boolean, {"Dock"}},
      {"NSGlobalDomain", "NSTableViewDefaultSizeMode", T::integer, {"Finder"}},
      {"NSGlobalDomain", "NSToolbarTitleViewRolloverDelay", T::real, {"Finder"}},
      {"com.apple.universalaccess", "showWindowTitlebarIcons", T::boolean, {"Finder"}},
      {"com.apple.universalaccess", "HIDScrollZoomModifierMask", T::integer, {}},
      {"NSGlobalDomain", "WebAutomaticSpellingCorrectionEnabled", T::boolean, {}},
      {"NSGlobalDomain", "com.apple.mouse.linear", T::boolean, {}},
      {"com.apple.menuextra.clock", "FlashDateSeparators", T::boolean, {"ControlCenter"}},
      {"com.apple.menuextra.clock", "Show24Hour", T::boolean, {"ControlCenter"}},
      {"com.apple.menuextra.clock", "ShowDayOfMonth", T::boolean, {"ControlCenter"}},
      {trackpad, "TrackpadRightClick", T::boolean, {}},
      {magicTrackpad, "TrackpadRightClick", T::boolean, {}},
      {trackpad, "TrackpadCornerSecondaryClick", T::integer, {}},
      {magicTrackpad, "TrackpadCornerSecondaryClick", T::integer, {}},
      {trackpad, "Dragging", T::boolean, {}},
      {magicTrackpad, "Dragging", T::boolean, {}},
      {trackpad, "DragLock", T::boolean, {}},
      {magicTrackpad, "DragLock", T::boolean, {}},
      {trackpad, "TrackpadThreeFingerHorizSwipeGesture", T::integer, {}},
      {trackpad, "TrackpadThreeFingerVertSwipeGesture", T::integer, {}},
      {trackpad, "TrackpadFourFingerVertSwipeGesture", T::integer, {}},
      {trackpad, "TrackpadFourFingerPinchGesture", T::integer, {}},
      {"com.apple.finder", "StandardViewSettings/IconViewSettings/iconSize", T::real, {"Finder"}},
      {"com.apple.finder", "StandardViewSettings/IconViewSettings/gridSpacing", T::real, {"Finder"}},
      {"com.apple.finder", "StandardViewSettings/IconViewSettings/arrangeBy", T::string, {"Finder"}},
      {"com.apple.finder", "_FXEnableColumnAutoSizing", T::boolean, {"Finder"}},
      {"com.apple.screencapture", "save-selections", T::boolean, {"SystemUIServer"}},
      {"com.apple.WindowManager", "AppWindowGroupingBehavior", T::boolean, {"WindowManager"}},
      {"com.apple.ActivityMonitor", "SortColumn", T::string, {"Activity Monitor"}},
      {"com.apple.ActivityMonitor", "SortDirection", T::integer, {"Activity Monitor"}},
      {"com.apple.Terminal", "StringEncodings", T::array, {"Terminal"}},
      {"com.apple.Safari", "WebAutomaticSpellingCorrectionEnabled", T::boolean, {"Safari"}},
      {"com.apple.Safari", "com.apple.Safari.ContentPageGroupIdentifier.WebKit2DeveloperExtrasEnabled", T::boolean,
       {"Safari"}},
      {"com.apple.Safari", "com.apple.Safari.ContentPageGroupIdentifier.WebKit2BackspaceKeyNavigationEnabled",
       T::boolean, {"Safari"}},
      {"com.apple.Safari", "FindOnPageMatchesWordStartsOnly", T::boolean, {"Safari"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.domain + " " + c.path);
    const auto* setting = at(c.domain, c.path);
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(setting->type, c.type);
    EXPECT_EQ(setting->restartsApps, c.restart);
  }
  for (const auto& setting : settings()) {
    if (setting.ref.domain == "com.apple.menuextra.clock") {
      EXPECT_EQ(setting.restartsApps, std::vector<std::string>{"ControlCenter"}) << setting.id;
    }
  }
}

// A value that macOS still honours must show as one of its options, not as an unknown value:
// scripts write 0 for an empty hot corner and 3 for keyboard navigation as macOS 13 did.
TEST_F(BundledCatalog, OffersTheValuesOlderScriptsWriteThatMacOSStillHonours) {
  const std::map<std::string, std::vector<std::int64_t>> honoured{
      {"wvous-tl-corner", {0, 1}}, {"wvous-tr-corner", {0, 1}}, {"wvous-bl-corner", {0, 1}},
      {"wvous-br-corner", {0, 1}}, {"AppleKeyboardUIMode", {0, 2, 3}}};
  for (const auto& [key, values] : honoured) {
    const auto* setting = at(key == "AppleKeyboardUIMode" ? "NSGlobalDomain" : "com.apple.dock", key);
    ASSERT_NE(setting, nullptr) << key;
    ASSERT_EQ(setting->control.kind(), SettingControl::Kind::choice) << key;
    const auto& options = setting->control.options();
    for (auto value : values)
      EXPECT_TRUE(std::any_of(options.begin(), options.end(),
                              [&](const ControlOption& o) { return o.value == PreferenceValue::integer(value); }))
          << key << " has no option for " << value;
  }
}

// A Magic Trackpad or Magic Mouse keeps the same keys as the built-in device in a domain of its
// own; the two must agree on type and control, or one of them is edited wrongly.
TEST_F(BundledCatalog, BluetoothDevicesMirrorTheirBuiltInTwins) {
  const std::map<std::string, std::string> builtIn{
      {"com.apple.driver.AppleBluetoothMultitouch.trackpad", "com.apple.AppleMultitouchTrackpad"},
      {"com.apple.driver.AppleBluetoothMultitouch.mouse", "com.apple.AppleMultitouchMouse"}};
  std::size_t twins = 0;
  for (const auto& setting : settings()) {
    const auto found = builtIn.find(setting.ref.domain);
    if (found == builtIn.end()) continue;
    const auto* twin = at(found->second, setting.ref.path.front());
    ASSERT_NE(twin, nullptr) << setting.id << " has no built-in twin";
    EXPECT_EQ(setting.type, twin->type) << setting.id;
    EXPECT_TRUE(setting.control == twin->control) << setting.id;
    ++twins;
  }
  EXPECT_GE(twins, 6u);
}

TEST_F(BundledCatalog, HasExactlyOneNightShiftSetting) {
  EXPECT_EQ(countWhere([](const SettingDefinition& s) { return s.channel == SettingChannel::nightShift; }), 1u);
}

}  // namespace
