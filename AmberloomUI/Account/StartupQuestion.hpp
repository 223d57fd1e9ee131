#pragma once
// The My Macs page's question whether automatic sync should also run at login, and the login item
// behind it. Turning automatic sync on asks only while the login item is off; turning it off
// removes the login item without a word. The sync model's switch is changed whatever happens here.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "Sync/LoginItemService.hpp"

namespace amberloom::ui {

class StartupQuestion : public QObject {
  Q_OBJECT
  QML_ELEMENT
  // Whether "Sync at startup too?" is on screen; the page sets it false when the dialog closes.
  Q_PROPERTY(bool isAsking READ isAsking WRITE setAsking NOTIFY isAskingChanged)
  // What the question adds when the application uses a local account server: the run at login
  // reaches that server only if it is running there then. Empty for the production server.
  Q_PROPERTY(QString serverNote READ serverNote CONSTANT)

 public:
  // Over the application's launch agent.
  explicit StartupQuestion(QObject* parent = nullptr);
  explicit StartupQuestion(LoginItemService loginItem, QObject* parent = nullptr);

  static inline const QString localServerNote = QStringLiteral(
      "This Mac uses the account server at %1. Sync at startup reaches it only when that server is "
      "running there as you log in; otherwise this Mac's settings wait and are sent at the next sync.");

  bool isAsking() const { return isAsking_; }
  void setAsking(bool asking);
  QString serverNote() const { return serverNote_; }

  // The reaction to the automatic-sync switch: off removes the login item (a failure is not
  // shown); on asks, but only when the login item is not registered.
  Q_INVOKABLE void autoSyncChanged(bool on);
  // "Yes, sync at startup": registers the login item; the failure's sentence, or empty.
  Q_INVOKABLE QString enable();

 signals:
  void isAskingChanged();

 private:
  LoginItemService loginItem_;
  bool isAsking_ = false;
  QString serverNote_;
};

}  // namespace amberloom::ui
