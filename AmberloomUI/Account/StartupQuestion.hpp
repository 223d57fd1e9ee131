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

 public:
  // Over the application's launch agent.
  explicit StartupQuestion(QObject* parent = nullptr);
  explicit StartupQuestion(LoginItemService loginItem, QObject* parent = nullptr);

  bool isAsking() const { return isAsking_; }
  void setAsking(bool asking);

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
};

}  // namespace amberloom::ui
