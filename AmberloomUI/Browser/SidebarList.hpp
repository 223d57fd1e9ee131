#pragma once
// The entries of the catalogue window's sidebar: the fixed pages under "Sync" and "Start here",
// then one entry per settings group under the catalogue's sidebar sections. Each entry knows the
// selection it stands for; choosing one assigns the settings model's selection, and an entry shows
// as selected while the model's selection is exactly its own. Also the count line of the header.

#include <QAbstractListModel>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <vector>

#include "Browser/SettingsModel.hpp"

namespace amberloom::ui {

class SidebarList : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(amberloom::ui::SettingsModel* settingsModel READ settingsModel WRITE setSettingsModel NOTIFY settingsModelChanged)
  Q_PROPERTY(bool hasGuide READ hasGuide WRITE setHasGuide NOTIFY hasGuideChanged)
  Q_PROPERTY(int repairCount READ repairCount WRITE setRepairCount NOTIFY repairCountChanged)
  Q_PROPERTY(QString subtitle READ subtitle NOTIFY settingsModelChanged)
  Q_PROPERTY(int selectedRow READ selectedRow NOTIFY selectedRowChanged)

 public:
  enum Role {
    SectionIDRole = Qt::UserRole + 1,
    TitleRole,
    SymbolRole,
    CountRole,  // 0 when there is no count
    HasCountRole,
    IsSelectedRole,
    AccessibleNameRole,
    KeyRole,  // the selection's stored form: "myMacs", "group:dock", ...
  };

  explicit SidebarList(QObject* parent = nullptr);

  SettingsModel* settingsModel() const { return settingsModel_; }
  // Lists the model's groups; null lists the fixed pages alone.
  void setSettingsModel(SettingsModel* model);
  bool hasGuide() const { return hasGuide_; }
  // Whether "Set up by hand" is listed.
  void setHasGuide(bool hasGuide);
  int repairCount() const { return repairCount_; }
  // The number "Recent changes" shows; below 1 it shows none.
  void setRepairCount(int count);

  // The header's count line for the model's editable and carried counts.
  QString subtitle() const;
  static QString brandSubtitle(int editableCount, int carriedCount);

  // The row of the entry shown as selected; -1 while none is.
  int selectedRow() const { return selectedRow_; }

  // Assigns the selection of the entry at `row` (stored again also when it is already selected).
  Q_INVOKABLE void select(int row);
  // The heading of a section id as the SectionIDRole gives it; empty for an unknown id.
  Q_INVOKABLE QString sectionTitle(const QString& sectionID) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void settingsModelChanged();
  void hasGuideChanged();
  void repairCountChanged();
  void selectedRowChanged();

 private:
  struct Entry {
    QString sectionID;
    QString title;
    QString symbol;
    std::optional<int> count;
    SidebarSelection selection;
    QString accessibleName;
  };

  void rebuild();
  void selectionChanged();
  void updateSelectedRow();
  std::optional<int> repairEntryCount() const;

  QPointer<SettingsModel> settingsModel_;
  bool hasGuide_ = false;
  int repairCount_ = 0;
  int selectedRow_ = -1;
  std::vector<Entry> entries_;
  std::vector<std::pair<QString, QString>> sectionTitles_;  // id, heading
  QMetaObject::Connection selectionWatch_;
};

}  // namespace amberloom::ui
