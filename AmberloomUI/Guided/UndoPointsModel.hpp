#pragma once
// The stored undo points as the recent-changes screen lists them: the sync model's list, newest
// first (empty until the sync model has read it), following it as it changes, then the files that
// hold no point that can be read (listed as such, with no Undo). Rows show what the listing tells;
// a point's entries are read only when it is undone, and one that can no longer be read then
// says so in the outcome, with nothing written. Undoing a point goes through the sync model, which keeps the point
// stored and listed, stores the state before the undo as a point of its own and announces what it
// put back; when that point of its own cannot be stored, nothing is written and the way-back
// question asked first. The outcome of the last undo is shown under the list until the list
// changes again. It also offers, as the window opens, the batches the last run left unsettled
// (`interrupted`), whose Undo is this list's. Main thread only.

#include <QAbstractListModel>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>
#include <vector>

#include "Changes/InterruptedBatches.hpp"
#include "Changes/SnapshotHistory.hpp"
#include "Guided/InterruptedBatchOffer.hpp"
#include "Kit/GuidedBatch.hpp"

namespace amberloom::ui {

class SyncModel;

class UndoPointsModel : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application")
  Q_PROPERTY(int count READ count NOTIFY countChanged)
  // "<n> of <m> settings put back", or why not all went back; empty before an undo.
  Q_PROPERTY(QString outcome READ outcome NOTIFY outcomeChanged)
  Q_PROPERTY(bool outcomeIsWarning READ outcomeIsWarning NOTIFY outcomeChanged)
  // The sync model's copy or undo under way.
  Q_PROPERTY(amberloom::ui::WorkInProgress* progress READ progress CONSTANT)
  // Asked when an undo could not store its own point and so wrote nothing.
  Q_PROPERTY(amberloom::ui::WayBackQuestion* wayBackQuestion READ wayBackQuestion CONSTANT)
  // The steps of an undo, and how each ended.
  Q_PROPERTY(amberloom::ui::GuidedBatch* batch READ batch CONSTANT)
  // The batches the last run left unsettled, offered one at a time.
  Q_PROPERTY(amberloom::ui::InterruptedBatchOffer* interrupted READ interrupted CONSTANT)

 public:
  // Roles: pointId, reason, detail ("<date> · <n> settings saved"), undoLabel ("Undo: <reason>"),
  // readable (false for a file that holds no point that can be read: no Undo).
  enum Role { PointIdRole = Qt::UserRole, ReasonRole, DetailRole, UndoLabelRole, ReadableRole };

  // `interrupted`: what the start found (InterruptedBatches::find), newest first.
  explicit UndoPointsModel(SyncModel& sync, std::vector<InterruptedBatch> interrupted = {}, QObject* parent = nullptr);

  const std::vector<SnapshotHistory::Listed>& history() const { return history_; }
  const std::vector<SnapshotHistory::Unreadable>& unreadable() const { return unreadable_; }
  int count() const { return static_cast<int>(history_.size() + unreadable_.size()); }
  const QString& outcome() const { return outcome_; }
  bool outcomeIsWarning() const { return outcomeIsWarning_; }
  WorkInProgress* progress() const { return batch_->progress(); }
  WayBackQuestion* wayBackQuestion() const { return batch_->wayBackQuestion(); }
  GuidedBatch* batch() const { return batch_; }
  InterruptedBatchOffer* interrupted() const { return interrupted_; }

  // Puts the point of `row` back through the sync model (which never writes AmberLoom's own
  // preferences or those of every application); nothing in practice mode or for a row out of
  // range or unreadable.
  Q_INVOKABLE void undo(int row);
  // The same for a point given, which need not be listed.
  void undo(const StoredSnapshot& point);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void countChanged();
  void outcomeChanged();

 private:
  // The sync model's undo of one point, told whether the user agreed to go on without a point.
  using Undo = std::function<std::optional<BatchResult<UndoReport>>(bool agreed)>;
  // `reported` hears the outcome too, once the undo has run.
  void undo(const Undo& run, bool agreed, InterruptedBatchOffer::Reported reported);
  void follow();
  void followReadable();
  void followUnreadable();
  void setOutcome(QString text, bool isWarning);

  SyncModel& sync_;
  std::vector<SnapshotHistory::Listed> history_;
  std::vector<SnapshotHistory::Unreadable> unreadable_;  // rows after the points that read
  QString outcome_;
  bool outcomeIsWarning_ = false;
  GuidedBatch* batch_;
  InterruptedBatchOffer* interrupted_;
};

}  // namespace amberloom::ui
