#pragma once
// A file system that keeps no locks, for a forked child: from the call on, every flock of the
// process and of the programs it starts fails as such a file system's does (ENOLCK).

namespace amberloom::testing {

// False when the kernel would not take the filter.
bool refuseLocks();

}  // namespace amberloom::testing
