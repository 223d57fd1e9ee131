#pragma once
// The sidebar groups as the browser's sidebar iterates them.

#include <QAbstractListModel>
#include <vector>

#include "Catalog/SettingGroup.hpp"

namespace amberloom::ui {

// One row per sidebar group: groupID, name, count, isApp.
class SettingGroupListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  enum Role { GroupIDRole = Qt::UserRole + 1, NameRole, CountRole, IsAppRole };

  SettingGroupListModel(const std::vector<SettingGroup>& groups, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  const std::vector<SettingGroup>& groups_;
};

}  // namespace amberloom::ui
