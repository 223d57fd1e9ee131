#include "AmberLoom/StartupHeap.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace amberloom::app {

namespace {

// Faulted in a step at a time, so that the main thread's own changes to the address space never
// wait long behind the thread that faults them in.
constexpr std::size_t populateStep = 256 * 1024;

#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
// The C library's own spare room at the top of the heap (mallopt(3)).
constexpr int usualTopPad = 128 * 1024;
// A block the C library takes from the heap, below the size it maps on its own.
constexpr std::size_t heapBlock = 120 * 1024;
#endif

}  // namespace

bool faultIn(void* from, void* to) {
#if defined(MADV_POPULATE_WRITE)
  char* const end = static_cast<char*>(to);
  for (char* at = static_cast<char*>(from); at < end; at += populateStep)
    if (::madvise(at, std::min<std::size_t>(populateStep, end - at), MADV_POPULATE_WRITE) != 0) return false;
  return true;
#else
  (void)from;
  (void)to;
  return false;
#endif
}

void warmThreadHeap(std::size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  std::vector<void*> blocks;
  blocks.reserve(bytes / heapBlock + 1);
  for (std::size_t taken = 0; taken < bytes; taken += heapBlock) {
    void* const block = std::malloc(heapBlock);
    if (!block) break;
    blocks.push_back(block);
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    if (!faultIn(reinterpret_cast<void*>((at + page - 1) & ~(page - 1)),
                 reinterpret_cast<void*>((at + heapBlock) & ~(page - 1))))
      break;
  }
  // Given back from the top down, they join into one free block there.
  for (auto block = blocks.rbegin(); block != blocks.rend(); ++block) std::free(*block);
#else
  (void)bytes;
#endif
}

StartupHeap::StartupHeap(std::size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
  if (bytes == 0 || ::mallopt(M_TOP_PAD, static_cast<int>(bytes)) != 1) return;
  reserved_ = true;
  // The heap grows, by the whole reserve, at the first block it has no spare room for.
  char* const before = static_cast<char*>(::sbrk(0));
  void* blocks[4];
  std::size_t taken = 0;
  while (taken < std::size(blocks) && ::sbrk(0) == before) {
    blocks[taken] = std::malloc(heapBlock);
    if (!blocks[taken]) break;
    ++taken;
  }
  for (std::size_t i = 0; i < taken; ++i) std::free(blocks[i]);
  char* const after = static_cast<char*>(::sbrk(0));
  // A C library whose allocations never come from the break (a sanitizer's) leaves it where it was.
  if (before == reinterpret_cast<char*>(-1) || after <= before) return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  void* const from = reinterpret_cast<void*>((reinterpret_cast<std::uintptr_t>(before) + page - 1) & ~(page - 1));
  try {
    // Should the heap shrink below the reserve's end meanwhile (release()), the kernel refuses the
    // rest and the thread ends.
    std::thread([from, after] { faultIn(from, after); }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the pages fault in as they are used, as without a reserve.
  }
#else
  (void)bytes;
#endif
}

StartupHeap::~StartupHeap() { release(); }

void StartupHeap::release() {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
  if (!reserved_) return;
  reserved_ = false;
  ::mallopt(M_TOP_PAD, usualTopPad);
  // What the start left unused goes back now (about a millisecond) rather than at some later free.
  ::malloc_trim(usualTopPad);
#endif
}

}  // namespace amberloom::app
