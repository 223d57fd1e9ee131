#pragma once
// The removal screen's model, made afresh each time the screen opens: the plan of what removing
// the application leaves and deletes, putting every changed setting back (with an undo point on
// disk) and deleting the application's files, and the result of the last of these steps. Either
// step also turns off automatic sync and sync at login, so that neither the next "Sync now", nor a
// start, nor the next login's sync copies back from the other Macs what was just put back or
// brings back data that was just deleted. Main thread only;
// nothing throws. Either step runs to its end before it returns, putting the settings back (writing
// and reading back), or taking this Mac off its account and deleting, on the worker pool meanwhile
// (see WorkInProgress); either step asked for until then is not taken.

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"
#include "Guided/RowListModel.hpp"
#include "Kit/ChangeNotice.hpp"
#include "Kit/GuidedBatch.hpp"
#include "Kit/ModelContext.hpp"
#include "Kit/WorkInProgress.hpp"
#include "Upkeep/UninstallService.hpp"

namespace amberloom::ui {

class RemovalModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application")
  Q_PROPERTY(bool isDryRun READ isDryRun CONSTANT)
  Q_PROPERTY(int settingsLeftChanged READ settingsLeftChanged NOTIFY planChanged)
  // Without a change history: the catalogued settings that hold a value here (see RemovalPlan).
  Q_PROPERTY(int settingsSetWithoutHistory READ settingsSetWithoutHistory NOTIFY planChanged)
  // Rows: label, path, size (in the file style of the user's locale), accessibleName.
  Q_PROPERTY(amberloom::ui::RowListModel* appData READ appDataRows CONSTANT)
  // The backup folder's path; empty when the plan has none.
  Q_PROPERTY(QString backupsPath READ backupsPath NOTIFY planChanged)
  Q_PROPERTY(bool hasOutcome READ hasOutcome NOTIFY outcomeChanged)
  Q_PROPERTY(QString outcomeText READ outcomeText NOTIFY outcomeChanged)
  Q_PROPERTY(bool outcomeIsWarning READ outcomeIsWarning NOTIFY outcomeChanged)
  Q_PROPERTY(bool undoSurvivesRestart READ undoSurvivesRestart NOTIFY undoSurvivesRestartChanged)
  Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)
  Q_PROPERTY(QString closingSentence READ closingSentence CONSTANT)
  // Putting the settings back under way.
  Q_PROPERTY(amberloom::ui::WorkInProgress* progress READ progress CONSTANT)
  // Asked when a batch could not store its undo point and so wrote nothing.
  Q_PROPERTY(amberloom::ui::WayBackQuestion* wayBackQuestion READ wayBackQuestion CONSTANT)
  // The steps of putting everything back, and how each ended.
  Q_PROPERTY(amberloom::ui::GuidedBatch* batch READ batch CONSTANT)

 public:
  struct Reverted {
    WriteReport report;
    bool operator==(const Reverted&) const = default;
  };
  struct Removed {
    std::vector<std::string> failures;  // paths not deleted, in plan order
    bool stillListed = false;           // this Mac could not be taken off its account
    bool operator==(const Removed&) const = default;
  };

  // What the outcome says when this Mac could not be taken off its account.
  static inline const QString stillListedSentence = QStringLiteral(
      "This Mac is still listed on your account; remove it from another Mac or sign in again to retire it.");
  using Outcome = std::variant<Reverted, Removed>;

  // Turns off automatic sync and sync at login; none on success, else the text of the failure.
  using StopSync = std::function<std::optional<std::string>()>;

  // Draws the first plan (which may move an unreadable change history aside). Putting the
  // settings back is announced on the context's notice; a change announced there by others plans
  // again.
  RemovalModel(const ModelContext& context, UninstallService service, StopSync stopSync, QObject* parent = nullptr);
  // `turnOffAutoSync` turns automatic sync off (none on success, else the text of the failure);
  // sync at login is turned off after it through the login item service's autostart entry.
  static std::unique_ptr<RemovalModel> live(const ModelContext& context, UninstallService service,
                                            StopSync turnOffAutoSync);

  const RemovalPlan& plan() const { return plan_; }
  const std::optional<Outcome>& outcome() const { return outcome_; }
  bool undoSurvivesRestart() const { return undoSurvivesRestart_; }
  const std::optional<std::string>& lastError() const { return lastError_; }
  bool isDryRun() const { return isDryRun_; }
  QString closingSentence() const;
  WorkInProgress* progress() const { return batch_->progress(); }
  WayBackQuestion* wayBackQuestion() const { return batch_->wayBackQuestion(); }
  GuidedBatch* batch() const { return batch_; }

  Q_INVOKABLE void reload();
  // Turns sync off, then resets every setting the application changed, stores the undo point (none
  // for an empty batch) and plans again. When no point can be stored, nothing is reset and the
  // way-back question asked. Nothing in practice mode.
  Q_INVOKABLE void revertEverything();
  // Turns sync off, takes this Mac off its account (waiting a bounded time for the server), then
  // deletes the application's files (never the backups; the preferences that kept sync on go with
  // them) and plans again. Nothing in practice mode.
  Q_INVOKABLE void removeAppData();

 signals:
  void planChanged();
  void outcomeChanged();
  void undoSurvivesRestartChanged();
  void lastErrorChanged();

 private:
  void setPlan(RemovalPlan plan);
  void setOutcome(Outcome outcome);
  void setUndoSurvivesRestart(bool survives);
  void setLastError(std::optional<std::string> error);
  // Turns off automatic sync and sync at login; the text of a failure, none on success.
  std::optional<std::string> stopSync() const;

  RowListModel* appDataRows() { return appDataRows_; }
  int settingsLeftChanged() const { return static_cast<int>(plan_.settingsLeftChanged); }
  int settingsSetWithoutHistory() const { return static_cast<int>(plan_.settingsSetWithoutHistory); }
  QString backupsPath() const;
  bool hasOutcome() const { return outcome_.has_value(); }
  QString outcomeText() const;
  bool outcomeIsWarning() const;
  QString lastErrorText() const;

  RemovalPlan plan_;
  std::optional<Outcome> outcome_;
  bool undoSurvivesRestart_ = false;
  std::optional<std::string> lastError_;
  bool isDryRun_;
  UninstallService service_;
  std::shared_ptr<const ExternalPreferenceReader> verifier_;
  StopSync stopSync_;
  ChangeNoticeRef notice_;
  RowListModel* appDataRows_;
  GuidedBatch* batch_;
};

}  // namespace amberloom::ui
