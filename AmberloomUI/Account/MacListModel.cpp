#include "Account/MacListModel.hpp"

#include "Account/AccountTexts.hpp"
#include "Account/SyncTexts.hpp"

namespace amberloom::ui {

MacListModel::MacListModel(Clock clock, QObject* parent) : ReplacingListModel(parent), clock_(std::move(clock)) {}

void MacListModel::update(const std::vector<SyncDocument>& documents, const std::vector<std::string>& sources,
                          const std::map<std::string, double>& sharedAt, const std::optional<std::string>& selected,
                          int differences) {
  std::vector<Row> next;
  for (std::size_t i = 0; i < documents.size(); ++i) {
    const auto& document = documents[i];
    Row row{sources[i], document.displayName(), std::nullopt, static_cast<int>(document.intents.size())};
    if (auto found = sharedAt.find(sources[i]); found != sharedAt.end()) row.sharedAt = found->second;
    row.isSelected = selected == sources[i];
    row.differences = row.isSelected ? differences : -1;
    next.push_back(std::move(row));
  }
  // The freshness moves on with the clock: a refresh always tells the views.
  replaceRows(rows_, std::move(next), [](const Row& row) { return row.deviceID; }, true);
}

int MacListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant MacListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case DeviceIDRole: return QString::fromStdString(row.deviceID);
    case Qt::DisplayRole:
    case NameRole: return macName(row.name);
    case FreshnessRole: return synctexts::freshness(row.sharedAt, clock_()).text;
    case IsStaleRole: return synctexts::freshness(row.sharedAt, clock_()).isStale;
    case SettingCountRole: return row.settingCount;
    case IsSelectedRole: return row.isSelected;
    case DifferencesRole: return row.differences;
    default: return {};
  }
}

QHash<int, QByteArray> MacListModel::roleNames() const {
  return {{DeviceIDRole, "deviceID"},   {NameRole, "name"},         {FreshnessRole, "freshness"},
          {IsStaleRole, "isStale"},     {SettingCountRole, "settingCount"}, {IsSelectedRole, "isSelected"},
          {DifferencesRole, "differences"}};
}

}  // namespace amberloom::ui
