#pragma once
// The stored undo points as the recent-changes screen lists them: the sync model's list, newest
// first, following it as it changes. Undoing a point goes through the sync model, which keeps the
// point stored and listed, stores the state before the undo as a point of its own and announces
// what it put back; the outcome of the last undo is shown under the list until the list changes
// again. Main thread only.

#include <QAbstractListModel>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <vector>

#include "Changes/SnapshotHistory.hpp"

namespace amberloom::ui {

class SyncModel;
class WorkInProgress;

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

 public:
  // Roles: pointId, reason, detail ("<date> · <n> settings saved"), undoLabel ("Undo: <reason>").
  enum Role { PointIdRole = Qt::UserRole, ReasonRole, DetailRole, UndoLabelRole };

  explicit UndoPointsModel(SyncModel& sync, QObject* parent = nullptr);

  const std::vector<StoredSnapshot>& history() const { return history_; }
  int count() const { return static_cast<int>(history_.size()); }
  const QString& outcome() const { return outcome_; }
  bool outcomeIsWarning() const { return outcomeIsWarning_; }
  WorkInProgress* progress() const;

  // Puts the point of `row` back through the sync model (which never writes AmberLoom's own
  // preferences or those of every application); nothing in practice mode or for a row out of range.
  Q_INVOKABLE void undo(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void countChanged();
  void outcomeChanged();

 private:
  void follow();
  void setOutcome(QString text, bool isWarning);

  SyncModel& sync_;
  std::vector<StoredSnapshot> history_;
  QString outcome_;
  bool outcomeIsWarning_ = false;
};

}  // namespace amberloom::ui
