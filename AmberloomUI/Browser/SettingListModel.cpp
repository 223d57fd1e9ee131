#include "Browser/SettingListModel.hpp"

#include "Browser/SettingsModel.hpp"

namespace amberloom::ui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SettingListModel::SettingListModel(const SettingsModel& model, QObject* parent)
    : QAbstractListModel(parent), model_(model) {
  connect(&model, &SettingsModel::valueChanged, this, &SettingListModel::valueChanged);
}

void SettingListModel::setRows(std::vector<const SettingDefinition*> rows) {
  if (rows == rows_) return;
  beginResetModel();
  rows_ = std::move(rows);
  rowOf_.clear();
  endResetModel();
}

void SettingListModel::replaceRows(std::vector<const SettingDefinition*> rows) {
  const std::size_t before = rows_.size(), after = rows.size();
  rowOf_.clear();
  if (after < before) {
    beginRemoveRows({}, static_cast<int>(after), static_cast<int>(before) - 1);
    rows_.resize(after);
    endRemoveRows();
  } else if (after > before) {
    beginInsertRows({}, static_cast<int>(before), static_cast<int>(after) - 1);
    rows_.insert(rows_.end(), rows.begin() + static_cast<std::ptrdiff_t>(before), rows.end());
    endInsertRows();
  }
  // Of the rows both lists have, only the span from the first to the last that differs changes.
  const std::size_t common = std::min(before, after);
  std::size_t first = 0, last = common;
  while (first < common && rows_[first] == rows[first]) ++first;
  while (last > first && rows_[last - 1] == rows[last - 1]) --last;
  rows_ = std::move(rows);
  if (first < last) emit dataChanged(index(static_cast<int>(first)), index(static_cast<int>(last) - 1));
}

void SettingListModel::valueChanged(const QString& settingID) {
  if (rows_.empty()) return;
  if (rowOf_.empty())
    for (std::size_t row = 0; row < rows_.size(); ++row) rowOf_.emplace(rows_[row]->id, static_cast<int>(row));
  const auto found = rowOf_.find(settingID.toStdString());
  if (found == rowOf_.end()) return;
  const auto changed = index(found->second);
  emit dataChanged(changed, changed, {IsSetRole, ValueTextRole, IsUnreadableRole});
}

int SettingListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SettingListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const SettingDefinition& setting = *rows_[static_cast<std::size_t>(index.row())];
  const auto& text = setting.text;
  switch (role) {
    case Qt::DisplayRole:
    case LabelRole: return qs(setting.label);
    case SettingIDRole: return qs(setting.id);
    case SummaryRole: return text ? qs(text->summary) : QString();
    case WhyHiddenRole: return text ? qs(text->whyHidden) : QString();
    case LevelRole: return text ? qs(std::string(rawValue(text->level))) : QString();
    case WeakensSecurityRole: return setting.risk == SettingRisk::weakensSecurity;
    case RiskNoteRole: return text && text->riskNote ? qs(*text->riskNote) : QString();
    case ControlRole: return QString::fromLatin1(SettingControl::kindName(setting.control.kind()));
    case EffectUnverifiedRole: return setting.effectUnverified;
    case AlsoInSystemSettingsRole: return setting.exposure == SettingExposure::alsoInSystemSettings;
    case GroupNameRole: return qs(model_.groupName(setting).value_or(""));
    case IsSetRole: return model_.value(setting).has_value();
    case ValueTextRole:
      if (model_.isUnreadable(setting)) return tr("cannot be read");
      return qs(setting.control.describe(model_.value(setting)));
    case IsUnreadableRole: return model_.isUnreadable(setting);
    default: return {};
  }
}

QHash<int, QByteArray> SettingListModel::roleNames() const {
  return {{SettingIDRole, "settingID"},
          {LabelRole, "label"},
          {SummaryRole, "summary"},
          {WhyHiddenRole, "whyHidden"},
          {LevelRole, "level"},
          {WeakensSecurityRole, "weakensSecurity"},
          {RiskNoteRole, "riskNote"},
          {ControlRole, "control"},
          {EffectUnverifiedRole, "effectUnverified"},
          {AlsoInSystemSettingsRole, "alsoInSystemSettings"},
          {GroupNameRole, "groupName"},
          {IsSetRole, "isSet"},
          {ValueTextRole, "valueText"},
          {IsUnreadableRole, "isUnreadable"}};
}

}  // namespace amberloom::ui
