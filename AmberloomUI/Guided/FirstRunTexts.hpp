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
#include <variant>
#include <vector>

#include "Kit/Localized.hpp"
#include "Backup/BackupService.hpp"
#include "Backup/PersonalisationScanner.hpp"

namespace amberloom::ui {

// Marks what practice mode would have done; it writes nothing.
inline constexpr const char* kPracticeMark = " (kuru kosum \u2014 yazilmadi)";

// What the last backup or restore did.
struct BackedUp {
  std::string path;
  bool operator==(const BackedUp&) const = default;
};
struct Restored {
  std::string deviceID;
  std::optional<std::string> deviceName;
  std::optional<RestoreReport> report;  // none in practice mode
  bool operator==(const Restored&) const = default;
};
struct BackupFailed {
  std::string message;
  bool operator==(const BackupFailed&) const = default;
};
using BackupOutcome = std::variant<BackedUp, Restored, BackupFailed>;

// An entry of a restore that nobody should get unasked: it would change a setting controlling a
// macOS protection, which the backup may switch off; or it holds a value macOS writes itself on
// that Mac (a typed path, the keyboard layout in use), or a value of the wrong kind for its
// setting. It comes over only when the user ticks it in the confirmation.
struct RestoreProtection {
  enum class Why { protection, systemWritten, wrongKind };
  SettingRef ref;
  std::string label;                    // the settings' labels, joined with ", " when the root holds several
  std::optional<std::string> riskNote;  // what switching it off risks, from the catalogue
  Why why = Why::protection;            // the first that holds, in the order above
  bool operator==(const RestoreProtection&) const = default;
};

// What a restore from a backup would do to this Mac.
struct RestorePlan {
  std::vector<SettingRef> incoming;     // entries that would change this Mac, in backup order
  std::vector<SettingRef> overwritten;  // those of `incoming` replacing a value set here
  int unchanged = 0;                    // entries already equal to this Mac's value
  int leftAlone = 0;                    // entries with no value in the backup
  std::vector<SettingRef> unreadable;   // entries whose value on this Mac cannot be read, in backup order
  std::vector<RestoreProtection> protections;  // those of `incoming` left out unless ticked, in their order
  bool operator==(const RestorePlan&) const = default;
};

// A restore awaiting the user's confirmation.
struct PendingRestore {
  BackupEnvelope envelope;
  RestorePlan plan;
  // One per protection of the plan: ticked to come over too. None is ticked until the user does.
  std::vector<bool> bringsProtection = std::vector<bool>(plan.protections.size(), false);

  // The backup's name as the screens show it (see BackupEnvelope::displayName and macName).
  QString deviceName() const;
  // What the restore writes: the plan's incoming entries, less the protections left out.
  std::vector<SettingRef> chosen() const;
  // The confirmation's message: three paragraphs separated by a blank line, then one on the
  // values that cannot be read here and one naming the protections, when there are any. Its
  // counts are those of what the restore writes.
  QString summary() const;
  bool operator==(const PendingRestore&) const = default;
};

// The outcome row's content.
struct OutcomeRowText {
  QString text;
  QString symbol;
  bool isWarning = false;
  QStringList details;  // keys that did not come back: at most five, then a "more" line
  bool operator==(const OutcomeRowText&) const = default;
};

// One customised-group chip of the back-up-what-you-have step.
struct GroupChip {
  QString group;  // the group ID as the scan holds it
  int count = 0;
  QString countText;
  QString accessibleName;
  bool operator==(const GroupChip&) const = default;
};

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
