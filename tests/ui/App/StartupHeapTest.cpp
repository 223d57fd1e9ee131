// The start's heap reserve: its pages are faulted in by a thread of their own while the main thread
// already writes there, so faulting in must never change a page in use.

#include "AmberLoom/StartupHeap.hpp"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <thread>

TEST(StartupHeap, FaultingInBesideAWriterChangesNothingWritten) {
  const std::size_t page = ::sysconf(_SC_PAGESIZE);
  const std::size_t pages = 4096;
  auto* region = static_cast<unsigned char*>(
      ::mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(region, MAP_FAILED);
  // The writer takes every page in turn, as an allocator climbing its heap would, while the whole
  // region is faulted in from its start; then some pages are written before and none after.
  std::thread faulting([&] { amberloom::app::faultIn(region, region + pages * page); });
  for (std::size_t i = 0; i < pages; ++i) std::memset(region + i * page, static_cast<int>(i % 251) + 1, page);
  faulting.join();
  std::size_t changed = 0;
  for (std::size_t i = 0; i < pages; ++i)
    for (std::size_t at = 0; at < page; at += 512) changed += region[i * page + at] != (i % 251) + 1;
  EXPECT_EQ(changed, 0u);
  // A range that is not mapped is refused, not faulted in.
  ASSERT_EQ(::munmap(region + (pages / 2) * page, (pages / 2) * page), 0);
  EXPECT_FALSE(amberloom::app::faultIn(region, region + pages * page));
  ::munmap(region, (pages / 2) * page);
}
