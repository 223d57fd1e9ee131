#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <string>
#include <utility>
#include <vector>

#include "Catalog/SidebarSection.hpp"

using amberloom::SettingDefinition;
using amberloom::SettingGroup;
using amberloom::SidebarSection;

namespace {

SettingGroup group(std::string id, std::string name = "Name", int count = 1) {
  std::vector<SettingDefinition> settings;
  for (int i = 0; i < count; ++i) {
    SettingDefinition setting;
    setting.id = id + "." + std::to_string(i);
    setting.ref = {"com.example", {setting.id}, false};
    settings.push_back(setting);
  }
  return SettingGroup{std::move(id), std::move(name), amberloom::SettingList(std::move(settings))};
}

// "id: group, group | id: group" with each group as its id, or its name where `byName`.
std::string layout(const std::vector<SidebarSection>& sections, bool byName = false) {
  std::string text;
  for (const auto& section : sections) {
    if (!text.empty()) text += " | ";
    text += section.id + ":";
    for (std::size_t i = 0; i < section.groups.size(); ++i)
      text += (i ? ", " : " ") + (byName ? section.groups[i].name : section.groups[i].id);
  }
  return text;
}

class SidebarSectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
  }
};

struct PlanCase {
  const char* behaviour;
  std::vector<SettingGroup> groups;
  std::string expected;
};

TEST_F(SidebarSectionTest, GroupsFallIntoThePlannedSectionsThenAppsThenMore) {
  const std::vector<PlanCase> cases = {
      {"no groups give no sections", {}, ""},
      {"planned groups follow the plan's order, not the input's", {group("dock"), group("general")},
       "apple: general, dock"},
      {"the finder alone gives only the extra section", {group("finder")}, "extra: finder"},
      {"every section in turn",
       {group("zzz"), group("screenshots"), group("apps_safari"), group("trackpad"), group("apps"), group("finder"),
        group("privacy_security"), group("abc")},
       "apple: privacy_security, trackpad | extra: finder, screenshots | apps: apps_safari | more: zzz, apps, abc"},
      {"every group planned leaves no apps or more section",
       {group("mouse"), group("appearance"), group("screenshots")}, "apple: appearance, mouse | extra: screenshots"},
      {"only unplanned groups", {group("wm"), group("apps_mail")}, "apps: apps_mail | more: wm"},
      {"a repeated planned id is picked once and both copies leave", {group("dock", "A"), group("dock", "B"), group("x")},
       "apple: dock | more: x"},
  };
  for (const auto& c : cases) EXPECT_EQ(layout(SidebarSection::build(c.groups)), c.expected) << c.behaviour;
}

TEST_F(SidebarSectionTest, SectionsCarryTheirHeadings) {
  const auto sections =
      SidebarSection::build({group("apps_x"), group("general"), group("other"), group("screenshots")});
  std::vector<std::pair<std::string, std::string>> headings;
  for (const auto& section : sections) headings.emplace_back(section.id, section.title);
  EXPECT_EQ(headings, (std::vector<std::pair<std::string, std::string>>{
                          {"apple", "In System Settings"}, {"extra", "Only in AmberLoom"}, {"apps", "Apps"}, {"more", "More"}}));
}

TEST_F(SidebarSectionTest, TheWholePlanInOrder) {
  const std::vector<std::string> plan = {"general",  "appearance",      "accessibility", "menubar",  "spotlight",
                                         "privacy_security", "dock",     "desktop",       "windows",  "mission_control",
                                         "displays", "keyboard",        "mouse",         "trackpad", "finder",
                                         "screenshots"};
  std::vector<SettingGroup> reversed;
  for (auto it = plan.rbegin(); it != plan.rend(); ++it) reversed.push_back(group(*it));
  EXPECT_EQ(layout(SidebarSection::build(reversed)),
            "apple: general, appearance, accessibility, menubar, spotlight, privacy_security, dock, desktop, windows, "
            "mission_control, displays, keyboard, mouse, trackpad | extra: finder, screenshots");
}

TEST_F(SidebarSectionTest, AppGroupsWithMoreSettingsComeFirstThenByName) {
  const auto sections = SidebarSection::build({
      group("apps_a", "Archive Utility", 2),
      group("apps_z", "Zoo", 7),
      group("apps_m", "mail", 2),
      group("apps_b", "Books", 2),
  });
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(layout(sections, true), "apps: Zoo, Archive Utility, Books, mail");
}

TEST_F(SidebarSectionTest, AppGroupsThatTieKeepTheirInputOrder) {
  const auto sections = SidebarSection::build({group("apps_2", "Safari", 3), group("apps_1", "Safari", 3)});
  EXPECT_EQ(layout(sections), "apps: apps_2, apps_1");
}

TEST_F(SidebarSectionTest, AppGroupNamesFollowTheUsersLocale) {
  const std::vector<SettingGroup> groups = {group("apps_z", "Zeitung"), group("apps_a", "\u00c4rzte")};
  const auto namesIn = [&](const char* locale) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale(locale), status);
    return layout(SidebarSection::build(groups), true);
  };
  EXPECT_EQ(namesIn("de_DE"), "apps: \u00c4rzte, Zeitung");
  EXPECT_EQ(namesIn("sv_SE"), "apps: Zeitung, \u00c4rzte");
}

TEST_F(SidebarSectionTest, SectionsCarryTheGroupsWhole) {
  const auto dock = group("dock", "Dock", 3);
  const auto sections = SidebarSection::build({dock});
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0], (SidebarSection{"apple", "In System Settings", {dock}}));
}

}  // namespace
