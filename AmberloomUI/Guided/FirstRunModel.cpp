#include "Guided/FirstRunModel.hpp"

#include <filesystem>
#include <utility>
#include <unordered_map>

#include "Kit/DisplayText.hpp"

namespace amberloom::ui {

namespace {

using firstrun::localized;

QString failureHint(const std::string& folder) {
  // A folder in iCloud Drive is usually unwritable because the drive is off on this Mac.
  if (folder.find("Mobile Documents") != std::string::npos)
    return localized("iCloud Drive may be turned off on this Mac. Turn it on in System Settings, or choose another "
                     "backup folder in AmberLoom Settings.");
  return localized("Choose a backup folder AmberLoom can write to in AmberLoom Settings.");
}

// The error's own words, closed as a sentence, then the advice.
std::string withHint(const std::exception& error, const QString& hint) {
  return display::joinedSentences({QString::fromUtf8(error.what()), hint}).toStdString();
}

// Everything that could be put back is back: what is left had no known value before the restore
// (its file could not be read then), so no undo can ever do more.
bool didAllItCan(const UndoReport& report) { return report.failed().empty(); }

QString undoResultText(const UndoReport& report) {
  if (report.isComplete()) return localized("Your settings are back as they were before the restore.");
  if (didAllItCan(report))
    return localized("Your settings are back as they were before the restore, except %lld that could not be read "
                     "then: those were left as they are.",
                     {static_cast<std::int64_t>(report.unknownValues().size())});
  if (report.failure) return QString::fromStdString(*report.failure);
  const auto left = report.failed().size() + report.unknownValues().size();
  return localized("%lld settings did not go back to their old value", {QString::number(static_cast<qulonglong>(left))});
}

}  // namespace

FirstRunModel::FirstRunModel(const ModelContext& context, PersonalisationScan scan, BackupService service,
                             std::string backupFolder, DomainResolver resolver, PreferenceStoreRef store,
                             QObject* parent)
    : QObject(parent), scan_(std::move(scan)), service_(std::move(service)), backupFolder_(std::move(backupFolder)),
      isDryRun_(context.isDryRun), verifier_(context.verifier), notice_(context.notice),
      localState_(std::move(store), std::move(resolver)),
      inbox_(std::make_shared<BackgroundInbox>(this)), backupList_(new BackupListModel(this)),
      batch_(new GuidedBatch(context.history, WayBackQuestion::Undo::whileOpen, this)) {
  refreshOutcomeRow();
}

FirstRunModel::~FirstRunModel() { inbox_->close(); }

std::shared_ptr<FirstRunModel> FirstRunModel::live(const ModelContext& context, PersonalisationScan scan,
                                                   BackupService service, std::string backupFolder,
                                                   PreferenceStoreRef store) {
  return std::make_shared<FirstRunModel>(context, std::move(scan), std::move(service), std::move(backupFolder),
                                         DomainResolver::live(), std::move(store));
}

void FirstRunModel::refreshBackups() {
  if (reading_) {
    readAgain_ = true;
    return;
  }
  setReading(true);
  startRead();
}

void FirstRunModel::startRead() {
  runOffMainThread(inbox_, [service = service_, folder = backupFolder_] { return service.readBackups(folder); },
                   [this](BackgroundOutcome<BackupEnvelope::ReadResult> outcome) {
                     // Reading a folder never throws: an unlistable one reads as empty.
                     if (outcome.value) takeFolder(std::move(*outcome.value));
                     if (std::exchange(readAgain_, false))
                       startRead();  // the folder changed meanwhile, maybe after it was listed
                     else
                       setReading(false);
                   });
}

void FirstRunModel::setReading(bool reading) {
  if (reading == reading_) return;
  reading_ = reading;
  emit readingBackupsChanged();
}

void FirstRunModel::takeFolder(BackupEnvelope::ReadResult read) {
  const auto before = backups();
  backupList_->setBackups(std::move(read.backups));
  if (backups() != before) emit backupsChanged();
  if (read.unreadable != unreadable_) {
    unreadable_ = std::move(read.unreadable);
    emit unreadableChanged();
  }
}

void FirstRunModel::backUpNow() {
  if (batch_->isRunning()) return;
  undoReport_.reset();
  if (isDryRun_) {
    setOutcome(BackedUp{backupFolder_ + "/" + service_.fileName() + kPracticeMark});
    return;
  }
  startBackup(false);
}

void FirstRunModel::askToBackUp() {
  if (batch_->isRunning()) return;
  if (isDryRun_) {
    backUpNow();  // writes nothing, so there is nothing to ask
    return;
  }
  undoReport_.reset();
  startBackup(true);
}

namespace {

// What the worker that backs up hands back: the question to ask first, or the backup's file and
// the folder read again after it.
struct BackupRun {
  bool askFirst = false;
  std::string path;
  BackupEnvelope::ReadResult folder;
};

}  // namespace

void FirstRunModel::startBackup(bool askFirst) {
  batch_->progress()->begin(localized("Backing up this Mac…"));
  runOffMainThread(
      inbox_,
      [service = service_, folder = backupFolder_, askFirst] {
        std::error_code error;
        if (askFirst && std::filesystem::exists(std::filesystem::path(folder) / service.fileName(), error))
          return BackupRun{true, {}, {}};
        std::string path = service.createBackup(folder);
        return BackupRun{false, std::move(path), service.readBackups(folder)};
      },
      [this](BackgroundOutcome<BackupRun> outcome) {
        batch_->progress()->end();
        try {
          if (outcome.error) std::rethrow_exception(outcome.error);
        } catch (const std::exception& error) {
          setOutcome(BackupFailed{withHint(error, failureHint(backupFolder_))});
          return;
        }
        if (outcome.value->askFirst) {
          setAsksToReplaceBackup(true);
          return;
        }
        setOutcome(BackedUp{outcome.value->path});
        takeFolder(std::move(outcome.value->folder));
      });
}

void FirstRunModel::confirmReplace() {
  if (!asksToReplace_) return;
  setAsksToReplaceBackup(false);
  backUpNow();
}

void FirstRunModel::cancelReplace() { setAsksToReplaceBackup(false); }

void FirstRunModel::setAsksToReplaceBackup(bool shown) {
  if (shown == asksToReplace_) return;
  asksToReplace_ = shown;
  emit replaceQuestionChanged();
}

QString FirstRunModel::replaceMessage() const {
  for (const auto& backup : backups())
    if (backup.deviceID == service_.deviceID())
      return localized("The backup folder already holds a backup of this Mac with %lld settings saved. Backing up now "
                       "replaces it with the settings this Mac has now.",
                       {QString::number(static_cast<qulonglong>(firstrun::savedValues(backup)))});
  return localized("The backup folder already holds a backup file of this Mac. Backing up now replaces it with the "
                   "settings this Mac has now.");
}

RestorePlan FirstRunModel::plan(const BackupEnvelope& backup) const {
  std::vector<std::pair<SettingRef, SettingChannel>> roots;
  for (const auto& entry : backup.snapshot.entries) roots.emplace_back(entry.ref, entry.channel);
  std::unordered_map<SettingRef, SnapshotEntry, SettingRef::ExactHash, SettingRef::ExactEqual> here;
  for (auto& entry : localState_.capture(roots).entries) here.emplace(entry.ref, std::move(entry));

  RestorePlan plan;
  for (const auto& entry : backup.snapshot.entries) {
    if (!entry.rootValue) {
      ++plan.leftAlone;
      continue;
    }
    const auto found = here.find(entry.ref);
    // What this Mac holds there is unknown (a damaged file): no write goes over it.
    if (found != here.end() && found->second.isUnreadable) {
      plan.unreadable.push_back(entry.ref);
      continue;
    }
    const bool setHere = found != here.end() && found->second.rootValue;
    if (setHere && *found->second.rootValue == *entry.rootValue) {
      ++plan.unchanged;
      continue;
    }
    plan.incoming.push_back(entry.ref);
    if (setHere) plan.overwritten.push_back(entry.ref);
    if (auto protection = protectionOf(entry)) plan.protections.push_back(std::move(*protection));
  }
  return plan;
}

std::optional<RestoreProtection> FirstRunModel::protectionOf(const SnapshotEntry& entry) const {
  using Why = RestoreProtection::Why;
  QStringList labels;
  std::optional<std::string> note;
  std::optional<Why> why;
  for (const auto& setting : service_.catalog().settings(Snapshot{{entry}})) {
    const auto value = valueAlongPath(entry.rootValue, setting.ref.path);
    const std::optional<Why> reason = setting.risk == SettingRisk::weakensSecurity ? std::optional(Why::protection)
                                      : setting.systemWritten                       ? std::optional(Why::systemWritten)
                                      : value && !valueFits(*value, setting.type)   ? std::optional(Why::wrongKind)
                                                                                    : std::nullopt;
    if (!reason) continue;
    labels << QString::fromStdString(setting.label);
    if (!why || *reason < *why) why = reason;
    if (!note && setting.text && *reason == Why::protection) note = setting.text->riskNote;
  }
  if (labels.isEmpty()) return std::nullopt;
  return RestoreProtection{entry.ref, labels.join(QStringLiteral(", ")).toStdString(), std::move(note), *why};
}

void FirstRunModel::setBringsProtection(int index, bool brought) {
  if (!pendingRestore_ || index < 0 || static_cast<std::size_t>(index) >= pendingRestore_->bringsProtection.size())
    return;
  auto pending = *pendingRestore_;
  pending.bringsProtection[static_cast<std::size_t>(index)] = brought;
  setPendingRestore(std::move(pending));
}

QVariantList FirstRunModel::restoreProtections() const {
  QVariantList rows;
  if (!pendingRestore_) return rows;
  const auto& protections = pendingRestore_->plan.protections;
  for (std::size_t i = 0; i < protections.size(); ++i) {
    const QString label = QString::fromStdString(protections[i].label);
    using Why = RestoreProtection::Why;
    const Why why = protections[i].why;
    const QString note =
        why == Why::systemWritten ? localized("macOS writes this itself as that Mac is used.")
        : why == Why::wrongKind   ? localized("The backup's value is not the kind of value this setting takes.")
                                  : QString::fromStdString(protections[i].riskNote.value_or(""));
    rows.append(QVariantMap{{"label", label},
                            {"note", note},
                            {"isProtection", why == Why::protection},
                            {"brings", i < pendingRestore_->bringsProtection.size() && pendingRestore_->bringsProtection[i]},
                            {"tickName", localized("Bring %@ over too", {label})}});
  }
  return rows;
}

void FirstRunModel::askToRestore(const BackupEnvelope& backup) {
  if (!batch_->isRunning()) setPendingRestore(PendingRestore{backup, plan(backup)});
}

void FirstRunModel::askToRestore(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= backups().size()) return;
  askToRestore(backups()[static_cast<std::size_t>(row)]);
}

