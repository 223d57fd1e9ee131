#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Catalog/SettingGroup.hpp"

using amberloom::SettingDefinition;
using amberloom::SettingGroup;
using amberloom::SettingSubgroup;
using amberloom::SettingText;

namespace {

void useLocale(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale::setDefault(icu::Locale(name), status);
  ASSERT_TRUE(U_SUCCESS(status)) << name;
}

SettingText texts(std::string category, std::string categoryName, std::optional<std::string> subcategory = std::nullopt,
                  std::optional<std::string> subcategoryName = std::nullopt) {
  SettingText text;
  text.summary = "summary";
  text.category = std::move(category);
  text.categoryName = std::move(categoryName);
  text.subcategory = std::move(subcategory);
  text.subcategoryName = std::move(subcategoryName);
  return text;
}

SettingDefinition setting(std::string id, std::string label, std::optional<SettingText> text = std::nullopt) {
  SettingDefinition definition;
  definition.ref = {"com.example", {id}, false};
  definition.id = std::move(id);
  definition.label = std::move(label);
  definition.text = std::move(text);
  return definition;
}

using Names = std::vector<std::pair<std::string, std::string>>;  // (id, name) per group

Names groupNames(const std::vector<SettingGroup>& groups) {
  Names names;
  for (const auto& group : groups) names.emplace_back(group.id, group.name);
  return names;
}

std::vector<std::string> ids(const amberloom::SettingList& settings) {
  std::vector<std::string> result;
  for (const auto& s : settings) result.push_back(s.id);
  return result;
}

class SettingGroupTest : public ::testing::Test {
 protected:
  void SetUp() override { useLocale("en_US"); }
};

struct KeyCase {
  const char* behaviour;
  std::vector<SettingDefinition> settings;
  Names expected;  // groups in group order
};

TEST_F(SettingGroupTest, GroupKeyAndNameComeFromTextsThenTheIdPrefix) {
  const std::vector<KeyCase> cases = {
      {"a text category names its group even where the table or the key would differ",
       {setting("d1", "L", texts("dock", "Dock & Menu Bar")), setting("s1", "L", texts("sshot", "Captures"))},
       {{"sshot", "Captures"}, {"dock", "Dock & Menu Bar"}}},
      {"the first member's category name wins",
       {setting("d1", "B", texts("dock", "First")), setting("d2", "A", texts("dock", "Second"))},
       {{"dock", "First"}}},
      {"an app setting joins its subcategory's group, named by the subcategory name",
       {setting("a1", "L", texts("apps", "Apps", "apps_safari", "Safari"))},
       {{"apps_safari", "Safari"}}},
      {"an app setting without a subcategory, or with an empty one, joins \"apps\"",
       {setting("a1", "L", texts("apps", "All Apps")), setting("a2", "L", texts("apps", "Other Apps", ""))},
       {{"apps", "All Apps"}}},
      {"an app group named by the first member that has a subcategory name",
       {setting("a1", "L", texts("apps", "Apps", "apps_mail")), setting("a2", "L", texts("apps", "Apps", "apps_mail", "Mail"))},
       {{"apps_mail", "Mail"}}},
      {"an app group without subcategory names takes the category name",
       {setting("a1", "L", texts("apps", "Applications", "apps_mail"))},
       {{"apps_mail", "Applications"}}},
      {"a group mixing settings with and without texts is named by the first with texts",
       {setting("finder.a", "L"), setting("f2", "L", texts("finder", "Finder Windows"))},
       {{"finder", "Finder Windows"}}},
      {"settings without texts use the names table",
       {setting("sshot.type", "L"), setting("sshot.location", "L"), setting("wm.tiling", "L")},
       {{"sshot", "Screenshots"}, {"wm", "Window Manager"}}},
      {"a key outside the table is upper-cased",
       {setting("dock.tilesize", "L"), setting("nodot", "L")},
       {{"dock", "Dock"}, {"nodot", "Nodot"}}},
      {"an id starting with a dot gives the empty key and name",
       {setting(".hidden", "L")},
       {{"", ""}}},
      {"an empty text category is a key of its own with its name as written",
       {setting("x.y", "L", texts("", "Misc"))},
       {{"", "Misc"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(groupNames(SettingGroup::build(c.settings)), c.expected) << c.behaviour;
}

TEST_F(SettingGroupTest, DisplayNameForPrefixUsesTheTableElseUpperCasesTheFirstCharacter) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a11y", "Accessibility"}, {"global", "System-wide"}, {"syspref", "System Settings"},
      {"quicktime", "QuickTime"}, {"dock", "Dock"},         {"Dock", "Dock"},
      {"", ""},                   {"éclair", "Éclair"},     {"ßeta", "SSeta"},
      {"e\u0301tude", "E\u0301tude"},  // the accent stays with its letter
  };
  for (const auto& [prefix, name] : cases) EXPECT_EQ(SettingGroup::displayName(prefix), name) << prefix;
}

TEST_F(SettingGroupTest, CountAndAppFlag) {
  const auto groups = SettingGroup::build({setting("apps_x.a", "A"), setting("apps_x.b", "B"), setting("apps.c", "C"),
                                           setting("xapps_.d", "D")});
  ASSERT_EQ(groups.size(), 3u);
  for (const auto& group : groups) {
    EXPECT_EQ(group.isApp(), group.id == "apps_x") << group.id;
    EXPECT_EQ(group.count(), group.id == "apps_x" ? 2u : 1u) << group.id;
  }
}

TEST_F(SettingGroupTest, NoSettingsGiveNoGroupsAndNoSubgroups) {
  EXPECT_TRUE(SettingGroup::build(std::vector<SettingDefinition>{}).empty());
  EXPECT_TRUE(SettingSubgroup::build(std::vector<SettingDefinition>{}).empty());
}

TEST_F(SettingGroupTest, MembersAreOrderedByLabelInTheLocaleThenById) {
  const auto groups = SettingGroup::build({
      setting("dock.3", "banana"),
      setting("dock.2", "Same"),
      setting("dock.1", "Same"),
      setting("dock.4", "Cherry"),
      setting("dock.5", "apple"),
  });
  ASSERT_EQ(groups.size(), 1u);
  // Character codes would put "Cherry" and "Same" before "apple".
  EXPECT_EQ(ids(groups[0].settings), (std::vector<std::string>{"dock.5", "dock.3", "dock.4", "dock.1", "dock.2"}));
}

TEST_F(SettingGroupTest, LabelsDifferingOnlyInCaseFollowTheLocaleNotCharacterCodes) {
  const auto groups = SettingGroup::build({setting("dock.a", "Zoom"), setting("dock.b", "zoom")});
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(ids(groups[0].settings), (std::vector<std::string>{"dock.b", "dock.a"}));
}

TEST_F(SettingGroupTest, LabelsThatRankTheSameKeepTheirInputOrder) {
  const std::string composed = "caf\u00e9", decomposed = "cafe\u0301";
  for (const auto& [first, second] : {std::pair{composed, decomposed}, std::pair{decomposed, composed}}) {
    const auto groups = SettingGroup::build({setting("dock.z", first), setting("dock.a", second)});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(ids(groups[0].settings), (std::vector<std::string>{"dock.z", "dock.a"}));
  }
}

TEST_F(SettingGroupTest, GroupsAreOrderedByNameThenById) {
  const auto groups = SettingGroup::build({
      setting("wm.a", "L"),                               // "Window Manager"
      setting("t1", "L", texts("tools_b", "Tools")),
      setting("t2", "L", texts("tools_a", "Tools")),
      setting("z1", "L", texts("zeta", "accessories")),  // lower case still sorts among the a's
      setting("d1", "L", texts("dock", "Dock")),
  });
  EXPECT_EQ(groupNames(groups), (Names{{"zeta", "accessories"}, {"dock", "Dock"}, {"tools_a", "Tools"},
                                       {"tools_b", "Tools"}, {"wm", "Window Manager"}}));
}

TEST_F(SettingGroupTest, OrderFollowsTheUsersLocale) {
  const std::vector<SettingDefinition> settings = {
      setting("z", "L", texts("z", "Zebra")),
      setting("a", "L", texts("a", "\u00c4pfel")),
      setting("z.x", "Zebra", texts("mixed", "Mixed")),
      setting("a.x", "\u00c4pfel", texts("mixed", "Mixed")),
  };
  const auto orderIn = [&](const char* locale) {
    useLocale(locale);
    const auto groups = SettingGroup::build(settings);
    std::vector<std::string> order;
    for (const auto& group : groups) order.push_back(group.name);
    for (const auto& group : groups)
      if (group.id == "mixed") order.push_back(group.settings.front().label);
    return order;
  };
  // German files "Ä" with "A"; Swedish puts it after "Z".
  EXPECT_EQ(orderIn("de_DE"), (std::vector<std::string>{"\u00c4pfel", "Mixed", "Zebra", "\u00c4pfel"}));
  EXPECT_EQ(orderIn("sv_SE"), (std::vector<std::string>{"Mixed", "Zebra", "\u00c4pfel", "Zebra"}));
}

// ---- subgroups ----

using Titles = std::vector<std::pair<std::string, std::string>>;  // (id, title) per subgroup

Titles subgroupTitles(const std::vector<SettingSubgroup>& subgroups) {
  Titles titles;
  for (const auto& subgroup : subgroups) titles.emplace_back(subgroup.id, subgroup.title);
  return titles;
}

SettingDefinition member(std::string id, std::optional<std::string> subcategory,
                         std::optional<std::string> subcategoryName = std::nullopt, std::string label = "L") {
  return setting(std::move(id), std::move(label), texts("dock", "Dock", std::move(subcategory), std::move(subcategoryName)));
}

TEST_F(SettingGroupTest, FewerThanTwoSubcategoriesGiveNoSubgroups) {
  EXPECT_TRUE(SettingSubgroup::build({member("a", std::nullopt), member("b", std::nullopt), setting("c", "L")}).empty());
  EXPECT_TRUE(SettingSubgroup::build({member("a", "size", "Size"), member("b", "size", "Size")}).empty());
  // An empty subcategory counts as none.
  EXPECT_TRUE(SettingSubgroup::build({member("a", ""), member("b", std::nullopt)}).empty());
}

TEST_F(SettingGroupTest, SettingsWithoutSubcategoryGoLastAsOther) {
  const auto subgroups = SettingSubgroup::build({
      member("a", std::nullopt),
      member("b", "size", "Size"),
      member("c", "motion", "Motion"),
      setting("d", "L"),
      member("e", ""),
  });
  EXPECT_EQ(subgroupTitles(subgroups), (Titles{{"motion", "Motion"}, {"size", "Size"}, {"other", "Other"}}));
  EXPECT_EQ(ids(subgroups.back().settings), (std::vector<std::string>{"a", "d", "e"}));
}

TEST_F(SettingGroupTest, OtherGoesLastEvenWithTheMostMembers) {
  const auto subgroups = SettingSubgroup::build(
      {member("a", std::nullopt), member("b", std::nullopt), member("c", std::nullopt), member("d", "size", "Size")});
  EXPECT_EQ(subgroupTitles(subgroups), (Titles{{"size", "Size"}, {"other", "Other"}}));
}

TEST_F(SettingGroupTest, SubgroupsWithMoreMembersComeFirstWhateverTheirTitles) {
  std::vector<SettingDefinition> settings;
  for (int i = 0; i < 3; ++i) settings.push_back(member("a" + std::to_string(i), "alpha", "Alpha"));
  for (int i = 0; i < 5; ++i) settings.push_back(member("z" + std::to_string(i), "zulu", "Zulu"));
  EXPECT_EQ(subgroupTitles(SettingSubgroup::build(settings)), (Titles{{"zulu", "Zulu"}, {"alpha", "Alpha"}}));
}

TEST_F(SettingGroupTest, SubgroupTitlesComeFromTheFirstMemberWithASubcategoryName) {
  const auto subgroups = SettingSubgroup::build({
      member("a", "size"),
      member("b", "size", "Icon Size"),
      member("c", "size", "Ignored"),
      member("d", "motion"),
  });
  EXPECT_EQ(subgroupTitles(subgroups), (Titles{{"size", "Icon Size"}, {"motion", "motion"}}));
}

TEST_F(SettingGroupTest, SubgroupsOfEqualSizeGoByTitleThenById) {
  const auto subgroups = SettingSubgroup::build({
      member("1", "b_key", "Same"),
      member("2", "zulu", "zebra"),
      member("3", "a_key", "Same"),
      member("4", "apple", "Apple"),
  });
  EXPECT_EQ(subgroupTitles(subgroups), (Titles{{"apple", "Apple"}, {"a_key", "Same"}, {"b_key", "Same"}, {"zulu", "zebra"}}));
}

TEST_F(SettingGroupTest, SubgroupMembersAreInMemberOrder) {
  const auto subgroups = SettingSubgroup::build({
      member("s2", "size", "Size", "Same"),
      member("s3", "size", "Size", "Magnify"),
      member("s1", "size", "Size", "Same"),
      member("m", "motion", "Motion"),
  });
  ASSERT_EQ(subgroups.size(), 2u);
  EXPECT_EQ(ids(subgroups[0].settings), (std::vector<std::string>{"s3", "s1", "s2"}));
}

TEST_F(SettingGroupTest, GroupsAndSubgroupsPointAtTheListsDefinitionsAndOutliveIt) {
  std::vector<SettingGroup> groups;
  const SettingDefinition* shared = nullptr;
  {
    const amberloom::SettingList list(
        std::vector<SettingDefinition>{member("dock.a", "size", "Size"), member("dock.b", std::nullopt)});
    shared = &list[0];
    groups = SettingGroup::build(list);
  }
  ASSERT_EQ(groups.size(), 1u);
  const auto subgroups = SettingSubgroup::build(groups[0].settings);
  ASSERT_EQ(subgroups.size(), 2u);
  EXPECT_EQ(&subgroups[0].settings[0], shared);
  EXPECT_EQ(subgroups[0].settings[0].id, "dock.a");
}

}  // namespace
