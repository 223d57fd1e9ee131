#pragma once
// Storing the undo point of a guided screen's batch, and the messages the screens' models give
// when it could not be stored or when an undo left something behind.

#include <optional>
#include <string>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"

namespace amberloom::ui::guided {

// Records `snapshot` with `reason` at the current time; none when it was stored, else the text of
// the failure. Never throws.
std::optional<std::string> recordUndoPoint(const SnapshotHistory& history, const Snapshot& snapshot,
                                           const std::string& reason);
// "The undo point could not be saved to disk (<failure>)." and, when the undo in memory still
// works, the sentence saying until when.
std::string undoPointNotSaved(const std::string& failure, bool undoStillWorks);
// The undo's failure text, else the count of entries that did not go back.
std::string incompleteUndo(const UndoReport& report);

}  // namespace amberloom::ui::guided
