#pragma once
// What taking a batch back did: for each entry of its snapshot, whether another process sees the
// captured value again.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Catalog/SettingRef.hpp"

namespace amberloom {

struct UndoOutcome {
  SettingRef ref;
  bool restored = false;      // another process sees the captured value again
  bool valueUnknown = false;  // captured as unreadable, so it could not be put back
  bool operator==(const UndoOutcome&) const = default;
};

struct UndoReport {
  std::vector<UndoOutcome> outcomes;
  std::optional<std::string> failure;  // the restore's error text

  std::size_t restoredCount() const;
  std::size_t total() const { return outcomes.size(); }
  std::vector<UndoOutcome> failed() const;
  std::vector<UndoOutcome> unknownValues() const;
  bool isComplete() const { return !failure && failed().empty() && unknownValues().empty(); }
  bool operator==(const UndoReport&) const = default;
};

}  // namespace amberloom
