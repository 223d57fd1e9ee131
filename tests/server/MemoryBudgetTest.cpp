#include <gtest/gtest.h>

#include <vector>

#include "MemoryBudget.hpp"

using amberloom::server::MemoryBudget;

TEST(MemoryBudget, SharesStayUnderTheCeilingAndGiveBackWhatTheyHeld) {
  MemoryBudget budget(100);
  std::vector<MemoryBudget::Share> held;
  const struct {
    std::size_t bytes;
    bool anyway;  // past the ceiling if need be
    bool taken;
    std::size_t inUse;
  } steps[] = {
      {60, false, true, 60}, {41, false, false, 60}, {40, false, true, 100},
      {1, false, false, 100}, {10, true, true, 110}, {0, false, true, 110},
  };
  for (const auto& step : steps) {
    MemoryBudget::Share share(budget);
    const bool taken = step.anyway ? (share.resizeAnyway(step.bytes), true) : share.resize(step.bytes);
    EXPECT_EQ(taken, step.taken) << step.bytes;
    EXPECT_EQ(budget.inUse(), step.inUse) << step.bytes;
    held.push_back(std::move(share));
  }
  // Growing takes only the difference, shrinking and dropping give back; a moved share is counted once.
  EXPECT_FALSE(held[0].resize(61));
  held.erase(held.begin() + 2);  // the 40
  EXPECT_TRUE(held[0].resize(90));
  EXPECT_EQ(budget.inUse(), 100u);
  MemoryBudget::Share moved = std::move(held[0]);
  EXPECT_TRUE(moved.resize(20));
  EXPECT_EQ(budget.inUse(), 30u);
  held.clear();
  EXPECT_EQ(budget.inUse(), 20u);
  moved = MemoryBudget::Share();
  EXPECT_EQ(budget.inUse(), 0u);
}
