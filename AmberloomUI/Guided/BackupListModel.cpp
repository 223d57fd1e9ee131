#include "Guided/BackupListModel.hpp"

#include "Guided/FirstRunTexts.hpp"

namespace amberloom::ui {

void BackupListModel::setBackups(std::vector<BackupEnvelope> backups) {
  if (backups == backups_) return;
  beginResetModel();
  backups_ = std::move(backups);
  endResetModel();
}

int BackupListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(backups_.size());
}

QVariant BackupListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const auto& backup = backups_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case DeviceIDRole: return QString::fromStdString(backup.deviceID);
    case Qt::DisplayRole:
    case NameRole: return QString::fromStdString(backup.displayName());
    case SavedCountRole: return firstrun::savedCount(backup);
    case RestoreLabelRole: return firstrun::restoreButtonLabel(backup);
    default: return {};
  }
}

QHash<int, QByteArray> BackupListModel::roleNames() const {
  return {{DeviceIDRole, "deviceID"}, {NameRole, "name"}, {SavedCountRole, "savedCount"}, {RestoreLabelRole, "restoreLabel"}};
}

}  // namespace amberloom::ui
