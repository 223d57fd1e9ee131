#pragma once
// Rows of settings the browser's views iterate (the visible cards, the carried settings) with
// their current values: reset when the settings model picks other settings and changed in place
// when a value is read again.

#include <QAbstractListModel>
#include <unordered_map>
#include <vector>

#include "Catalog/SettingDefinition.hpp"

namespace amberloom::ui {

class SettingsModel;

// One row per setting. Texts come from the catalogue; isSet, isUnreadable and valueText ("cannot
// be read" while unreadable) from the settings model's current value. groupName is empty for a setting no group holds (a carried one).
class SettingListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  enum Role {
    SettingIDRole = Qt::UserRole + 1,
    LabelRole,
    SummaryRole,
    WhyHiddenRole,
    LevelRole,
    WeakensSecurityRole,
    RiskNoteRole,
    ControlRole,
    EffectUnverifiedRole,
    AlsoInSystemSettingsRole,
    GroupNameRole,
    IsSetRole,
    ValueTextRole,
    IsUnreadableRole,
  };

  // Announces a value read again through `model`'s valueChanged.
  SettingListModel(const SettingsModel& model, QObject* parent);

  // Shows these settings; a list equal to the one shown changes nothing.
  void setRows(std::vector<const SettingDefinition*> rows);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 protected:
  // Shows these settings by changing the rows in place and adding or removing rows at the end,
  // so a view keeps the cards it has made and only binds them to other settings.
  void replaceRows(std::vector<const SettingDefinition*> rows);

 private:
  void valueChanged(const QString& settingID);

  const SettingsModel& model_;
  std::vector<const SettingDefinition*> rows_;
  std::unordered_map<std::string, int> rowOf_;  // built when a value first changes after a reset
};

}  // namespace amberloom::ui
