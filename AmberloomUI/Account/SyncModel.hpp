#pragma once
// The state of the My Macs page and its actions: the other Macs' documents fetched from the
// account server, this Mac compared with the Mac the user picked, the settings ticked for copying
// and those pinned to this Mac, the copy of ticked values with a stored undo point, the automatic
// copy of values only the other Mac has, publishing this Mac's own document, whether that document
// still waits to be sent, and taking a stored undo point back.
//
// Main thread only; no operation throws. Documents travel through the server-sync object, whose
// answers are awaited on a worker thread and handed back with a queued call, so the window never
// waits on the network; several refreshes may overlap, and the last one to come back wins.
// Building this Mac's document and comparing run on the main thread. Copying and undoing run to
// their end before they return, writing and reading back on a thread of their own meanwhile (see
// WorkInProgress); another copy or undo asked for until then is not made. In practice mode nothing
// is sent, written or taken back (fetching still happens).

#include <QAbstractItemModel>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"
#include "Kit/GuidedBatch.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/ModelContext.hpp"
#include "Kit/WorkInProgress.hpp"
#include "Preferences/ExternalVerifier.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Support/Iso8601.hpp"
#include "Sync/ServerSync.hpp"
#include "Sync/SyncService.hpp"

namespace amberloom::ui {

class BackgroundInbox;
class DifferenceListModel;
class MacListModel;

class SyncModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("The application builds the one sync model")
  // The selected Mac's source (see sources()); empty while none is selected.
  Q_PROPERTY(QString selectedDeviceID READ selectedDeviceIDText WRITE selectDevice NOTIFY selectedDeviceIDChanged)
  // The selected Mac's name as the page shows it, never its id; "another Mac" while none is listed.
  Q_PROPERTY(QString selectedMacName READ selectedMacName NOTIFY selectedMacNameChanged)
  Q_PROPERTY(bool isAutoSyncOn READ isAutoSyncOn WRITE setAutoSyncOn NOTIFY isAutoSyncOnChanged)
  Q_PROPERTY(bool isWaitingToSend READ isWaitingToSend NOTIFY isWaitingToSendChanged)
  // The waiting document is refused until the user makes room on the account: no later sync
  // sends it by itself.
  Q_PROPERTY(bool sendNeedsRoom READ sendNeedsRoom NOTIFY isWaitingToSendChanged)
  Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
  Q_PROPERTY(bool hasLastError READ hasLastError NOTIFY lastErrorChanged)
  Q_PROPERTY(QString publishedPath READ publishedPathText NOTIFY publishedPathChanged)
  Q_PROPERTY(bool hasPublishedPath READ hasPublishedPath NOTIFY publishedPathChanged)
  Q_PROPERTY(int autoAppliedCount READ autoAppliedCount NOTIFY autoAppliedCountChanged)
  Q_PROPERTY(int otherCount READ otherCount NOTIFY othersChanged)
  Q_PROPERTY(int actionableCount READ actionableCount NOTIFY rowsChanged)
  Q_PROPERTY(int identicalCount READ identicalCount NOTIFY rowsChanged)
  Q_PROPERTY(int pinnedCount READ pinnedCount NOTIFY pinnedChanged)
  Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectedIDsChanged)
  Q_PROPERTY(QStringList unreadable READ unreadableList NOTIFY unreadableChanged)
  Q_PROPERTY(bool hasReport READ hasReport NOTIFY reportChanged)
  // summary, hasFailures, failures (list), restartLine; empty without a report.
  Q_PROPERTY(QVariantMap reportRow READ reportRow NOTIFY reportChanged)
  Q_PROPERTY(bool isDryRun READ isDryRun CONSTANT)
  Q_PROPERTY(QAbstractItemModel* macs READ macList CONSTANT)
  Q_PROPERTY(QAbstractItemModel* differences READ differenceList CONSTANT)
  // The question a copy of ticked settings asks first when it would change macOS protections,
  // naming them; empty while none is asked.
  Q_PROPERTY(QString protectionQuestion READ protectionQuestion NOTIFY protectionQuestionChanged)
  // Why nothing comes over by itself while the change history cannot be trusted; empty otherwise.
  Q_PROPERTY(QString historyNote READ historyNote NOTIFY historyNoteChanged)
  // A copy or undo under way.
  Q_PROPERTY(amberloom::ui::WorkInProgress* progress READ progress CONSTANT)
  // Asked when a copy could not store its undo point and so wrote nothing.
  Q_PROPERTY(amberloom::ui::WayBackQuestion* wayBackQuestion READ wayBackQuestion CONSTANT)
  // The steps of a copy, and how each ended.
  Q_PROPERTY(amberloom::ui::GuidedBatch* batch READ batch CONSTANT)

 public:
  static constexpr const char* autoSyncKey = "sync.autoSyncEnabled";
  static inline const std::string practicePublish = "(practice mode \u2014 nothing sent)";
  static inline const std::string sharedSentence = "This Mac's settings were shared.";
  static inline const std::string queuedSuffix =
      " Your settings were applied on this Mac; they will reach your other Macs once you are back online.";
  // In its place while the document waits for a sign-in, not for the network.
  static inline const std::string signInSuffix =
      " Your settings were applied on this Mac; they will reach your other Macs once you sign in again.";
  // In its place for any other refusal the next sync tries again.
  static inline const std::string retrySuffix =
      " Your settings were applied on this Mac; the next sync sends them again.";
  // In its place while the account has no room: no later sync sends the document unless the user
  // makes room.
  static inline const std::string roomSuffix =
      " Your settings were applied on this Mac. To share them, take a Mac you no longer use off your account on "
      "the Account page, then press Sync now.";
  // After a document that no server takes, which is not kept to be sent again.
  static inline const std::string tooLargeSuffix =
      " Your settings were applied on this Mac and stay here; your other Macs keep what they had.";
  static inline const std::string practiceOutcome = "kuru kosum";

  using Clock = ModelContext::Clock;

  // When the first refresh starts: with the model, or when its owner calls refresh() (the
  // application waits until its window has drawn, so that the first frame shares no cores with
  // loading the network library and fetching).
  enum class FirstRefresh { now, whenAsked };

  // Reads the pins and automatic sync from the context's preferences and, unless told to wait, its
  // undo points, then starts the first refresh; told to wait, the undo points are read on a worker
  // with the first refresh (the list is empty until then), as stored points may be large. Values written to this Mac are announced on the
  // context's notice; a change announced there by others compares again, and one that stored an
  // undo point reads the undo points again. The context's clock dates the Macs' "last seen".
  SyncModel(const ModelContext& context, SyncService service, std::shared_ptr<ServerSync> transport,
            QObject* parent = nullptr, FirstRefresh first = FirstRefresh::now);
  static std::shared_ptr<SyncModel> live(const ModelContext& context, SyncService service,
                                         std::shared_ptr<ServerSync> transport,
                                         FirstRefresh first = FirstRefresh::now);
  ~SyncModel() override;

  // ---- observed state ----
  const std::vector<SyncDocument>& others() const { return others_; }
  // The key of each of `others`, in their order, that the Macs are told apart by: the document's
  // device id, or where two listed Macs share one, the account's entry (SyncService::ReadResult).
  const std::vector<std::string>& sources() const { return sources_; }
  // By source.
  const std::map<std::string, double>& sharedAt() const { return sharedAt_; }
  // The account's entry of each listed Mac to its name as its document says it.
  const std::map<std::string, std::string>& entryNames() const { return entryNames_; }
  const std::vector<std::string>& unreadable() const { return unreadable_; }
  const std::vector<SyncRow>& rows() const { return rows_; }
  const std::optional<WriteReport>& report() const { return report_; }
  const std::optional<std::string>& lastError() const { return lastError_; }
  const std::optional<std::string>& publishedPath() const { return publishedPath_; }
  // The selected Mac's source.
  const std::optional<std::string>& selectedDeviceID() const { return selectedDeviceID_; }
  // Every assignment, also of the same source, compares again.
  void setSelectedDeviceID(std::optional<std::string> deviceID);
  const std::set<std::string>& pinned() const { return pinned_; }
  const std::set<std::string>& selectedIDs() const { return selectedIDs_; }
  void setSelectedIDs(std::set<std::string> ids);
  bool isWaitingToSend() const { return isWaitingToSend_; }
  bool sendNeedsRoom() const { return isWaitingToSend_ && sendNeedsRoom_; }
  QString protectionQuestion() const { return protectionQuestion_; }
  QString historyNote() const { return historyNote_; }
  bool isAutoSyncOn() const { return isAutoSyncOn_; }
  // Every assignment, also of the same value, writes "sync.autoSyncEnabled".
  void setAutoSyncOn(bool on);
  // Switches automatic sync off when it is on; the text of the failure to store that, none on
  // success. Sync at login is the login item's own business.
  std::optional<std::string> turnOffAutoSync();
  int autoAppliedCount() const { return autoAppliedCount_; }
  bool isDryRun() const { return isDryRun_; }
  // The undo points as listed (SnapshotHistory::list): their entries are read when one is undone.
  const std::vector<SnapshotHistory::Listed>& history() const { return history_.points; }
  // The files named as undo points that hold none that can be read, as listed with `history`.
  const std::vector<SnapshotHistory::Unreadable>& unreadablePoints() const { return history_.unreadable; }
  // The undo points were read (the list is what is stored, not the empty start).
  bool hasReadHistory() const { return historyRead_; }
  // Where the undo points are kept.
  const SnapshotHistory& undoPoints() const { return snapshots_; }
  void setHistory(SnapshotHistory::Listing history);

  // ---- derived ----
  // Rows neither pinned nor the same on both Macs, in order.
  std::vector<SyncRow> actionableRows() const;
  // Rows the same on both Macs, pinned ones included.
  int identicalCount() const;
  // The listed document of the selected Mac; null when none is selected or listed.
  const SyncDocument* selectedDocument() const;
  // When the selected Mac shared its document; none when unknown or none is selected.
  std::optional<double> selectedSharedAt() const;

  // ---- operations ----
  // Sends a pending document first (its outcome dropped), then fetches the other Macs' documents.
  // A failed fetch keeps everything and words the error in lastError. `done` runs when finished.
  void refresh(std::function<void()> done);
  Q_INVOKABLE void refresh() { refresh({}); }
  // Sends this Mac's document; when it cannot be sent it waits in the pending file.
  void publish(std::function<void()> done);
  Q_INVOKABLE void publish() { publish({}); }
  // Publishes, refreshes, and with automatic sync on copies what only the other Mac has.
  void syncNow(std::function<void()> done);
  Q_INVOKABLE void syncNow() { syncNow({}); }
  // Copies the unpinned values only the selected Mac has (never differing ones) that need no tick
  // (SyncService::unattended), its undo point stored before the first write like any batch's, then
  // refreshes. Writes nothing in practice mode, nor when no point can be stored (the way-back
  // question is asked then, as for applySelected).
  void applyNonConflicting(std::function<void()> done);
  Q_INVOKABLE void applyNonConflicting() { applyNonConflicting({}); }
  // Copies the ticked actionable rows that can be copied and stores an undo point of the copy
  // (none for an empty batch). When they include a macOS protection, the protection question is
  // asked first and nothing is written until confirmProtections(). The onlyThere rows left
  // unticked are held as declined (see HeldSettings): none of them comes over by itself any more.
  // In practice mode only reports what would have been copied.
  Q_INVOKABLE void applySelected();
  Q_INVOKABLE void confirmProtections();
  Q_INVOKABLE void cancelProtections();
  // Ticks the rows without a caution: a held row takes a tick of its own.
  Q_INVOKABLE void selectAll();
  Q_INVOKABLE void clearSelection();
  // Ticks or unticks one setting; a row that can never be copied takes no tick.
  Q_INVOKABLE void setTicked(const QString& settingID, bool ticked);
  Q_INVOKABLE void togglePin(const QString& settingID);
  Q_INVOKABLE void reportProblem(const QString& sentence);
  // Puts an undo point back, save its entries for AmberLoom's own preferences or those of every
  // application, and gives its batch (none in practice mode, where nothing happens,
  // and while a copy or undo is under way), then refreshes; the point stays stored, and the state
  // before the undo is stored as a point of its own. When that point cannot be stored, nothing is
  // written (the batch is held back) unless `agreed`: the caller asks the user.
  std::optional<BatchResult<UndoReport>> undo(const StoredSnapshot& point, bool agreed = false);
  // The same for a listed point, read in whole on the worker first. When it cannot be read (gone,
  // or damaged since it was listed) nothing is written: the report's failure says which point, and
  // the list is read again.
  std::optional<BatchResult<UndoReport>> undo(const SnapshotHistory::Listed& point, bool agreed = false);
  Q_INVOKABLE void refreshHistory();
  // The account signed in now (its address), none while signed out. The first call says whose
  // Macs the first refresh fetched. Afterwards, leaving an account forgets its Macs, their
  // comparison, the ticks and the last copy's report at once, and drops what a fetch still under
  // way brings back; entering one fetches its Macs.
  void setAccount(std::optional<std::string> email);

  // ---- for QML ----
  QString selectedDeviceIDText() const { return QString::fromStdString(selectedDeviceID_.value_or("")); }
  QString selectedMacName() const;
  // An empty id selects no Mac.
  void selectDevice(const QString& deviceID);
  QString lastErrorText() const { return QString::fromStdString(lastError_.value_or("")); }
  bool hasLastError() const { return lastError_.has_value(); }
  QString publishedPathText() const { return QString::fromStdString(publishedPath_.value_or("")); }
  bool hasPublishedPath() const { return publishedPath_.has_value(); }
  int otherCount() const { return static_cast<int>(others_.size()); }
  int actionableCount() const { return static_cast<int>(actionableRows().size()); }
  int pinnedCount() const { return static_cast<int>(pinned_.size()); }
  int selectedCount() const { return static_cast<int>(selectedIDs_.size()); }
  QStringList unreadableList() const;
  bool hasReport() const { return report_.has_value(); }
  QVariantMap reportRow() const;
  QAbstractItemModel* macList() const;
  QAbstractItemModel* differenceList() const;
  WorkInProgress* progress() const { return batch_->progress(); }
  WayBackQuestion* wayBackQuestion() const { return batch_->wayBackQuestion(); }
  GuidedBatch* batch() const { return batch_; }

 signals:
  void othersChanged();
  void unreadableChanged();
  void rowsChanged();
  void reportChanged();
  void lastErrorChanged();
  void publishedPathChanged();
  void selectedDeviceIDChanged();
  void selectedMacNameChanged();
  void pinnedChanged();
  void selectedIDsChanged();
  void isWaitingToSendChanged();
  void isAutoSyncOnChanged();
  void autoAppliedCountChanged();
  void historyChanged();
  void protectionQuestionChanged();
  void historyNoteChanged();

 private:
  // The first read of the undo points, on a worker; a read on this thread since wins over it.
  void readHistoryInBackground();
  void applyNonConflicting(const SnapshotHistory& undoPoints, std::function<void()> done);
  // Undoes the point `read` gives (on the worker, from the history the batch stores its own
  // point in); `reason` names it while it runs.
  std::optional<BatchResult<UndoReport>> undo(const std::string& reason,
                                              std::function<StoredSnapshot(const SnapshotHistory&)> read, bool agreed);
  void apply(SyncService::ReadResult result);
  void refreshRows();
  void updateLists();
  void setLastError(std::optional<std::string> error);
  // Clears the problem line down to a failed upload, which stays until an upload succeeds.
  void clearLastError() { setLastError(uploadProblem_); }
  // Keeps the failure of an upload (none: it succeeded) and shows it.
  void setUploadProblem(std::optional<std::string> problem, bool needsRoom = false);
  void setProtectionQuestion(QString question);
  // The ticked actionable rows that can be copied, in order.
  std::vector<SyncRow> chosenRows() const;
  // Copies chosenRows() as one batch, the protections already agreed to.
  void copyChosen();
  void setPublishedPath(std::optional<std::string> path);
  void setWaitingToSend(bool waiting);
  void setAutoAppliedCount(int count);
  void setRows(std::vector<SyncRow> rows);
  void announce(const Change& change);
  // Sets automatic sync and writes "sync.autoSyncEnabled"; the text of a failure to write it.
  std::optional<std::string> storeAutoSync(bool on);
  // Writes a preference of this model; a failure shows in lastError, and its text is returned.
  std::optional<std::string> remember(const std::function<void(UserDefaults&)>& write);

  SyncService service_;
  std::shared_ptr<ServerSync> transport_;
  bool isDryRun_;
  SnapshotHistory snapshots_;
  std::shared_ptr<const ExternalPreferenceReader> verifier_;
  UserDefaultsRef defaults_;
  ChangeNoticeRef notice_;
  Clock clock_;

  std::vector<SyncDocument> others_;
  std::vector<std::string> sources_;
  std::map<std::string, double> sharedAt_;
  std::map<std::string, std::string> entryNames_;
  std::vector<std::string> unreadable_;
  std::vector<SyncRow> rows_;
  std::optional<WriteReport> report_;
  std::optional<std::string> lastError_;
  std::optional<std::string> publishedPath_;
  std::optional<std::string> selectedDeviceID_;
  std::set<std::string> pinned_;
  std::set<std::string> selectedIDs_;
  // The caution of each actionable row that has one, by setting id, as last shown.
  std::map<std::string, SyncRowCaution> cautions_;
  std::optional<std::string> uploadProblem_;
  bool sendNeedsRoom_ = false;
  QString protectionQuestion_;
  QString historyNote_;
  bool isWaitingToSend_ = false;
  bool isAutoSyncOn_ = false;
  int autoAppliedCount_ = 0;
  SnapshotHistory::Listing history_;
  bool historyRead_ = false;
  bool historyReading_ = false;
  bool accountKnown_ = false;
  std::optional<std::string> account_;
  // Counts the accounts left: a fetch started before the last one belongs to an account that left.
  int signOuts_ = 0;

  MacListModel* macs_;
  DifferenceListModel* differences_;
  std::shared_ptr<BackgroundInbox> inbox_;
  GuidedBatch* batch_;
};

}  // namespace amberloom::ui
