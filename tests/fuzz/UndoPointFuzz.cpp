// An undo point file found in the history folder, read the way the history lists its points.

#include "Changes/SnapshotHistory.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::writeScratchFile("History/point." + std::string(SnapshotHistory::fileExtension), fuzz::text(data, size));
  const auto points = SnapshotHistory(fuzz::scratchFolder() + "/History").all();
  fuzz::require(points.size() <= 1, "one file is at most one point");
  return 0;
}
