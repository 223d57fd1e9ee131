#pragma once
// What the My Macs page says about a compared setting, another Mac and the last copy. Kept apart
// from the views so that every sentence can be checked without a window. Fixed texts go through
// the string table (the key is the English text); data (labels, ids, strings) is shown verbatim,
// only a string too long to read on screen is cut; counts are never put into the singular.

#include <QString>
#include <QStringList>
#include <optional>

#include "Changes/WriteReport.hpp"
#include "Preferences/PreferenceValue.hpp"
#include "Catalog/SettingDefinition.hpp"
#include "Sync/SyncDocument.hpp"
#include "Sync/SyncRow.hpp"
#include "Sync/SyncRowCaution.hpp"

namespace amberloom::ui::synctexts {

// A value in a few words: "on"/"off", the number, the string ("(empty)" when empty; whole up to
// 1000 characters, else its first 1000 and "…"), the byte count of data, the date in the user's
// locale; a dictionary or array is named, not shown.
QString shortValue(const PreferenceValue& value);

// The line under a card's label: how this Mac's value and the incoming one stand.
QString describe(const SyncDifference& difference);

// How fresh another Mac's document is, from its upload time (seconds since the reference date)
// and now, counted in whole elapsed days of the local calendar.
struct Freshness {
  QString text;
  bool isStale = false;  // unknown, or 14 days old and more
  bool operator==(const Freshness&) const = default;
};
Freshness freshness(std::optional<double> sharedAt, double now);

// The report of the last copy of ticked settings.
struct ReportText {
  QString summary;        // "<applied> of <total> settings brought over"
  bool hasFailures = false;
  QStringList failures;   // the first five failed outcomes, "· <id>: <reason>"
  QString restartLine;    // "Needs a restart: a, b"; empty when nothing needs one
  bool operator==(const ReportText&) const = default;
};
ReportText report(const WriteReport& report);

// The line beside a card's tick box saying why the setting waits for the tick (see
// SyncRowCaution): for a protection, the catalogue's note on what switching it off risks, when
// `setting` has one.
QString caution(const SyncRowCaution& caution, const SettingDefinition* setting);

}  // namespace amberloom::ui::synctexts
