// The built-in catalogue loads and keeps its breadth, so that content cannot shrink unnoticed.

#include <gtest/gtest.h>

#include <algorithm>
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
  static SettingsCatalog* catalog_;
};
SettingsCatalog* BundledCatalog::catalog_ = nullptr;

TEST_F(BundledCatalog, LoadsWithAtLeast150UniqueSettings) {
  EXPECT_GE(settings().size(), 150u);
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

TEST_F(BundledCatalog, HasExactlyOneNightShiftSetting) {
  EXPECT_EQ(countWhere([](const SettingDefinition& s) { return s.channel == SettingChannel::nightShift; }), 1u);
}

}  // namespace
