#include "Changes/InterruptedBatches.hpp"

#include <string_view>

#include "Support/Log.hpp"

namespace amberloom {

std::vector<InterruptedBatch> InterruptedBatches::find() const {
  std::vector<InterruptedBatch> found;
  for (auto& point : history_.interrupted()) {
    const auto& stored = point.point.snapshot.entries;
    std::vector<std::pair<SettingRef, SettingChannel>> refs;
    for (const auto& entry : stored) refs.emplace_back(entry.ref, entry.channel);
    const Snapshot now = snapshots_.capture(refs);
    std::size_t changed = 0;
    std::size_t next = 0;
    for (const auto& entry : stored) {
      if (entry.ref.path.empty()) continue;  // capture gives it no entry either
      const SnapshotEntry& current = now.entries[next++];
      // A value the point could not keep cannot be put back: it tells nothing either way.
      if (!entry.isUnreadable && current != entry) ++changed;
    }
    if (changed > 0) {
      found.push_back({std::move(point), changed});
    } else if (!history_.remove(point)) {
      log::warning(log::Area::changes, "The undo point " + point.fileName + " of a batch that wrote nothing stays");
    }
  }
  return found;
}

void InterruptedBatches::undo(const SnapshotHistory& history, const InterruptedBatch& batch, const TakeBack& takeBack) {
  takeBack(batch.point.point, [history, point = batch.point] { return history.settle(point); });
}

std::string interruptedActivity(const std::string& reason) {
  constexpr std::string_view before = "Before ";
  if (reason.starts_with(before) && reason.size() > before.size()) return reason.substr(before.size());
  return "changing settings (" + reason + ")";
}

}  // namespace amberloom
