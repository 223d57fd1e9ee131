#pragma once
// The other Macs of the My Macs page, kept by the sync model: the Macs that shared their settings,
// with how fresh each one's document is. Changed in place when only its values change, and reset
// when its rows come and go.

#include <QtQml/qqmlregistration.h>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Account/ReplacingListModel.hpp"
#include "Sync/SyncDocument.hpp"

namespace amberloom::ui {

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

}  // namespace amberloom::ui
