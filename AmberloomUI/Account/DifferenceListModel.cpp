#include "Account/DifferenceListModel.hpp"

#include "Account/SyncTexts.hpp"

namespace amberloom::ui {

DifferenceListModel::DifferenceListModel(QObject* parent) : ReplacingListModel(parent) {}

void DifferenceListModel::update(const std::vector<SyncRow>& rows, const std::set<std::string>& ticked) {
  const bool tickChanged = ticked != ticked_;
  ticked_ = ticked;
  replaceRows(rows_, rows, [](const SyncRow& row) { return row.settingID; }, tickChanged);
}

int DifferenceListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant DifferenceListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const SyncRow& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case SettingIDRole: return QString::fromStdString(row.settingID);
    case Qt::DisplayRole:
    case LabelRole: return QString::fromStdString(row.label);
    case DifferenceRole: return synctexts::describe(row.difference);
    case IsTickedRole: return ticked_.contains(row.settingID);
    case IsPinnedRole: return row.pinnedToThisMac;
    default: return {};
  }
}

QHash<int, QByteArray> DifferenceListModel::roleNames() const {
  return {{SettingIDRole, "settingID"},
          {LabelRole, "label"},
          {DifferenceRole, "difference"},
          {IsTickedRole, "isTicked"},
          {IsPinnedRole, "isPinned"}};
}

}  // namespace amberloom::ui
