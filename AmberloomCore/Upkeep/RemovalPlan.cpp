#include "Upkeep/RemovalPlan.hpp"

namespace amberloom {

std::int64_t RemovalPlan::appDataBytes() const {
  std::int64_t total = 0;
  for (const auto& item : appData) total += item.bytes;
  return total;
}

}  // namespace amberloom
