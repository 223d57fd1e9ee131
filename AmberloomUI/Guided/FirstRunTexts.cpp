#include "Guided/FirstRunTexts.hpp"

#include <QCoreApplication>
#include <algorithm>

#include "Kit/MacName.hpp"
#include "Support/DeviceName.hpp"

namespace amberloom::ui::firstrun {

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }
QString number(std::size_t n) { return QString::number(static_cast<qulonglong>(n)); }

QString reasonText(const BackupError& error) {
  switch (error.errorCase()) {
    case BackupError::Case::checksumMismatch: return localized("the file is damaged or half-written");
    case BackupError::Case::unsupportedSchemaVersion: return localized("written by a newer version of AmberLoom");
    case BackupError::Case::unreadable: break;
  }
  return localized("not a AmberLoom backup");
}

// At most four items, then " and <n> more".
QString listed(const QStringList& items) {
  const QString joined = items.mid(0, 4).join(QStringLiteral(", "));
  if (items.size() <= 4) return joined;
  return localized("%@ and %lld more", {joined, number(static_cast<std::size_t>(items.size() - 4))});
}

// The name a restore's outcome shows: the backup's name, or its device ID when it has none.
QString restoredName(const Restored& restored) { return macName(shownDeviceName(restored.deviceName, restored.deviceID)); }

// The outcome a title speaks of: a backup, or a restore that wrote (practice mode's has no report).
const Restored* restoredStep(const std::optional<BackupOutcome>& step) {
  const auto* restored = step ? std::get_if<Restored>(&*step) : nullptr;
  return restored && restored->report ? restored : nullptr;
}
bool backedUpStep(const std::optional<BackupOutcome>& step) { return step && std::holds_alternative<BackedUp>(*step); }

}  // namespace

QString title(FirstRunRoute route, const PersonalisationScan& scan, const std::optional<BackupOutcome>& step) {
  if (backedUpStep(step)) return localized("This Mac is backed up");
  if (const auto* restored = restoredStep(step)) {
    if (restored->report->total() == 0) return localized("Nothing needed bringing over");
    if (restored->report->restoredCount() == 0) return localized("The settings did not come over");
    return localized("Your settings are here");
  }
  switch (route) {
    case FirstRunRoute::restore: return QStringLiteral("We found a backup");
    case FirstRunRoute::discover:
      if (scan.unreadableCount() > 0) return QStringLiteral("Some of this Mac's settings cannot be read");
      if (scan.deliberateCount() > 0) return localized("This Mac is nearly untouched");
      return QStringLiteral("This Mac is untouched");
    case FirstRunRoute::backUpWhatYouHave: return QStringLiteral("You have already made this Mac yours");
    case FirstRunRoute::compare: break;
  }
  return QStringLiteral("Two sets of settings");
}

