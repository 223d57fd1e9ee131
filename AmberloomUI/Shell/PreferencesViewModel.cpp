#include "Shell/PreferencesViewModel.hpp"

#include <QUrl>

#include "Account/AccountModel.hpp"
#include "Kit/Workspace.hpp"

namespace amberloom::ui {

PreferencesViewModel::PreferencesViewModel(bool isDryRun, const UserDefaults& defaults, SupportService support,
                                           RemovalModelFactory* removal,
                                           std::function<void(bool)> onRiskyChanged, AccountModel* account,
                                           std::shared_ptr<Workspace> workspace, QObject* parent)
    : QObject(parent),
      isDryRun_(isDryRun),
      showsRisky_(defaults.boolValue(riskyKey).value_or(false)),
      support_(std::move(support)),
      removal_(removal),
      onRiskyChanged_(std::move(onRiskyChanged)),
      account_(account),
      workspace_(std::move(workspace)) {}

void PreferencesViewModel::setShowsRisky(bool on) {
  if (on == showsRisky_) return;
  showsRisky_ = on;
  emit showsRiskyChanged();
  if (onRiskyChanged_) onRiskyChanged_(on);
}

QString PreferencesViewModel::lastCrashReport() const {
  return QString::fromStdString(support_.lastCrashReport().value_or(""));
}

void PreferencesViewModel::revealCrashReport(const QString& path) {
  if (!path.isEmpty()) workspace_->reveal(path);
}

bool PreferencesViewModel::openSupportMail() {
  const auto link = support_.mailtoURL(support_.report(""));
  return link && workspace_->open(QUrl(QString::fromStdString(*link), QUrl::StrictMode));
}

QString PreferencesViewModel::supportMailText() const {
  const auto report = support_.report("");
  return QString::fromStdString(report.subject + "\n\n" + report.body);
}

}  // namespace amberloom::ui
