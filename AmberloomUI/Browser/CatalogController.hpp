#pragma once
// The catalogue window's two reactions, alive as long as the window's view is: every time the
// application becomes active every value is read again, and when the user starts typing a search
// on a guided page (quick setups, manual guide, account, recent changes) the first settings group
// is selected so the search results show. The carried page, My Macs and the groups stay put.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "Browser/SettingsModel.hpp"

namespace amberloom::ui {

class CatalogController : public QObject {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(amberloom::ui::SettingsModel* settingsModel READ settingsModel WRITE setSettingsModel NOTIFY settingsModelChanged)

 public:
  explicit CatalogController(QObject* parent = nullptr);

  SettingsModel* settingsModel() const { return settingsModel_; }
  // Follows this model's search text from now on (not the text it has now).
  void setSettingsModel(SettingsModel* model);

  // After the search text became `text`: nothing for a text of only spaces and tabs or outside a
  // guided page; otherwise selects the first group, or with no groups assigns the selection its
  // own value (stored again, nothing else changes).
  static void searchJump(SettingsModel& model, const QString& text);

 signals:
  void settingsModelChanged();

 private:
  void applicationStateChanged(Qt::ApplicationState state);

  QPointer<SettingsModel> settingsModel_;
};

}  // namespace amberloom::ui
