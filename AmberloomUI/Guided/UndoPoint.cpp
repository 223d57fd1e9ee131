#include "Guided/UndoPoint.hpp"

#include <algorithm>

namespace amberloom::ui::guided {
namespace {

std::size_t unreadableEntries(const Snapshot& snapshot) {
  return static_cast<std::size_t>(
      std::count_if(snapshot.entries.begin(), snapshot.entries.end(), [](const auto& e) { return e.isUnreadable; }));
}

constexpr const char* kUntilQuit = " Undo works while this window is open, but not after you quit.";

}  // namespace

StoredUndoPoint recordUndoPoint(const SnapshotHistory& history, const Snapshot& snapshot, const std::string& reason,
                                std::optional<std::vector<PriorIntent>> priorIntents, double at) {
  try {
    const auto stored = history.record(snapshot, reason, at, std::move(priorIntents));
    return {std::nullopt, unreadableEntries(stored.snapshot) - unreadableEntries(snapshot)};
  } catch (const std::exception& error) {
    return {error.what(), 0};
  }
}

std::string undoPointNotSaved(const std::string& failure, bool undoStillWorks) {
  return "The undo point could not be saved to disk (" + failure + ")." + (undoStillWorks ? kUntilQuit : "");
}

std::optional<std::string> undoPointMessage(const StoredUndoPoint& stored, bool undoStillWorks) {
  if (stored.failure) return undoPointNotSaved(*stored.failure, undoStillWorks);
  if (stored.valuesLeftOut == 0) return std::nullopt;
  return "The undo point saved to disk leaves out " + std::to_string(stored.valuesLeftOut) +
         " settings whose values cannot be saved in it: taking it back from the list leaves them as they are." +
         (undoStillWorks ? " Undo here still puts them back while this window is open." : "");
}

std::string incompleteUndo(const UndoReport& report) {
  if (report.failure) return *report.failure;
  return std::to_string(report.failed().size()) + " settings did not go back to their old value";
}

}  // namespace amberloom::ui::guided
