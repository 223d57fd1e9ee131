#pragma once
// What one repair scan found (see RepairScanner): the settings whose recorded choice no longer
// holds, and the system builds it was run between.

#include <optional>
#include <string>
#include <vector>

#include "Upkeep/RepairFinding.hpp"

namespace amberloom {

struct RepairScan {
  std::vector<RepairFinding> findings;        // newest choice first
  std::optional<std::string> previousOSBuild;  // as the caller passed it
  std::string currentOSBuild;

  // True only when a previous build is known and differs from the current one.
  bool osChanged() const { return previousOSBuild && *previousOSBuild != currentOSBuild; }
  bool isEmpty() const { return findings.empty(); }
  bool operator==(const RepairScan&) const = default;
};

}  // namespace amberloom
