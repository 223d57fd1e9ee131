#pragma once
// The stored undo points as the recent-changes screen lists them, newest first, and the undo of
// one of them. The list is read from the undo history at creation and on refreshHistory() only;
// undoing a point keeps it stored and listed. The undo itself is handed in (the application puts
// the point back through the sync service, which also forgets the change-history records of the
// settings it touched). Main thread only.

#include <QAbstractListModel>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Changes/SnapshotHistory.hpp"
#include "Changes/WriteReport.hpp"

namespace amberloom::ui {

class UndoPointsModel : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application")
  Q_PROPERTY(int count READ count NOTIFY countChanged)
  Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)

 public:
  // Roles: pointId, reason, detail ("<date> · <n> settings saved"), undoLabel ("Undo: <reason>").
  enum Role { PointIdRole = Qt::UserRole, ReasonRole, DetailRole, UndoLabelRole };

  // Puts a point back: its snapshot, and its change-history records when it keeps them.
  using Undo = std::function<UndoReport(const StoredSnapshot&)>;

  UndoPointsModel(SnapshotHistory history, bool isDryRun, Undo undo, std::function<void()> onApplied,
                  QObject* parent = nullptr);

  const std::vector<StoredSnapshot>& history() const { return history_; }
  int count() const { return static_cast<int>(history_.size()); }
  const std::optional<std::string>& lastError() const { return lastError_; }

  // Reads the stored points again.
  Q_INVOKABLE void refreshHistory();
  // Puts the point of `row` back (nothing in practice mode or for a row out of range), sets
  // lastError from the undo's report and tells the owner; the list stays as it is.
  Q_INVOKABLE void undo(int row);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void countChanged();
  void lastErrorChanged();

 private:
  QString lastErrorText() const;

  SnapshotHistory snapshots_;
  bool isDryRun_;
  Undo undo_;
  std::function<void()> onApplied_;
  std::vector<StoredSnapshot> history_;
  std::optional<std::string> lastError_;
};

}  // namespace amberloom::ui
