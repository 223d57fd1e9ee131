#include "Guided/RowListModel.hpp"

namespace amberloom::ui {

RowListModel::RowListModel(QList<QByteArray> roles, QObject* parent)
    : QAbstractListModel(parent), roles_(std::move(roles)) {}

void RowListModel::setRows(QList<QVariantMap> rows) {
  if (rows.size() != rows_.size()) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    emit countChanged();
    return;
  }
  for (qsizetype i = 0; i < rows.size(); ++i) {
    if (rows[i] == rows_[i]) continue;
    rows_[i] = std::move(rows[i]);
    emit dataChanged(index(static_cast<int>(i)), index(static_cast<int>(i)));
  }
}

QVariant RowListModel::get(int row, const QString& role) const {
  if (row < 0 || row >= rows_.size()) return {};
  return rows_[row].value(role);
}

int RowListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant RowListModel::data(const QModelIndex& index, int role) const {
  const int column = role - Qt::UserRole;
  if (!checkIndex(index, CheckIndexOption::IndexIsValid) || column < 0 || column >= roles_.size()) return {};
  return rows_[index.row()].value(QString::fromUtf8(roles_[column]));
}

QHash<int, QByteArray> RowListModel::roleNames() const {
  QHash<int, QByteArray> names;
  for (qsizetype i = 0; i < roles_.size(); ++i) names.insert(Qt::UserRole + static_cast<int>(i), roles_[i]);
  return names;
}

}  // namespace amberloom::ui
