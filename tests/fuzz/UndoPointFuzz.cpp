// An undo point file found in the history folder, read the way the history lists its points. A
// point that reads is stored again as the history stores it, change-history records included,
// and reads back the same.

#include "Changes/SnapshotHistory.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::writeScratchFile("History/point." + std::string(SnapshotHistory::fileExtension), fuzz::text(data, size));
  const auto points = SnapshotHistory(fuzz::scratchFolder() + "/History").all();
  fuzz::require(points.size() <= 1, "one file is at most one point");
  if (points.empty()) return 0;

  const SnapshotHistory again(fuzz::scratchFolder() + "/Again");
  std::filesystem::remove_all(again.folder());
  const auto& read = points.front();
  StoredSnapshot stored;
  try {
    stored = again.record(read.snapshot, read.reason, 0, read.priorIntents);
  } catch (const std::exception&) {
    fuzz::require(false, "a point that reads can be stored again");
  }
  // Compared in the written form: a date is written to the millisecond, whatever it was read with.
  const auto written = [](const StoredSnapshot& point) {
    Json priors = Json::array();
    for (const auto& prior : point.priorIntents.value_or(std::vector<PriorIntent>{})) priors.push_back(prior.toJson());
    return Json{{"id", point.id}, {"reason", point.reason}, {"snapshot", point.snapshot.toJson()}, {"priors", priors}};
  };
  const auto back = again.all();
  fuzz::require(back.size() == 1 && written(back.front()) == written(stored), "a stored point reads back as stored");
  fuzz::require(stored.snapshot == read.snapshot.storable(), "only values with no JSON form are stored without them");
  fuzz::require(stored.priorIntents.has_value() == read.priorIntents.has_value(),
                "a point keeps change-history records exactly when it had them");
  fuzz::require(back.front().priorIntents.has_value() == stored.priorIntents.has_value(), "and reads them back so");
  return 0;
}
