#pragma once
// The backups of the backup folder as the backup list shows them: one row per backup, in the given
// order, with its name, its count of saved settings and its restore button's accessible label.

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>
#include <vector>

#include "Backup/BackupEnvelope.hpp"

namespace amberloom::ui {

class BackupListModel : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("A backup list comes from its screen's model")

 public:
  enum Role { DeviceIDRole = Qt::UserRole + 1, NameRole, SavedCountRole, RestoreLabelRole };

  using QAbstractListModel::QAbstractListModel;

  // Replaces the rows; resets the model only when the backups differ.
  void setBackups(std::vector<BackupEnvelope> backups);
  const std::vector<BackupEnvelope>& backups() const { return backups_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  std::vector<BackupEnvelope> backups_;
};

}  // namespace amberloom::ui
