#pragma once
// The model behind the first-run wizard and the backup section of the My Macs page: the
// personalisation scan made at start, the backups of the backup folder, the outcome of the last
// backup or restore, the restore awaiting confirmation and the state before the last restore.
// A restore and its undo run to their end before they return, writing and reading back on a thread
// of their own meanwhile (see WorkInProgress). The backup folder is read only when a screen that
// lists it asks, and like a backup it is read and written on a worker: the lists and the outcome
// change once that work is done. The model ignores other operations while a backup, a restore or
// its undo is under way. In practice mode nothing is written: outcomes say what would have happened.

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Backup/BackupService.hpp"
#include "Backup/PersonalisationScanner.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"
#include "Guided/BackupListModel.hpp"
#include "Guided/FirstRunTexts.hpp"
#include "Kit/BackgroundCall.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/GuidedBatch.hpp"
#include "Kit/ModelContext.hpp"
#include "Kit/WorkInProgress.hpp"

namespace amberloom::ui {

class FirstRunModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("The application makes the first-run model")
  Q_PROPERTY(Route route READ routeValue CONSTANT)
  // What the scan found, or what this run's backup or restore did (see firstrun::title).
  Q_PROPERTY(QString title READ title NOTIFY headerChanged)
  Q_PROPERTY(QString subtitle READ subtitle NOTIFY headerChanged)
  // This run has backed this Mac up or brought settings over: the way on is to browse settings.
  Q_PROPERTY(bool hasMovedOn READ hasMovedOn NOTIFY headerChanged)
  // Which settings the start-up scan could not read; empty when it read them all.
  Q_PROPERTY(QString unreadableNote READ unreadableNote CONSTANT)
  Q_PROPERTY(QString backupFolder READ backupFolderText CONSTANT)
  Q_PROPERTY(QVariantList groupChips READ groupChips CONSTANT)
  Q_PROPERTY(bool isDryRun READ isDryRun CONSTANT)
  Q_PROPERTY(amberloom::ui::BackupListModel* backupList READ backupList CONSTANT)
  Q_PROPERTY(QStringList unreadableWarnings READ unreadableWarnings NOTIFY unreadableChanged)
  Q_PROPERTY(bool readingBackups READ readingBackups NOTIFY readingBackupsChanged)
  Q_PROPERTY(bool hasOutcome READ hasOutcome NOTIFY outcomeRowChanged)
  Q_PROPERTY(QVariantMap outcomeRow READ outcomeRow NOTIFY outcomeRowChanged)
  Q_PROPERTY(bool hasPendingRestore READ hasPendingRestore WRITE setHasPendingRestore NOTIFY pendingRestoreChanged)
  Q_PROPERTY(QString confirmationTitle READ confirmationTitle NOTIFY pendingRestoreChanged)
  Q_PROPERTY(QString confirmationMessage READ confirmationMessage NOTIFY pendingRestoreChanged)
  // The protections the pending restore would change: label, note, brings (ticked), tickName.
  Q_PROPERTY(QVariantList restoreProtections READ restoreProtections NOTIFY pendingRestoreChanged)
  Q_PROPERTY(bool asksToReplaceBackup READ asksToReplaceBackup WRITE setAsksToReplaceBackup NOTIFY replaceQuestionChanged)
  Q_PROPERTY(QString replaceMessage READ replaceMessage NOTIFY replaceQuestionChanged)
  Q_PROPERTY(bool undoSurvivesRestart READ undoSurvivesRestart NOTIFY undoStateChanged)
  Q_PROPERTY(bool offersUndo READ offersUndo NOTIFY undoStateChanged)
  Q_PROPERTY(amberloom::ui::WorkInProgress* progress READ progress CONSTANT)
  // Asked when a restore or its undo could not store its undo point and so wrote nothing.
  Q_PROPERTY(amberloom::ui::WayBackQuestion* wayBackQuestion READ wayBackQuestion CONSTANT)
  // The steps of a restore or its undo, and how each ended.
  Q_PROPERTY(amberloom::ui::GuidedBatch* batch READ batch CONSTANT)

 public:
  enum Route { Restore, Discover, BackUpWhatYouHave, Compare };
  Q_ENUM(Route)

