#pragma once
// A small file system of its own (tmpfs) mounted over a folder of the test's home, to see what the
// application does when the disk is full or turns read-only. Mounting needs root (or the right to
// mount in a namespace of its own); a test checks `mounted()` and skips without it.

#include <cstddef>
#include <string>

namespace amberloom::testing {

class SmallDisk {
 public:
  // Mounts a tmpfs of `bytes` over `folder` (made when missing), owner-only.
  SmallDisk(std::string folder, std::size_t bytes);
  // Unmounts it; what was written there is gone with it.
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  // Takes up every free byte with one file of its own, so that any further write fails for space.
  void fill();
  // Removes that file again.
  void free();
  // Makes the file system read-only, or writable again.
  void setReadOnly(bool readOnly);

 private:
  std::string folder_;
  bool mounted_ = false;
};

}  // namespace amberloom::testing
