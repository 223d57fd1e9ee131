#pragma once
// The start builds the whole window on the main thread, and its allocations come from the top of
// the process's heap: each new page there costs a page fault when first touched, some thousands of
// them by the first frame, and a fault is dear on a virtual machine. A StartupHeap, made first
// thing in main(), grows the heap once by `bytes` and has a thread of its own fault those pages in
// meanwhile (the kernel's populate advice, which never changes a page already in use), so that the
// main thread finds them ready. release() lets the heap shrink back to what it holds once the
// window has drawn. Where the C library or the kernel cannot do this, nothing happens.

#include <cstddef>

namespace amberloom::app {

// Faults the pages of [from, to) in, writable, as the first write to each would, without changing
// a page already in use: another thread may be writing there meanwhile. False once the kernel
// refuses (an older kernel, or a range not mapped), the rest left to fault in as it is used.
bool faultIn(void* from, void* to);

// Faults `bytes` in at the top of the calling thread's own heap and leaves them free there, so that
// the thread's next allocations find their pages ready. The C library gives each thread but the
// main one a heap of its own, whose pages would otherwise fault in one at a time as it first writes
// them. They stay only while a StartupHeap's reserve holds (beyond its usual spare room the C
// library gives a heap's free top back). Where the C library or the kernel cannot, nothing happens.
void warmThreadHeap(std::size_t bytes);

// What the application's start reserves: more than its main thread allocates by the first frame of
// the catalogue.
inline constexpr std::size_t applicationStartHeap = 16 << 20;

class StartupHeap {
 public:
  explicit StartupHeap(std::size_t bytes);
  ~StartupHeap();
  StartupHeap(const StartupHeap&) = delete;
  StartupHeap& operator=(const StartupHeap&) = delete;

  // The heap keeps no more than its usual spare room from now on, and gives back what the start
  // left unused.
  void release();

 private:
  bool reserved_ = false;
};

}  // namespace amberloom::app