  // Reads nothing yet: the backup lists stay empty until `refreshBackups`. Every real restore and
  // its undo is announced on the context's notice; `resolver` and `store` read this Mac's values
  // before a restore, for its undo point.
  FirstRunModel(const ModelContext& context, PersonalisationScan scan, BackupService service,
                std::string backupFolder, DomainResolver resolver, PreferenceStoreRef store,
                QObject* parent = nullptr);
  // This Mac's domains, as the live resolver finds them.
  static std::shared_ptr<FirstRunModel> live(const ModelContext& context, PersonalisationScan scan,
                                             BackupService service, std::string backupFolder,
                                             PreferenceStoreRef store);
  ~FirstRunModel() override;

  const PersonalisationScan& scan() const { return scan_; }
  const std::string& backupFolder() const { return backupFolder_; }
  FirstRunRoute route() const { return scan_.route(); }
  bool isDryRun() const { return isDryRun_; }
  const std::vector<BackupEnvelope>& backups() const { return backupList_->backups(); }
  const std::vector<BackupEnvelope::UnreadableBackup>& unreadable() const { return unreadable_; }
  const std::optional<BackupOutcome>& outcome() const { return outcome_; }
  const std::optional<PendingRestore>& pendingRestore() const { return pendingRestore_; }
  // Only dismissing is meant for the views; any value is taken.
  void setPendingRestore(std::optional<PendingRestore> pending);
  // The state before the last real restore, also when that restore failed part-way.
  std::optional<Snapshot> undoSnapshot() const {
    return undoSnapshot_ ? std::optional(undoSnapshot_->snapshot) : std::nullopt;
  }
  // The undo point of the last real restore reached the disk.
  bool undoSurvivesRestart() const { return undoSurvivesRestart_; }
  // The outcome row offers Undo: the last restore failed part-way, or its undo point could not be
  // stored, and the state before it is still held. A backup, or a restore that writes nothing,
  // keeps the offer; a restore that writes replaces it.
  bool offersUndo() const { return offersUndo_; }
  const std::optional<UndoReport>& undoReport() const { return undoReport_; }

  // Reads the backup folder on a worker (in practice mode too: reading writes nothing); the lists
  // change when it has been read. Asked while a read is under way, it reads once more after it.
  // Each screen that lists the backups asks when it appears.
  Q_INVOKABLE void refreshBackups();
  bool readingBackups() const { return reading_; }

  // Backs this Mac up into the backup folder and reads the folder again, on a worker, shown as
  // work in progress; a failure becomes the outcome with a hint where to look. Never throws.
  Q_INVOKABLE void backUpNow();
  // Backs up, unless the folder already holds this Mac's backup file: then asks first
  // (`asksToReplaceBackup`), so that one click never replaces a full backup unseen. The folder is
  // looked at on the worker that backs up.
  Q_INVOKABLE void askToBackUp();
  Q_INVOKABLE void confirmReplace();
  Q_INVOKABLE void cancelReplace();

  // Works out what restoring `backup` would do and opens the confirmation. Writes nothing.
  void askToRestore(const BackupEnvelope& backup);
  // The same for the backup list's row; an out-of-range row does nothing.
  Q_INVOKABLE void askToRestore(int row);
  Q_INVOKABLE void cancelRestore();
  // Ticks or unticks the pending restore's protection at `index` (of restoreProtections) to come
  // over too; nothing when none is pending or out of range.
  Q_INVOKABLE void setBringsProtection(int index, bool brought);
  // Closes the confirmation, then restores what it said: the pending backup's values that would
  // change this Mac, as planned when it was asked, less the protections not ticked. Nothing when
  // none is pending.
  Q_INVOKABLE void confirmRestore();
  // Writes the backup's values that differ from this Mac's (never deletes a key, never writes over
  // a value that cannot be read here, never changes a protection: nobody was asked), reads them back, and keeps the state before as
  // `undoSnapshot`, stored as an undo point before the first write. The outcome counts the values
  // written, as the confirmation does. When no point can be stored, nothing is written and the
  // way-back question asked. Never throws: a failure becomes the outcome.
  void restore(const BackupEnvelope& backup);
  // Puts the state before the last restore back, read back from outside; a complete undo ends the
  // offer. Nothing in practice mode or without a held state.
  Q_INVOKABLE void undoRestore();

