#pragma once
// The carried settings page's rows: every carried setting of the settings model with its current
// value, grouped by the app it belongs to. A setting's app is the part of its label before the
// first colon (kept exactly as written), or for a label without one the display name of its id's
// prefix. Apps with more settings come first, equal counts by name in the user's locale; inside an
// app the model's order holds. Values follow the model as it reads them again.

#include <QAbstractListModel>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <unordered_map>
#include <vector>

#include "Browser/SettingsModel.hpp"

namespace amberloom::ui {

class CarriedSettingsList : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(amberloom::ui::SettingsModel* settingsModel READ settingsModel WRITE setSettingsModel NOTIFY settingsModelChanged)
  Q_PROPERTY(QString subtitle READ subtitle NOTIFY settingsModelChanged)
  Q_PROPERTY(QString firstApp READ firstApp NOTIFY settingsModelChanged)

 public:
  enum Role {
    SettingIDRole = Qt::UserRole + 1,
    LabelRole,  // the whole label
    NameRole,   // the label after the first colon, trimmed; the whole label without a colon
    AppRole,    // the app the row is listed under
    SymbolRole,
    ValueTextRole,  // describe(), cut down to one line of at most 120 characters
    IsSetRole,
    // What a screen reader says after the label: the value text, then the row's hint.
    AccessibleDescriptionRole,
  };

  explicit CarriedSettingsList(QObject* parent = nullptr);

  SettingsModel* settingsModel() const { return settingsModel_; }
  void setSettingsModel(SettingsModel* model);
  // The number of carried settings, then " settings — copied between your Macs, nothing to set here".
  QString subtitle() const;
  // The app listed first; empty without carried settings.
  QString firstApp() const { return rows_.empty() ? QString() : rows_.front().app; }

  // The text of a carried value: "not set", "on"/"off", the number, the string, the byte, entry or
  // item count, or the abbreviated date and short time in the user's locale ("Oct 17, 2020, 4:29 PM").
  static QString describe(const std::optional<PreferenceValue>& value);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void settingsModelChanged();

 private:
  struct Row {
    const SettingDefinition* setting;
    QString app;
  };

  void rebuild();
  void valueChanged(const QString& settingID);

  QPointer<SettingsModel> settingsModel_;
  std::vector<Row> rows_;
  std::unordered_map<std::string, int> rowOf_;
};

}  // namespace amberloom::ui
