#pragma once
// The recent-changes screen's model: the settings the user changed here that something else has
// changed since, found by a first scan at creation or, at the application's start, on a worker
// (which also remembers the macOS build seen, under "lastSeenOSBuild"), the user's ticks, putting the ticked ones back with an undo point on disk,
// undoing that, and keeping the system's value of one setting. Main thread only; every operation
// runs to its end before it returns and none throws: a failure becomes a property the screen
// shows. Putting back and its undo write and read back on the worker pool meanwhile (see
// WorkInProgress); other operations are ignored until they end.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"
#include "Guided/RowListModel.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/GuidedBatch.hpp"
#include "Kit/ModelContext.hpp"
#include "Kit/WorkInProgress.hpp"
#include "Preferences/UserDefaults.hpp"
#include "Upkeep/RepairScanner.hpp"
#include "Upkeep/RepairService.hpp"

namespace amberloom::ui {

class BackgroundInbox;

class RepairModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application")
  Q_PROPERTY(bool isDryRun READ isDryRun CONSTANT)
  Q_PROPERTY(QString headline READ headlineText NOTIFY scanChanged)
  Q_PROPERTY(bool hasFindings READ hasFindings NOTIFY scanChanged)
  // Rows: findingId, label, valuesLine ("<current> now · you chose <wanted>"), chosenAt (the
  // date in the user's locale), selected, keepFailure (keepFailure on the finding it is about,
  // else empty).
  Q_PROPERTY(amberloom::ui::RowListModel* findings READ findingRows CONSTANT)
  Q_PROPERTY(QStringList selectedIDs READ selectedIDList WRITE setSelectedIDList NOTIFY selectedIDsChanged)
  Q_PROPERTY(int selectedCount READ selectedCount NOTIFY selectedIDsChanged)
  // The report card (see guided::writeReportCard); null without a report.
  Q_PROPERTY(QVariant report READ reportCard NOTIFY reportChanged)
  Q_PROPERTY(bool canUndo READ canUndo NOTIFY lastUndoChanged)
  Q_PROPERTY(bool undoSurvivesRestart READ undoSurvivesRestart NOTIFY undoSurvivesRestartChanged)
  // The undo card (see guided::undoReportCard); null without an undo report.
  Q_PROPERTY(QVariant undoReport READ undoReportCard NOTIFY undoReportChanged)
  Q_PROPERTY(bool historyWasUnreadable READ historyWasUnreadable NOTIFY unreadableHistoryFilesChanged)
  Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
  // Why the last "Keep as it is" was not saved; empty when it was, and after the next check.
  Q_PROPERTY(QString keepFailure READ keepFailureText NOTIFY keepFailureChanged)
  // Whether the finding keepFailure is about is listed (its row then says it).
  Q_PROPERTY(bool keepFailureListed READ keepFailureListed NOTIFY keepFailureChanged)
  // Putting back or its undo under way.
  Q_PROPERTY(amberloom::ui::WorkInProgress* progress READ progress CONSTANT)
  // Asked when a batch could not store its undo point and so wrote nothing.
  Q_PROPERTY(amberloom::ui::WayBackQuestion* wayBackQuestion READ wayBackQuestion CONSTANT)
  // The steps of putting back or its undo, and how each ended.
  Q_PROPERTY(amberloom::ui::GuidedBatch* batch READ batch CONSTANT)

 public:
  static constexpr const char* lastSeenBuildKey = "lastSeenOSBuild";

  // When the first scan runs: in the constructor, or on a worker while the model lists nothing
  // (the application's start, which a long change history must not hold back).
  enum class FirstScan { now, inBackground };

  // Scans with the build stored under "lastSeenOSBuild" as the previous one, ticks every finding
  // but a macOS protection (that takes its own tick),
  // then stores the current build there (both in the context's preferences). Every real repair and
  // undo is announced on the context's notice; a change announced there by others is a reason to
  // scan again (once the first scan is in, when it runs in the background). `log` is the change
  // history the scan reads.
  RepairModel(const ModelContext& context, RepairScanner scanner, RepairService service, IntentLog log,
              QObject* parent = nullptr, FirstScan first = FirstScan::now);
  // Scans `catalog`'s settings against the change history `log` on the system build `osBuild`.
  static std::shared_ptr<RepairModel> live(const ModelContext& context, const SettingsCatalog& catalog,
                                           const SettingsService& settings, const PreferenceStoreRef& store,
                                           const IntentLog& log, std::string osBuild,
                                           FirstScan first = FirstScan::now);
  ~RepairModel() override;
  // The first scan has come in (at once, unless it runs in the background).
  bool hasScanned() const { return !firstScanPending_; }