void FirstRunModel::cancelRestore() { setPendingRestore(std::nullopt); }

void FirstRunModel::confirmRestore() {
  if (!pendingRestore_ || batch_->isRunning()) return;
  const PendingRestore planned = *pendingRestore_;
  setPendingRestore(std::nullopt);
  restorePlanned(planned);
}

void FirstRunModel::setPendingRestore(std::optional<PendingRestore> pending) {
  if (pending == pendingRestore_) return;
  pendingRestore_ = std::move(pending);
  emit pendingRestoreChanged();
}

void FirstRunModel::setHasPendingRestore(bool shown) {
  if (!shown) cancelRestore();
}

void FirstRunModel::restore(const BackupEnvelope& backup) {
  if (!batch_->isRunning()) restorePlanned(PendingRestore{backup, plan(backup)});
}

void FirstRunModel::restorePlanned(const PendingRestore& given) {
  if (batch_->isRunning()) return;
  const PendingRestore planned = given;  // the list it comes from may change while the restore runs
  const BackupEnvelope& backup = planned.envelope;
  undoReport_.reset();
  if (isDryRun_) {
    setOutcome(Restored{backup.deviceID + kPracticeMark, backup.deviceName, std::nullopt});
    batch_->showOutcome();
    return;
  }
  // Only what the confirmation said would change this Mac, so that the outcome counts what it
  // counted: a value that is already the same needs no write, one over a value that cannot be
  // read here is never made, and a protection comes over only when the user ticked it.
  BackupEnvelope incoming = backup;
  const auto chosen = planned.chosen();
  const ExactRefSet changing(chosen.begin(), chosen.end());
  std::erase_if(incoming.snapshot.entries, [&](const SnapshotEntry& entry) { return !changing.contains(entry.ref); });
  batch_->run(
      localized("Bringing settings over from %@…", {planned.deviceName()}),
      [service = service_, incoming, verifier = verifier_](const SnapshotHistory& history) {
        return service.restore(incoming, RestoreMode::presentValues, *verifier, history);
      },
      [this, backup](BatchResult<RestoreReport> batch) {
        keepWayBack(batch, false);
        setOutcome(Restored{backup.deviceID, backup.deviceName, std::move(batch.report)});
      },
      [this](std::exception_ptr thrown) {
        const QString advice = localized("Some settings may already have changed. Fix the problem above and try "
                                         "again, or bring settings over one at a time from My Macs.");
        try {
          std::rethrow_exception(thrown);
        } catch (const RestoreFailure& failure) {
          // Part of the backup is already written: the state before it is the only way back.
          keepWayBack(failure.batch(), true);
          setOutcome(BackupFailed{withHint(failure, advice)});
        } catch (const std::exception& error) {
          setOutcome(BackupFailed{withHint(error, advice)});
        }
      });
}