QString subtitle(FirstRunRoute route, const PersonalisationScan& scan, const std::optional<BackupOutcome>& step) {
  if (backedUpStep(step))
    return localized("Its settings are in your backup folder now, ready to come back whenever you want them. Browse "
                     "settings to go on.");
  if (const auto* restored = restoredStep(step)) {
    const QString name = restoredName(*restored);
    if (restored->report->total() == 0) return localized("This Mac already holds every value of %@'s backup.", {name});
    if (restored->report->restoredCount() == 0)
      return localized("None of the %lld settings from %@ read back as the backup has them: the lines below say "
                       "which.",
                       {number(restored->report->total()), name});
    return localized("The settings from %@ are on this Mac now. Browse them, or take the restore back from Recent "
                     "changes.",
                     {name});
  }
  const QString scanned = number(scan.scannedCount);
  const QString deliberate = number(scan.deliberateCount());
  const bool readAll = scan.unreadableCount() == 0;
  // Untouched is said only of a Mac of which every setting was read and none was set.
  const bool untouched = readAll && scan.deliberateCount() == 0;
  switch (route) {
    case FirstRunRoute::restore:
      if (!untouched)
        return QStringLiteral("There is a backup in your cloud folder. Restoring it brings your settings across.");
      return QStringLiteral("This Mac is untouched, and there is a backup in your cloud folder. Restoring it brings "
                            "your settings across.");
    case FirstRunRoute::discover: {
      const QString readable = number(scan.scannedCount - scan.unreadableCount());
      if (scan.deliberateCount() > 0)
        return readAll ? localized("You have set %lld of the %lld settings AmberLoom knows about. Have a look at what "
                                   "else you can change.",
                                   {deliberate, scanned})
                       : localized("You have set %lld of the %lld settings AmberLoom can read here. Have a look at what "
                                   "else you can change.",
                                   {deliberate, readable});
      if (!readAll)
        return QStringLiteral("None of the ") + readable +
               QStringLiteral(" settings AmberLoom can read here have been changed. Have a look at what you can "
                              "change.");
      return QStringLiteral("None of the ") + scanned +
             QStringLiteral(" settings AmberLoom knows about have been changed here. Have a look at what you can change.");
    }
    case FirstRunRoute::backUpWhatYouHave:
      return deliberate + QStringLiteral(" of ") + scanned +
             QStringLiteral(" settings have a value stored on this Mac. Save them before anything changes.");
    case FirstRunRoute::compare: break;
  }
  return QStringLiteral("This Mac has ") + deliberate +
         QStringLiteral(" settings of its own, and there is already a backup. Nothing is overwritten until you say so.");
}

QString unreadableNote(const PersonalisationScan& scan) {
  if (scan.unreadableCount() == 0) return {};
  QStringList domains;
  for (const auto& domain : scan.unreadableDomains) domains << q(domain);
  return localized("The values of %lld settings cannot be read: the preferences of %@ are damaged. They count "
                   "neither as changed nor as untouched, and AmberLoom writes nothing there.",
                   {number(scan.unreadableCount()), listed(domains)});
}

std::vector<GroupChip> topGroups(const PersonalisationScan& scan) {
  std::vector<std::pair<std::string, int>> pairs(scan.customisedByGroup.begin(), scan.customisedByGroup.end());
  std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  pairs.resize(std::min<std::size_t>(pairs.size(), 6));
  std::vector<GroupChip> chips;
  for (const auto& [group, count] : pairs) {
    const QString n = QString::number(count);
    chips.push_back({q(group), count, localized("%lld", {n}),
                     localized("%@: %lld settings set on this Mac", {q(group), n})});
  }
  return chips;
}

QString unreadableWarning(const BackupEnvelope::UnreadableBackup& file) {
  return localized("%@ could not be read (%@)", {q(file.file), reasonText(file.reason)});
}

QString refText(const SettingRef& ref) {
  QStringList keys;
  for (const auto& key : ref.path) keys << q(key);
  return q(ref.domain) + u' ' + keys.join(QStringLiteral(" \u2192 "));
}

QString names(const std::vector<SettingRef>& refs) {
  QStringList shown;
  for (const auto& ref : refs) shown << refText(ref);
  return listed(shown);
}

OutcomeRowText outcomeRow(const BackupOutcome& outcome) {
  const QString check = QStringLiteral("checkmark.seal");
  const QString warning = QStringLiteral("exclamationmark.triangle");
  if (const auto* backedUp = std::get_if<BackedUp>(&outcome))
    return {localized("Saved to %@", {q(backedUp->path)}), check, false, {}};
  if (const auto* failed = std::get_if<BackupFailed>(&outcome)) return {q(failed->message), warning, true, {}};

  const auto& restored = std::get<Restored>(outcome);
  const QString name = restoredName(restored);
  if (!restored.report) return {localized("Settings from %@ applied", {name}), check, false, {}};

  const auto& report = *restored.report;
  const auto failedKeys = report.failed();
  OutcomeRowText row{localized("%lld of %lld settings restored from %@",
                               {number(report.restoredCount()), number(report.total()), name}),
                     failedKeys.empty() ? check : warning, !failedKeys.empty(), {}};
  for (std::size_t i = 0; i < std::min<std::size_t>(failedKeys.size(), 5); ++i)
    row.details << localized("\u00B7 %@ did not come back", {refText(failedKeys[i].ref)});
  if (failedKeys.size() > 5) row.details << localized("\u00B7 and %lld more", {number(failedKeys.size() - 5)});
  return row;
}

