#pragma once
// The two lists of the My Macs page, kept by the sync model: the other Macs that shared their
// settings, and the differences of the selected Mac that need the user's attention. Each is
// changed in place when only its values change, and reset when its rows come and go.

#include <QAbstractListModel>
#include <algorithm>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Sync/SyncDocument.hpp"
#include "Sync/SyncRow.hpp"

namespace amberloom::ui {

// Replaces a list's rows: in place when they are the same rows (same keys in the same order),
// else with a reset.
class ReplacingListModel : public QAbstractListModel {
 protected:
  using QAbstractListModel::QAbstractListModel;

  template <class Rows, class Key>
  void replaceRows(Rows& current, Rows next, Key key, bool changedBesides) {
    const bool sameRows = current.size() == next.size() &&
                          std::equal(current.begin(), current.end(), next.begin(),
                                     [&](const auto& a, const auto& b) { return key(a) == key(b); });
    if (!sameRows) {
      beginResetModel();
      current = std::move(next);
      endResetModel();
      return;
    }
    const bool changed = changedBesides || current != next;
    current = std::move(next);
    if (changed && !current.empty()) emit dataChanged(index(0), index(static_cast<int>(current.size()) - 1));
  }
};

class MacListModel : public ReplacingListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Kept by the sync model")

 public:
  // differences: the count for the selected Mac, -1 for every other one.
  enum Role {
    DeviceIDRole = Qt::UserRole,
    NameRole,
    FreshnessRole,
    IsStaleRole,
    SettingCountRole,
    IsSelectedRole,
    DifferencesRole,
  };

  using Clock = std::function<double()>;  // seconds since the reference date

  explicit MacListModel(Clock clock, QObject* parent = nullptr);

  // Shows `documents`, each named by its source (the deviceID role) with the upload time of that
  // source; `selected` is the selected Mac's source and `differences` the number of its actionable
  // rows.
  void update(const std::vector<SyncDocument>& documents, const std::vector<std::string>& sources,
              const std::map<std::string, double>& sharedAt, const std::optional<std::string>& selected,
              int differences);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  struct Row {
    std::string deviceID;
    std::string name;
    std::optional<double> sharedAt;
    int settingCount = 0;
    bool isSelected = false;
    int differences = -1;
    bool operator==(const Row&) const = default;
  };
  Clock clock_;
  std::vector<Row> rows_;
};

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
