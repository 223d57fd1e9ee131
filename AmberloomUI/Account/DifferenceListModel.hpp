#pragma once
// The differences of the Mac selected on the My Macs page that need the user's attention, kept by
// the sync model, with which are ticked for copying and which pinned. Changed in place when only
// its values change, and reset when its rows come and go.

#include <QtQml/qqmlregistration.h>
#include <set>
#include <string>
#include <vector>

#include "Account/ReplacingListModel.hpp"
#include "Sync/SyncRow.hpp"

namespace amberloom::ui {

class DifferenceListModel : public ReplacingListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Kept by the sync model")

 public:
  enum Role { SettingIDRole = Qt::UserRole, LabelRole, DifferenceRole, IsTickedRole, IsPinnedRole };

  explicit DifferenceListModel(QObject* parent = nullptr);

  void update(const std::vector<SyncRow>& rows, const std::set<std::string>& ticked);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  std::vector<SyncRow> rows_;
  std::set<std::string> ticked_;
};

}  // namespace amberloom::ui