QString confirmationTitle(const std::optional<PendingRestore>& pending) {
  return localized("Bring settings over from %@?", {pending ? pending->deviceName() : QString()});
}

std::size_t savedValues(const BackupEnvelope& backup) {
  const auto& entries = backup.snapshot.entries;
  return static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(), [](const auto& entry) { return entry.rootValue.has_value(); }));
}

QString savedCount(const BackupEnvelope& backup) { return localized("%lld settings saved", {number(savedValues(backup))}); }

QString restoreButtonLabel(const BackupEnvelope& backup) {
  // The button's own words, and the Mac that tells it from the others; no count, which only the
  // confirmation can give right (what will really be written).
  return localized("Bring my settings over from %@", {macName(backup.displayName())});
}

}  // namespace amberloom::ui::firstrun

namespace amberloom::ui {

QString PendingRestore::deviceName() const { return macName(envelope.displayName()); }

std::vector<SettingRef> PendingRestore::chosen() const {
  ExactRefSet leftOut;
  for (std::size_t i = 0; i < plan.protections.size(); ++i)
    if (i >= bringsProtection.size() || !bringsProtection[i]) leftOut.insert(plan.protections[i].ref);
  std::vector<SettingRef> refs;
  for (const auto& ref : plan.incoming)
    if (!leftOut.contains(ref)) refs.push_back(ref);
  return refs;
}

QString PendingRestore::summary() const {
  using firstrun::localized;
  const auto count = [](auto n) { return QString::number(static_cast<qlonglong>(n)); };
  const auto written = chosen();
  const ExactRefSet writes(written.begin(), written.end());
  std::vector<SettingRef> overwritten;
  for (const auto& ref : plan.overwritten)
    if (writes.contains(ref)) overwritten.push_back(ref);
  const QString brought = localized("%lld settings will be brought over from %@.", {count(written.size()), deviceName()});
  const QString replaced =
      overwritten.empty()
          ? localized("None of them replace a value you have set on this Mac.")
          : localized("%lld of them replace a value that is set on this Mac: %@.",
                      {count(overwritten.size()), firstrun::names(overwritten)});
  const QString kept = localized("%lld are already the same, and %lld have no value in that backup \u2014 those are "
                                 "left exactly as they are. Nothing is removed.",
                                 {count(plan.unchanged), count(plan.leftAlone)});
  QString summary = brought + QStringLiteral("\n\n") + replaced + QStringLiteral("\n\n") + kept;
  if (!plan.unreadable.empty())
    summary += QStringLiteral("\n\n") +
               localized("%lld cannot be brought over, as their values on this Mac cannot be read: %@.",
                         {count(plan.unreadable.size()), firstrun::names(plan.unreadable)});
  QStringList protections, others;
  for (const auto& protection : plan.protections)
    (protection.why == RestoreProtection::Why::protection ? protections : others)
        << QString::fromStdString(protection.label);
  if (!protections.isEmpty())
    summary += QStringLiteral("\n\n") +
               localized("%lld control a macOS protection that the backup may switch off: %@. Each comes over only "
                         "when you tick it below.",
                         {count(protections.size()), firstrun::listed(protections)});
  if (!others.isEmpty())
    summary += QStringLiteral("\n\n") +
               localized("%lld hold what macOS wrote itself on that Mac, or a value of the wrong kind: %@. Each "
                         "comes over only when you tick it below.",
                         {count(others.size()), firstrun::listed(others)});
  return summary;
}

}  // namespace amberloom::ui
