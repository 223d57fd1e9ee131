#include "Guided/UndoPoint.hpp"

#include "Support/Iso8601.hpp"

namespace amberloom::ui::guided {

std::optional<std::string> recordUndoPoint(const SnapshotHistory& history, const Snapshot& snapshot,
                                           const std::string& reason) {
  try {
    history.record(snapshot, reason, iso8601::now());
    return std::nullopt;
  } catch (const std::exception& error) {
    return error.what();
  }
}

std::string undoPointNotSaved(const std::string& failure, bool undoStillWorks) {
  return "The undo point could not be saved to disk (" + failure + ")." +
         (undoStillWorks ? " Undo works while this window is open, but not after you quit." : "");
}

std::string incompleteUndo(const UndoReport& report) {
  if (report.failure) return *report.failure;
  return std::to_string(report.failed().size()) + " settings did not go back to their old value";
}

}  // namespace amberloom::ui::guided