  bool isDryRun() const { return isDryRun_; }
  const RepairScan& scan() const { return scan_; }
  const std::vector<RepairFinding>& findings() const { return scan_.findings; }
  bool hasFindings() const { return !scan_.isEmpty(); }
  std::string headline() const;
  const std::optional<WriteReport>& report() const { return report_; }
  const std::set<std::string>& selectedIDs() const { return selectedIDs_; }
  void setSelectedIDs(std::set<std::string> ids);
  // The way back from the last real repair, in memory (and on disk when undoSurvivesRestart).
  const std::optional<StoredSnapshot>& lastUndo() const { return lastUndo_; }
  bool undoSurvivesRestart() const { return undoSurvivesRestart_; }
  const std::optional<UndoReport>& undoReport() const { return undoReport_; }
  const std::vector<std::string>& unreadableHistoryFiles() const { return unreadableHistoryFiles_; }
  bool historyWasUnreadable() const { return !unreadableHistoryFiles_.empty(); }
  const std::optional<std::string>& lastError() const { return lastError_; }
  const std::optional<std::string>& keepFailure() const { return keepFailure_; }
  bool keepFailureListed() const;
  WorkInProgress* progress() const { return batch_->progress(); }
  WayBackQuestion* wayBackQuestion() const { return batch_->wayBackQuestion(); }
  GuidedBatch* batch() const { return batch_; }

  // Scans again (the last scan's build as the previous one), ticks everything, clears the report.
  Q_INVOKABLE void rescan();
  // Puts back the ticked findings, stores the undo point and scans again keeping the report. When
  // no point can be stored, nothing is written and the way-back question asked.
  Q_INVOKABLE void repairSelected();
  // Undoes the last real repair (asking first, as repairSelected does).
  Q_INVOKABLE void undoLast();
  // Records the finding's current value as the user's choice, also in practice mode, and scans;
  // a choice that could not be saved leaves the finding listed and says why in keepFailure.
  void keep(const RepairFinding& finding);
  Q_INVOKABLE void keep(const QString& findingId);
  // Ticks or unticks one finding.
  Q_INVOKABLE void setSelected(const QString& findingId, bool selected);

 signals:
  void scanChanged();
  void reportChanged();
  void lastErrorChanged();
  void selectedIDsChanged();
  void lastUndoChanged();
  void undoSurvivesRestartChanged();
  void undoReportChanged();
  void unreadableHistoryFilesChanged();
  void keepFailureChanged();

 private:
  // A scan with the last scan's build as the previous one; ticks every finding but a protection.
  void scanAgain();
  // Shows the first scan and what it found of the history's unreadable files; ticks every finding.
  void showFirstScan(RepairScan scan, std::vector<std::string> unreadableHistoryFiles);
  void setScan(RepairScan scan);
  void setReport(std::optional<WriteReport> report);
  void setLastError(std::optional<std::string> error);
  void setLastUndo(std::optional<StoredSnapshot> undo);
  void setUndoSurvivesRestart(bool survives);
  void setUndoReport(std::optional<UndoReport> report);
  void setUnreadableHistoryFiles(std::vector<std::string> names);
  // The failure of keeping the finding `id` as it is; none clears it.
  void setKeepFailure(std::optional<std::string> failure, std::string id = {});
  void showFindings();
  void announce(const Change& change);

  RowListModel* findingRows() { return findingRows_; }
  QString headlineText() const;
  QStringList selectedIDList() const;
  void setSelectedIDList(const QStringList& ids);
  int selectedCount() const { return static_cast<int>(selectedIDs_.size()); }
  QVariant reportCard() const;
  bool canUndo() const { return lastUndo_.has_value(); }
  QVariant undoReportCard() const;
  QString lastErrorText() const;
  QString keepFailureText() const;

  bool isDryRun_;
  RepairScan scan_;
  std::optional<WriteReport> report_;
  std::optional<std::string> lastError_;
  std::optional<std::string> keepFailure_;
  std::string keepFailureID_;
  std::set<std::string> selectedIDs_;
  std::optional<StoredSnapshot> lastUndo_;
  bool undoSurvivesRestart_ = false;
  std::optional<UndoReport> undoReport_;
  std::vector<std::string> unreadableHistoryFiles_;
  RepairScanner scanner_;
  RepairService service_;
  std::shared_ptr<const ExternalPreferenceReader> verifier_;
  UserDefaultsRef defaults_;
  ChangeNoticeRef notice_;
  IntentLog log_;
  RowListModel* findingRows_;
  GuidedBatch* batch_;
  std::shared_ptr<BackgroundInbox> inbox_;
  bool firstScanPending_ = false;
  bool rescanWanted_ = false;  // a change was announced while the first scan ran
};

}  // namespace amberloom::ui
