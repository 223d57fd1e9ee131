#pragma once
// Which items of a list repeat an earlier one, found through their hashes sorted in one block:
// no set of copies, and no allocation per item, for the lists of thousands a batch checks before
// it writes. Items whose hashes meet are compared with `same`, so a collision costs a comparison,
// never a wrong answer.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace amberloom {

// For each of `count` items, whether an item before it is the same. `hash(i)` gives item i's
// hash, `same(i, j)` whether items i and j are the same; items that are the same must hash alike.
template <class Hash, class Same>
std::vector<bool> repeatsOfEarlier(std::size_t count, Hash hash, Same same) {
  std::vector<std::pair<std::size_t, std::size_t>> hashed;  // hash, position
  hashed.reserve(count);
  for (std::size_t i = 0; i < count; ++i) hashed.emplace_back(hash(i), i);
  std::sort(hashed.begin(), hashed.end());
  std::vector<bool> repeats(count, false);
  for (std::size_t run = 0; run < hashed.size();) {
    std::size_t end = run + 1;
    while (end < hashed.size() && hashed[end].first == hashed[run].first) ++end;
    // Within a run positions ascend: each item is checked against those before it.
    for (std::size_t b = run + 1; b < end; ++b)
      for (std::size_t a = run; a < b; ++a)
        if (!repeats[hashed[a].second] && same(hashed[a].second, hashed[b].second)) {
          repeats[hashed[b].second] = true;
          break;
        }
    run = end;
  }
  return repeats;
}

}  // namespace amberloom
