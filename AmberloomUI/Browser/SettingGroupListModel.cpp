#include "Browser/SettingGroupListModel.hpp"

namespace amberloom::ui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SettingGroupListModel::SettingGroupListModel(const std::vector<SettingGroup>& groups, QObject* parent)
    : QAbstractListModel(parent), groups_(groups) {}

int SettingGroupListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(groups_.size());
}

QVariant SettingGroupListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const auto& group = groups_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case NameRole: return qs(group.name);
    case GroupIDRole: return qs(group.id);
    case CountRole: return static_cast<int>(group.count());
    case IsAppRole: return group.isApp();
    default: return {};
  }
}

QHash<int, QByteArray> SettingGroupListModel::roleNames() const {
  return {{GroupIDRole, "groupID"}, {NameRole, "name"}, {CountRole, "count"}, {IsAppRole, "isApp"}};
}

}  // namespace amberloom::ui
