#pragma once
// Storing the undo point of a guided screen's batch, and the messages the screens' models give
// when it could not be stored, when it left values out, or when an undo left something behind.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom::ui::guided {

// What storing an undo point came to.
struct StoredUndoPoint {
  std::optional<std::string> failure;  // why nothing was stored
  std::size_t valuesLeftOut = 0;       // entries stored without their value, which has no JSON form
};

// Records `snapshot` with `reason` and the batch's change-history records before it at `at`.
// Never throws.
StoredUndoPoint recordUndoPoint(const SnapshotHistory& history, const Snapshot& snapshot, const std::string& reason,
                                std::optional<std::vector<PriorIntent>> priorIntents, double at = iso8601::now());
// "The undo point could not be saved to disk (<failure>)." and, when the undo in memory still
// works, the sentence saying until when.
std::string undoPointNotSaved(const std::string& failure, bool undoStillWorks);
// What a model says of a stored point: the failure, the values it left out, or none.
std::optional<std::string> undoPointMessage(const StoredUndoPoint& stored, bool undoStillWorks);
// The undo's failure text, else the count of entries that did not go back.
std::string incompleteUndo(const UndoReport& report);

}  // namespace amberloom::ui::guided
