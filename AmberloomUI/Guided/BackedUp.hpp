#pragma once
// What the last backup did: where it wrote this Mac's backup.

#include <string>

namespace amberloom::ui {

struct BackedUp {
  std::string path;
  bool operator==(const BackedUp&) const = default;
};

}  // namespace amberloom::ui
