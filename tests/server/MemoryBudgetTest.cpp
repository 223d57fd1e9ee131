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

TEST(MemoryBudget, OpenSharesStayUnderTheirOwnCeilingAndLeaveTheRestToTrustedOnes) {
  MemoryBudget budget(100, 30);
  MemoryBudget::Share shares[3] = {MemoryBudget::Share(budget), MemoryBudget::Share(budget),
                                   MemoryBudget::Share(budget)};
  shares[2].trust();
  enum class Act { resize, anyway, trust };
  const struct {
    int share;
    Act act;
    std::size_t bytes;
    bool taken;
    std::size_t inUse, openInUse;
  } steps[] = {
      {0, Act::resize, 20, true, 20, 20},   {1, Act::resize, 11, false, 20, 20},  // past the open ceiling
      {2, Act::resize, 70, true, 90, 20},   {2, Act::resize, 81, false, 90, 20},  // past the whole ceiling
      {1, Act::resize, 10, true, 100, 30},  {0, Act::trust, 0, true, 100, 10},    // its bytes leave the open count
      {1, Act::resize, 30, false, 100, 10}, {2, Act::resize, 50, true, 80, 10},
      {1, Act::resize, 30, true, 100, 30},  {1, Act::anyway, 40, true, 110, 40},
  };
  for (const auto& step : steps) {
    auto& share = shares[step.share];
    bool taken = true;
    if (step.act == Act::resize) taken = share.resize(step.bytes);
    if (step.act == Act::anyway) share.resizeAnyway(step.bytes);
    if (step.act == Act::trust) share.trust();
    EXPECT_EQ(taken, step.taken) << step.share << " " << step.bytes;
    EXPECT_EQ(budget.inUse(), step.inUse) << step.share << " " << step.bytes;
    EXPECT_EQ(budget.openInUse(), step.openInUse) << step.share << " " << step.bytes;
  }
  // Moving a trusted share keeps it trusted; dropping them all gives everything back.
  MemoryBudget::Share moved = std::move(shares[0]);
  EXPECT_TRUE(moved.trusted());
  EXPECT_TRUE(moved.resize(0));
  EXPECT_EQ(budget.openInUse(), 40u);
  for (auto& share : shares) share = MemoryBudget::Share();
  EXPECT_EQ(budget.inUse(), 0u);
  EXPECT_EQ(budget.openInUse(), 0u);
}
