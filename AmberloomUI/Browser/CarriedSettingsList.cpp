#include "Browser/CarriedSettingsList.hpp"

#include <algorithm>

#include "Catalog/SettingSearchIndex.hpp"
#include "Kit/DisplayText.hpp"
#include "Kit/GroupSymbols.hpp"
#include "Kit/GuidedText.hpp"
#include "Support/LocalizedOrder.hpp"
#include "Sync/SyncComparator.hpp"

namespace amberloom::ui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// A value is shown on one line in a narrow column, cut in its middle: a value of megabytes is cut
// down to what such a line can show before a text item lays it out.
constexpr qsizetype kShownValue = 120;

std::string idPrefix(const std::string& id) { return id.substr(0, id.find('.')); }

std::string appOf(const SettingDefinition& setting) {
  const auto colon = setting.label.find(':');
  if (colon != std::string::npos) return setting.label.substr(0, colon);
  return SettingGroup::displayName(idPrefix(setting.id));
}

std::string nameOf(const SettingDefinition& setting) {
  const auto colon = setting.label.find(':');
  if (colon == std::string::npos) return setting.label;
  return trimmingHorizontalSpace(std::string_view(setting.label).substr(colon + 1));
}

}  // namespace

CarriedSettingsList::CarriedSettingsList(QObject* parent) : QAbstractListModel(parent) {}

void CarriedSettingsList::setSettingsModel(SettingsModel* model) {
  if (model == settingsModel_) return;
  if (settingsModel_) disconnect(settingsModel_, nullptr, this, nullptr);
  settingsModel_ = model;
  if (model) connect(model, &SettingsModel::valueChanged, this, &CarriedSettingsList::valueChanged);
  rebuild();
  emit settingsModelChanged();
}

QString CarriedSettingsList::subtitle() const {
  const int count = settingsModel_ ? settingsModel_->carriedCount() : 0;
  return localized("%lld settings — copied between your Macs, nothing to set here", {count});
}

void CarriedSettingsList::rebuild() {
  beginResetModel();
  rows_.clear();
  rowOf_.clear();
  if (settingsModel_) {
    // Apps in order of first appearance, each with its settings in the model's order.
    std::vector<std::pair<std::string, std::vector<const SettingDefinition*>>> apps;
    for (const auto& setting : settingsModel_->carriedSettings()) {
      const std::string app = appOf(setting);
      auto found = std::find_if(apps.begin(), apps.end(), [&](const auto& entry) { return entry.first == app; });
      if (found == apps.end()) found = apps.insert(apps.end(), {app, {}});
      found->second.push_back(&setting);
    }
    const LocalizedOrder order;
    std::stable_sort(apps.begin(), apps.end(), [&](const auto& a, const auto& b) {
      if (a.second.size() != b.second.size()) return a.second.size() > b.second.size();
      return order.before(a.first, b.first);
    });
    for (const auto& [app, settings] : apps)
      for (const auto* setting : settings) {
        rowOf_.emplace(setting->id, static_cast<int>(rows_.size()));
        rows_.push_back({setting, qs(app)});
      }
  }
  endResetModel();
}

void CarriedSettingsList::valueChanged(const QString& settingID) {
  const auto found = rowOf_.find(settingID.toStdString());
  if (found == rowOf_.end()) return;
  const auto changed = index(found->second);
  emit dataChanged(changed, changed, {ValueTextRole, IsSetRole, AccessibleDescriptionRole});
}

QString CarriedSettingsList::describe(const std::optional<PreferenceValue>& value) {
  if (!value) return tr("not set");
  switch (value->kind()) {
    case PreferenceValue::Kind::boolean: return value->asBool() ? tr("on") : tr("off");
    case PreferenceValue::Kind::integer: return QString::number(value->asInt());
    case PreferenceValue::Kind::real: return QString::asprintf("%g", value->asDouble());
    case PreferenceValue::Kind::string: return qs(value->asString());
    case PreferenceValue::Kind::data: return tr("%1 bytes").arg(value->asData().size());
    case PreferenceValue::Kind::date: return guided::abbreviatedDateTime(value->asDate());
    case PreferenceValue::Kind::dictionary: return tr("%1 entries").arg(value->asDictionary().size());
    case PreferenceValue::Kind::array: return tr("%1 items").arg(value->asArray().size());
  }
  return {};
}

int CarriedSettingsList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant CarriedSettingsList::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) || !settingsModel_) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  const SettingDefinition& setting = *row.setting;
  switch (role) {
    case Qt::DisplayRole:
    case NameRole: return qs(nameOf(setting));
    case SettingIDRole: return qs(setting.id);
    case LabelRole: return qs(setting.label);
    case AppRole: return row.app;
    case SymbolRole: return qs(GroupSymbol::nameForPrefix(idPrefix(setting.id)));
    case ValueTextRole: return display::oneLine(describe(settingsModel_->value(setting)), kShownValue);
    case IsSetRole: return settingsModel_->value(setting).has_value();
    case AccessibleDescriptionRole:
      // A list macOS keeps by itself is backed up but never copied: it names this Mac's own places.
      return display::joinedSentences(
          {data(index, ValueTextRole).toString(),
           SyncComparator::isShared(setting)
               ? tr("Backed up and copied to your other Macs. Change it where you normally would.")
               : tr("Backed up, and kept on this Mac only. Change it where you normally would.")});
    default: return {};
  }
}

QHash<int, QByteArray> CarriedSettingsList::roleNames() const {
  return {{SettingIDRole, "settingID"}, {LabelRole, "label"},   {NameRole, "name"},   {AppRole, "app"},
          {SymbolRole, "symbol"},       {ValueTextRole, "valueText"}, {IsSetRole, "isSet"},
          {AccessibleDescriptionRole, "accessibleDescription"}};
}

}  // namespace amberloom::ui