  // A restore or its undo under way.
  WorkInProgress* progress() const { return batch_->progress(); }
  WayBackQuestion* wayBackQuestion() const { return batch_->wayBackQuestion(); }
  GuidedBatch* batch() const { return batch_; }

  // For QML.
  Route routeValue() const { return static_cast<Route>(route()); }
  QString title() const { return firstrun::title(route(), scan_, movedOnBy()); }
  QString unreadableNote() const { return firstrun::unreadableNote(scan_); }
  QString subtitle() const { return firstrun::subtitle(route(), scan_, movedOnBy()); }
  bool hasMovedOn() const { return movedOnBy().has_value(); }
  QString backupFolderText() const { return QString::fromStdString(backupFolder_); }
  QVariantList groupChips() const;
  BackupListModel* backupList() const { return backupList_; }
  QStringList unreadableWarnings() const;
  bool hasOutcome() const { return outcome_.has_value(); }
  // text, symbol, warning, details (list); offersUndo, undoWarning (text, empty when none),
  // undoResult (text of the last undo, empty when none), undoResultWarning. Empty texts without an outcome.
  QVariantMap outcomeRow() const { return outcomeRow_; }
  bool hasPendingRestore() const { return pendingRestore_.has_value(); }
  // Setting false dismisses the confirmation; true is ignored (only asking opens it).
  void setHasPendingRestore(bool shown);
  QString confirmationTitle() const { return firstrun::confirmationTitle(pendingRestore_); }
  QString confirmationMessage() const { return pendingRestore_ ? pendingRestore_->summary() : QString(); }
  QVariantList restoreProtections() const;
  bool asksToReplaceBackup() const { return asksToReplace_; }
  void setAsksToReplaceBackup(bool shown);
  QString replaceMessage() const;

 signals:
  void backupsChanged();
  void unreadableChanged();
  void outcomeChanged();
  void outcomeRowChanged();
  void pendingRestoreChanged();
  void undoStateChanged();
  void replaceQuestionChanged();
  void readingBackupsChanged();
  void headerChanged();

 private:
  RestorePlan plan(const BackupEnvelope& backup) const;
  // The entry's root as one left out unless ticked: when it holds a catalogue setting that controls
  // a protection, that macOS writes, or whose value there is not of its kind.
  std::optional<RestoreProtection> protectionOf(const SnapshotEntry& entry) const;
  void restorePlanned(const PendingRestore& planned);
  // The last outcome when it changed where this Mac stands: a real backup, or a real restore not
  // taken back since; none otherwise.
  std::optional<BackupOutcome> movedOnBy() const;
  // Backs up on a worker, first asking when `askFirst` and this Mac's file is there.
  void startBackup(bool askFirst);
  void startRead();
  void takeFolder(BackupEnvelope::ReadResult read);
  void setReading(bool reading);
  void setOutcome(BackupOutcome outcome);
  void setUndoSnapshot(std::optional<StoredSnapshot> snapshot);
  void setUndoState(bool survivesRestart, bool offersUndo, QString warning);
  // Holds the restore's way back, says what became of its undo point and announces the restore.
  void keepWayBack(const BatchResult<RestoreReport>& batch, bool failedPartway);
  void refreshOutcomeRow();

  PersonalisationScan scan_;
  BackupService service_;
  std::string backupFolder_;
  bool isDryRun_;
  std::shared_ptr<const ExternalPreferenceReader> verifier_;
  ChangeNoticeRef notice_;
  SnapshotService localState_;

  std::shared_ptr<BackgroundInbox> inbox_;
  bool reading_ = false;
  bool readAgain_ = false;
  BackupListModel* backupList_;
  GuidedBatch* batch_;
  std::vector<BackupEnvelope::UnreadableBackup> unreadable_;
  std::optional<BackupOutcome> outcome_;
  std::optional<PendingRestore> pendingRestore_;
  std::optional<StoredSnapshot> undoSnapshot_;  // the way back from the last real restore
  bool undoSurvivesRestart_ = false;
  bool offersUndo_ = false;
  QString undoWarning_;
  std::optional<UndoReport> undoReport_;
  bool asksToReplace_ = false;
  QVariantMap outcomeRow_;
  QStringList header_;  // title, subtitle and hasMovedOn as last told
};

}  // namespace amberloom::ui
