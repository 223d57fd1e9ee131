#pragma once
// Why a difference with another Mac waits for the user's tick instead of coming over by itself.
// Sync at login and automatic sync copy only what this Mac lacks, and of that only what nobody
// needs to be asked about: never a setting that switches a macOS protection (whichever way the
// other Mac's value points: that Mac, or the server, may be anyone's), never a value macOS writes
// itself (it is that Mac's state, not the user's choice), never a value of the wrong kind, and
// never a setting the user chose otherwise on this Mac, a reset included, since the other Mac
// shared its value. Each of these rows is still offered on My Macs, with the reason beside its tick box.

#include <optional>

#include "Catalog/SettingDefinition.hpp"
#include "Changes/IntentLog.hpp"
#include "Sync/SyncRow.hpp"

namespace amberloom {

struct SyncRowCaution {
  enum class Reason {
    weakensSecurity,  // the setting controls a macOS protection
    systemWritten,    // macOS writes the value itself
    wrongKind,        // the other Mac's value is not of the kind the setting takes
    resetHere,        // the user put it back to the macOS default here
    chosenHere,       // the user chose another value here after the other Mac shared its own
  };

  Reason reason;
  // When the user chose here (seconds since the reference date): resetHere and chosenHere only.
  std::optional<double> chosenAt;

  bool operator==(const SyncRowCaution&) const = default;

  // The caution of `row`, compared with a Mac that shared at `sharedAt` (none: unknown, which
  // counts as before any choice made here), given the row's setting in this Mac's catalogue (none:
  // unknown here) and its latest record in this Mac's change history. Of the reasons that hold,
  // the first in the order above; none for a row that brings nothing. The change history speaks only for rows this Mac lacks: where
  // both Macs have a value, the row shows both and is never copied unasked anyway.
  static std::optional<SyncRowCaution> of(const SyncRow& row, const SettingDefinition* setting,
                                          const std::optional<RecordedIntent>& latestHere,
                                          std::optional<double> sharedAt);
};

}  // namespace amberloom
