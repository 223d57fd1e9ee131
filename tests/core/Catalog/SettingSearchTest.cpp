// Folding texts for the settings search and trimming the query, beyond ASCII.

#include <gtest/gtest.h>

#include "Catalog/SettingSearchIndex.hpp"

#include <algorithm>

using amberloom::SettingSearchIndex;
using amberloom::trimmingHorizontalSpace;

TEST(SettingSearch, FoldsCaseAndCompositionButNotAccents) {
  const std::pair<const char*, const char*> cases[] = {
      {"Hide The DOCK", "hide the dock"},
      {"CAF\u00c9 Caf\u00e9", "caf\u00e9 caf\u00e9"},
      {"Cafe\u0301", "caf\u00e9"},                                   // composed
      {"Expose", "expose"},                                          // no accent is added or removed
      {"\u039f\u0394\u039f\u03a3 \u039f\u0394\u039f\u03a3A", "\u03bf\u03b4\u03bf\u03c2 \u03bf\u03b4\u03bf\u03c3a"},  // final sigma by word
      {"\u0130stanbul", "i\u0307stanbul"},                            // full mapping, not Turkish
      {"Stra\u1e9eE", "stra\u00dfe"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(SettingSearchIndex::folded(text), expected) << text;
}

TEST(SettingSearch, TrimsOnlyHorizontalSpace) {
  const std::pair<const char*, const char*> cases[] = {
      {" \t\u00a0\u3000dock \u2003", "dock"},
      {"  two  words ", "two  words"},
      {"\n", "\n"},
      {"\ndock\n", "\ndock\n"},
      {" \t ", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(trimmingHorizontalSpace(text), expected) << text;
}

// Each setting is found once, in index order, by a run inside its own label, id or summary, never
// by one that starts in a setting and ends in the next.
TEST(SettingSearch, FindsEachSettingOnceAndNeverAcrossTwo) {
  const auto setting = [](std::string id, std::string label) {
    amberloom::SettingDefinition definition;
    definition.id = std::move(id);
    definition.label = std::move(label);
    return definition;
  };
  const auto groups = amberloom::SettingGroup::build(
      {setting("dock.size", "Dock size dock"), setting("dock.hide", "Hide the Dock"), setting("finder.bar", "Size bar")});
  const SettingSearchIndex index(groups);
  std::vector<std::string> order;
  for (const auto* found : index.find("")) order.push_back(found->id);
  const struct {
    const char* query;
    std::vector<std::string> ids;
  } cases[] = {
      {"DOCK", {"dock.size", "dock.hide"}},
      {"size", {"dock.size", "finder.bar"}},
      {"dock.size hide", {}},   // the end of one setting and the start of the next
      {"dock.hide size", {}},
      {"size dock dock.size", {"dock.size"}},  // label and id of one setting
      {"zzz", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> ids;
    for (const auto* found : index.find(c.query)) ids.push_back(found->id);
    std::vector<std::string> expected;
    for (const auto& id : order)  // in index order
      if (std::find(c.ids.begin(), c.ids.end(), id) != c.ids.end()) expected.push_back(id);
    EXPECT_EQ(ids, expected) << c.query;
  }
  EXPECT_EQ(order.size(), 3u);
}
