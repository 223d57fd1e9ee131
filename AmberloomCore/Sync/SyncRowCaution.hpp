#pragma once
// The one rule of what another Mac may change on this Mac unasked, and why anything else waits
// for the user's own tick. Sync at login, automatic sync and the first refresh copy a value only
// when all of these hold (an allow-list: a new kind of setting waits by default):
// - this Mac has no value (the row is onlyThere) and the setting is not pinned here;
// - the setting is plain: a switch, a choice or a slider, whose effect stays within the setting:
//   not a text, folder, colour, list or dictionary; not one that weakens a protection, that macOS
//   writes itself, or that the catalogue marks as reaching further (asksBeforeSync);
// - the incoming value is one its control offers: a listed choice, a slider value within range,
//   a boolean (or 0 and 1) for a switch;
// - the user decided nothing on it here: no choice or reset in the change history that the value
//   would undo, no batch taken back, no copy left unticked, and a change history that reads whole.
// No clock takes part: a decision holds until the user ticks the row. Every held row is still
// offered on My Macs, with its reason beside its tick box; a value of the wrong kind can never be
// written and gets no tick box at all.

#include <optional>
#include <string>

#include "Catalog/SettingDefinition.hpp"
#include "Changes/HeldSettings.hpp"
#include "Changes/IntentLog.hpp"
#include "Sync/SyncRow.hpp"

namespace amberloom {

// What this Mac decided on one setting: its latest change-history record, its hold, and whether
// the history lost records (every setting counts as decided then).
struct DecisionsHere {
  std::optional<RecordedIntent> latest;
  std::optional<SettingHold> hold;
  bool historyLost = false;
};

struct SyncRowCaution {
  enum class Reason {
    weakensSecurity,  // the setting controls a macOS protection
    systemWritten,    // macOS writes the value itself
    wrongKind,        // the other Mac's value is not of the kind the setting takes: never copied
    notPlain,         // a text, folder, colour, list or dictionary: it may name a path, command or address
    asksFirst,        // the catalogue says its value reaches beyond the setting
    notOffered,       // the value is none of those the setting's control offers
    unknownHere,      // this Mac's catalogue does not hold the setting
    resetHere,        // the user put it back to the macOS default here
    chosenHere,       // the user chose another value here
    takenBack,        // the user took back a batch that set it
    declinedHere,     // the user left its copy unticked
    historyLost,      // the change history could not be read: what was decided here is unknown
  };

  Reason reason;
  // When the user decided here (seconds since the reference date), for the reasons of a
  // decision; shown, never compared.
  std::optional<double> decidedAt;

  bool operator==(const SyncRowCaution&) const = default;

  // A row with this caution can never be copied, ticked or not.
  bool blocksCopy() const { return reason == Reason::wrongKind || reason == Reason::unknownHere; }

  // The caution of `row`, given its setting in this Mac's catalogue (none: unknown here) and what
  // this Mac decided on it. Of the reasons that hold, the first in the order above; none for a row
  // that brings nothing, or that may come over by itself. The decisions speak only for rows this
  // Mac lacks: where both Macs have a value, the row shows both and is never copied unasked anyway.
  static std::optional<SyncRowCaution> of(const SyncRow& row, const SettingDefinition* setting,
                                          const DecisionsHere& here);

  // Whether the unattended copy may write `row`: onlyThere, unpinned and without a caution.
  static bool mayCopyUnattended(const SyncRow& row, const SettingDefinition* setting, const DecisionsHere& here);

  // Whether `value` is one the setting's control offers (see above); false for controls that are
  // not plain.
  static bool offered(const PreferenceValue& value, const SettingDefinition& setting);
};

}  // namespace amberloom
