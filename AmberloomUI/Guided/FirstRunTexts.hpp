#pragma once
// What the first-run wizard and the backup screens say: the wizard's title and subtitle by route,
// the customised-group chips, the warnings for refused backup files, the restore confirmation's
// summary and the outcome row of the last backup or restore. Kept apart from the views so that
// every sentence can be checked without a window. Fixed texts go through the string table (the
// key is the English text; "%lld" takes a count, "%@" a name); data is shown verbatim.

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "Backup/BackupService.hpp"
#include "Backup/PersonalisationScanner.hpp"
#include "Guided/BackupOutcome.hpp"
#include "Guided/GroupChip.hpp"
#include "Guided/OutcomeRowText.hpp"
#include "Guided/PendingRestore.hpp"
#include "Kit/Localized.hpp"

namespace amberloom::ui {

// Marks what practice mode would have done; it writes nothing.
inline constexpr const char* kPracticeMark = " (kuru kosum \u2014 yazilmadi)";

namespace firstrun {

using ui::localized;

// Where the wizard stands: what the start-up scan found, or, once this run has backed this Mac up
// or brought settings over (`step`: that outcome, none otherwise), that. Neither says that this
// Mac is untouched while some of its settings cannot be read or one of them was set.
QString title(FirstRunRoute route, const PersonalisationScan& scan, const std::optional<BackupOutcome>& step = {});
QString subtitle(FirstRunRoute route, const PersonalisationScan& scan, const std::optional<BackupOutcome>& step = {});
// Which settings the scan could not read, by their damaged domains; empty when it read them all.
QString unreadableNote(const PersonalisationScan& scan);

// The six groups with the most customised settings, most first; ties keep the map's order.
std::vector<GroupChip> topGroups(const PersonalisationScan& scan);

// "<file> could not be read (<reason>)".
QString unreadableWarning(const BackupEnvelope::UnreadableBackup& file);

// "<domain> <key> → <key>".
QString refText(const SettingRef& ref);
// At most four references, then " and <n> more".
QString names(const std::vector<SettingRef>& refs);

OutcomeRowText outcomeRow(const BackupOutcome& outcome);

// "Bring settings over from <name>?"; an empty name part when nothing is pending.
QString confirmationTitle(const std::optional<PendingRestore>& pending);

// The settings a backup holds a value of: those a restore can bring over. Entries without a value
// only say that the Mac had none there.
std::size_t savedValues(const BackupEnvelope& backup);

// Backup list row texts.
QString savedCount(const BackupEnvelope& backup);
QString restoreButtonLabel(const BackupEnvelope& backup);

}  // namespace firstrun
}  // namespace amberloom::ui
