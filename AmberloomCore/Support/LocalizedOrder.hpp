#pragma once
// How the user's current locale orders texts: the collation of ICU's default locale (which follows
// LC_ALL / LANG unless the process set another; the root collation under the C/POSIX locale), the
// way sidebar groups, members, subgroups and app groups are sorted by name. The locale is read when the order is made, so make one per sort.

#include <memory>
#include <string_view>

namespace amberloom {

class LocalizedOrder {
 public:
  LocalizedOrder();
  ~LocalizedOrder();
  LocalizedOrder(const LocalizedOrder&) = delete;
  LocalizedOrder& operator=(const LocalizedOrder&) = delete;

  // Negative when `a` comes before `b`, zero when the locale ranks them the same (which unequal
  // texts can do), positive otherwise. Falls back to byte order when no collator can be made.
  int compare(std::string_view a, std::string_view b) const;
  bool before(std::string_view a, std::string_view b) const { return compare(a, b) < 0; }

 private:
  struct Collator;
  std::unique_ptr<Collator> collator_;
};

}  // namespace amberloom
