#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Support/Repeats.hpp"

TEST(Repeats, EachItemSameAsAnEarlierOneIsFoundHoweverTheHashesCollide) {
  const std::vector<std::string> items{"b", "a", "b", "c", "a", "a"};
  const std::vector<bool> expected{false, false, true, false, true, true};
  for (const bool collide : {false, true}) {
    const auto repeats = amberloom::repeatsOfEarlier(
        items.size(), [&](std::size_t i) { return collide ? 0 : std::hash<std::string>{}(items[i]); },
        [&](std::size_t i, std::size_t j) { return items[i] == items[j]; });
    EXPECT_EQ(repeats, expected) << collide;
  }
}
