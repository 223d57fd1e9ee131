#pragma once
// Texts the guided screens and My Macs share: localisable keys with counts, dates and file sizes
// in the user's locale, and the reports of a batch write or an undo turned into what their cards
// show.

#include <QLocale>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "Changes/WriteReport.hpp"
#include "Kit/Localized.hpp"

namespace amberloom::ui::guided {

inline QString qstr(const std::string& text) { return QString::fromStdString(text); }

// Stores `value` in `field` when they differ; returns whether it did, so the caller notifies
// observers only of real changes.
template <class T>
bool replace(T& field, T value) {
  if (field == value) return false;
  field = std::move(value);
  return true;
}

using ui::localized;

// The abbreviated date (short month name, no weekday) and the short time of an instant given in
// seconds since the reference date, in `locale`.
QString abbreviatedDateTime(double secondsSinceReferenceDate, const QLocale& locale = QLocale());
// A byte count as file sizes are shown: decimal units ("12 bytes", "1.5 kB").
QString fileSize(std::int64_t bytes, const QLocale& locale = QLocale());

// What a report card shows of a batch write: total, appliedCount, allApplied (nothing failed),
// failedLines ("<id> — <reason or unknown>", none in practice mode), alreadyMatching and
// skippedPinned (counts), restartLine ("Needs a restart: a, b", or empty without targets).
QVariantMap writeReportCard(const WriteReport& report, bool isDryRun);
// The undo's failure text, else the count of entries that did not go back.
std::string incompleteUndo(const UndoReport& report);
// What an undo card shows: isComplete, restoredCount, total, failure (text or null) and
// failedLines ("<domain> · <path joined by />" per entry neither restored nor of unknown value).
QVariantMap undoReportCard(const UndoReport& report);

}  // namespace amberloom::ui::guided
