#include "Browser/CatalogController.hpp"

#include <QGuiApplication>

#include "Catalog/SettingSearchIndex.hpp"

namespace amberloom::ui {

CatalogController::CatalogController(QObject* parent) : QObject(parent) {
  if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(application, &QGuiApplication::applicationStateChanged, this, &CatalogController::applicationStateChanged);
}

void CatalogController::setSettingsModel(SettingsModel* model) {
  if (model == settingsModel_) return;
  if (settingsModel_) disconnect(settingsModel_, nullptr, this, nullptr);
  settingsModel_ = model;
  if (model)
    connect(model, &SettingsModel::searchTextChanged, this, [this] {
      if (settingsModel_) searchJump(*settingsModel_, settingsModel_->searchText());
    });
  emit settingsModelChanged();
}

void CatalogController::applicationStateChanged(Qt::ApplicationState state) {
  if (state == Qt::ApplicationActive && settingsModel_) settingsModel_->refreshAll();
}

void CatalogController::searchJump(SettingsModel& model, const QString& text) {
  using Page = SidebarSelection::Page;
  if (trimmingHorizontalSpace(text.toStdString()).empty()) return;
  switch (model.selection().kind()) {
    case Page::recipes:
    case Page::manualGuide:
    case Page::account:
    case Page::repairs: break;
    case Page::group:
    case Page::carried:
    case Page::myMacs: return;
  }
  // With no group to go to, the assignment still stores the selection, as a click would.
  const SidebarSelection target =
      model.groups().empty() ? model.selection() : SidebarSelection::group(model.groups().front().id);
  model.setSelection(target);
}

}  // namespace amberloom::ui