void FirstRunModel::keepWayBack(const BatchResult<RestoreReport>& batch, bool failedPartway) {
  // A restore that wrote nothing leaves nothing to go back to: the last one's way back stays.
  if (!batch.wayBack) return;
  setUndoSnapshot(batch.wayBack->point);
  const auto warning = batch.undoPointMessage(true);
  // Without the stored point, or with values it cannot hold, the way back held here is the whole
  // one, and only until the app quits.
  setUndoState(batch.wayBack->onDisk(), failedPartway || warning.has_value(),
               warning ? QString::fromStdString(*warning) : QString());
  if (notice_) notice_->announce(batch.change, this);
}

void FirstRunModel::undoRestore() {
  if (isDryRun_ || !offersUndo_ || !undoSnapshot_ || batch_->isRunning()) return;
  batch_->run(localized("Putting your settings back as they were before the restore…"),
              [service = service_, wayBack = *undoSnapshot_, verifier = verifier_](const SnapshotHistory& history) {
                return service.undo(wayBack, *verifier, history);
              },
              [this](BatchResult<UndoReport> batch) {
                undoReport_ = batch.report;
                if (notice_) notice_->announce(batch.change, this);
                if (didAllItCan(*undoReport_)) {
                  setUndoSnapshot(std::nullopt);
                  setUndoState(undoSurvivesRestart_, false, {});
                }
                refreshOutcomeRow();
              });
}

