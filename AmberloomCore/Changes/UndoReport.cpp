#include "Changes/UndoReport.hpp"

#include <algorithm>
#include <iterator>

namespace amberloom {

std::size_t UndoReport::restoredCount() const {
  return static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) { return o.restored; }));
}

std::vector<UndoOutcome> UndoReport::failed() const {
  std::vector<UndoOutcome> result;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(result),
               [](const auto& o) { return !o.restored && !o.valueUnknown; });
  return result;
}

std::vector<UndoOutcome> UndoReport::unknownValues() const {
  std::vector<UndoOutcome> result;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(result), [](const auto& o) { return o.valueUnknown; });
  return result;
}

}  // namespace amberloom
