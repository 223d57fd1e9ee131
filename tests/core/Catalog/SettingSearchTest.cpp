// Folding texts for the settings search and trimming the query, beyond ASCII.

#include <gtest/gtest.h>

#include "Catalog/SettingSearch.hpp"

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