void FirstRunModel::setOutcome(BackupOutcome outcome) {
  if (outcome_ != outcome) {
    outcome_ = std::move(outcome);
    emit outcomeChanged();
  }
  refreshOutcomeRow();
}

void FirstRunModel::setUndoSnapshot(std::optional<StoredSnapshot> snapshot) {
  undoSnapshot_ = std::move(snapshot);
}

void FirstRunModel::setUndoState(bool survivesRestart, bool offersUndo, QString warning) {
  undoWarning_ = std::move(warning);
  if (survivesRestart == undoSurvivesRestart_ && offersUndo == offersUndo_) return;
  undoSurvivesRestart_ = survivesRestart;
  offersUndo_ = offersUndo;
  emit undoStateChanged();
}

std::optional<BackupOutcome> FirstRunModel::movedOnBy() const {
  if (!outcome_) return std::nullopt;
  if (std::holds_alternative<BackedUp>(*outcome_)) return isDryRun_ ? std::nullopt : outcome_;
  const auto* restored = std::get_if<Restored>(&*outcome_);
  if (!restored || !restored->report) return std::nullopt;
  // A restore taken back leaves this Mac where the scan found it.
  if (undoReport_ && didAllItCan(*undoReport_)) return std::nullopt;
  return outcome_;
}

void FirstRunModel::refreshOutcomeRow() {
  // Every key is there without an outcome too, so that a hidden row still binds.
  const auto text = outcome_ ? firstrun::outcomeRow(*outcome_) : OutcomeRowText{};
  const QVariantMap row{{"text", text.text},
           {"symbol", text.symbol},
           {"warning", text.isWarning},
           {"details", text.details},
           {"offersUndo", offersUndo_},
           {"undoWarning", undoWarning_},
           {"undoResult", undoReport_ ? undoResultText(*undoReport_) : QString()},
           {"undoResultWarning", undoReport_ && !undoReport_->isComplete()}};
  const QStringList header{title(), subtitle(), hasMovedOn() ? QStringLiteral("moved on") : QString()};
  if (header != header_) {
    header_ = header;
    emit headerChanged();
  }
  if (row == outcomeRow_) return;
  outcomeRow_ = row;
  emit outcomeRowChanged();
}

QVariantList FirstRunModel::groupChips() const {
  QVariantList chips;
  for (const auto& chip : firstrun::topGroups(scan_))
    chips.append(QVariantMap{{"group", chip.group}, {"countText", chip.countText}, {"accessibleName", chip.accessibleName}});
  return chips;
}

QStringList FirstRunModel::unreadableWarnings() const {
  QStringList warnings;
  for (const auto& file : unreadable_) warnings << firstrun::unreadableWarning(file);
  return warnings;
}

}  // namespace amberloom::ui
