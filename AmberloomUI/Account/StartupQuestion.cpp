#include "Account/StartupQuestion.hpp"

#include "Account/AccountClient.hpp"

namespace amberloom::ui {

StartupQuestion::StartupQuestion(QObject* parent)
    : StartupQuestion(LoginItemService(LoginItemService::agentPlist), parent) {}

StartupQuestion::StartupQuestion(LoginItemService loginItem, QObject* parent)
    : QObject(parent), loginItem_(std::move(loginItem)) {
  if (const auto base = AccountClient::localServerBase()) serverNote_ = localServerNote.arg(QString::fromStdString(*base));
}

void StartupQuestion::setAsking(bool asking) {
  if (asking == isAsking_) return;
  isAsking_ = asking;
  emit isAskingChanged();
}

void StartupQuestion::autoSyncChanged(bool on) {
  if (!on) {
    loginItem_.disable();
    return;
  }
  if (loginItem_.status() == LoginItemService::Status::disabled) setAsking(true);
}

QString StartupQuestion::enable() { return QString::fromStdString(loginItem_.enable().value_or("")); }

}  // namespace amberloom::ui
