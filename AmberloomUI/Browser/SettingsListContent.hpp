#pragma once
// What the settings list shows for the settings model's current state: the cards in list order
// (under subgroup headings when the group's visible settings form two or more subgroups, flat
// while searching or otherwise), the page's title and subtitle, the tip's setting, the note on
// settings hidden by the risk filter and the note shown when nothing is left.
//
// Changes of the model are gathered and worked in once, on the next turn of the event loop, so a
// keystroke that changes the search, the visible settings and the tip relays the list only once.

#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <unordered_map>
#include <vector>

#include "Browser/SettingListModel.hpp"
#include "Browser/SettingsModel.hpp"

namespace amberloom::ui {

// The cards of the list: the settings model's roles, and `subgroupID` (empty in the flat form).
// `groupName` is what the card shows as its badge: the setting's group in search results, empty
// otherwise (found by the model for the rows a view asks about, as search results may be long).
class SettingsListRows : public SettingListModel {
  Q_OBJECT
 public:
  enum ExtraRole { SubgroupIDRole = Qt::UserRole + 64 };

  SettingsListRows(const SettingsModel& model, QObject* parent);

  // Shows `rows`, the i-th under subgroup `subgroupOf[i]` (under none past the end of
  // `subgroupOf`); announces nothing when all is as shown.
  void show(std::vector<const SettingDefinition*> rows, std::vector<QString> subgroupOf, bool withGroupNames);
  const std::vector<const SettingDefinition*>& rows() const { return rows_; }

  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 private:
  const SettingsModel& model_;
  std::vector<const SettingDefinition*> rows_;
  std::vector<QString> subgroupOf_;
  bool withGroupNames_ = false;
};

class SettingsListContent : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(amberloom::ui::SettingsModel* settingsModel READ settingsModel WRITE setSettingsModel NOTIFY settingsModelChanged)
  Q_PROPERTY(QAbstractItemModel* rows READ rows NOTIFY settingsModelChanged)
  Q_PROPERTY(QString title READ title NOTIFY contentChanged)
  Q_PROPERTY(QString subtitle READ subtitle NOTIFY contentChanged)
  Q_PROPERTY(bool isSearching READ isSearching NOTIFY contentChanged)
  Q_PROPERTY(bool isGrouped READ isGrouped NOTIFY contentChanged)
  Q_PROPERTY(QString firstSubgroupID READ firstSubgroupID NOTIFY contentChanged)
  Q_PROPERTY(QString hiddenNote READ hiddenNote NOTIFY contentChanged)
  Q_PROPERTY(QString emptyNote READ emptyNote NOTIFY contentChanged)
  Q_PROPERTY(QString tipSettingLabel READ tipSettingLabel NOTIFY contentChanged)
  Q_PROPERTY(bool tipHasSetting READ tipHasSetting NOTIFY contentChanged)

 public:
  explicit SettingsListContent(QObject* parent = nullptr);

  SettingsModel* settingsModel() const { return settingsModel_; }
  // Follows this model from now on and shows its state at once.
  void setSettingsModel(SettingsModel* model);
  QAbstractItemModel* rows() const { return rows_; }

  // "Search results" while searching, else the selected group's name, else "Settings".
  QString title() const { return state_.title; }
  // The number of visible settings, then " settings · all measured", or while some of them cannot be
  // read " settings · <n> cannot be read".
  QString subtitle() const { return state_.subtitle; }
  bool isSearching() const { return state_.isSearching; }
  bool isGrouped() const { return state_.isGrouped; }
  QString firstSubgroupID() const { return state_.firstSubgroupID; }
  // Empty while the risk filter hides nothing.
  QString hiddenNote() const { return state_.hiddenNote; }
  // Empty while any setting is visible.
  QString emptyNote() const { return state_.emptyNote; }
  // The label of the tip's setting; empty when there is no tip or the model does not know it.
  QString tipSettingLabel() const { return state_.tipSettingLabel; }
  bool tipHasSetting() const { return state_.tipHasSetting; }

  // The heading of a subgroup id (its title upper-cased); empty for an unknown id.
  Q_INVOKABLE QString subgroupHeading(const QString& subgroupID) const;
  // Works the model's state in now rather than on the next turn of the event loop.
  void update();

 signals:
  void settingsModelChanged();
  void contentChanged();

 private:
  struct State {
    QString title, subtitle, firstSubgroupID, hiddenNote, emptyNote, tipSettingLabel;
    bool isSearching = false, isGrouped = false, tipHasSetting = false;
    bool operator==(const State&) const = default;
  };

  void scheduleUpdate();

  QPointer<SettingsModel> settingsModel_;
  SettingsListRows* rows_ = nullptr;
  State state_;
  std::vector<std::pair<QString, QString>> headings_;  // subgroup id, heading
  bool updatePending_ = false;
};

}  // namespace amberloom::ui
