#pragma once
// The actions and state behind the application's preferences window: the risky-settings switch
// (started from "showsRiskySettings", every change handed to the settings browser), the support
// mail, the newest crash report, the removal sheet's models and the account section's model. Main
// thread only; nothing here throws.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>

#include "Preferences/UserDefaults.hpp"
#include "Upkeep/SupportService.hpp"

namespace amberloom::ui {

class AccountModel;
class RemovalModelFactory;
class Workspace;

class PreferencesViewModel : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application for each preferences window")
  Q_PROPERTY(bool isDryRun READ isDryRun CONSTANT)
  Q_PROPERTY(bool showsRisky READ showsRisky WRITE setShowsRisky NOTIFY showsRiskyChanged)
  Q_PROPERTY(amberloom::ui::AccountModel* account READ account CONSTANT)
  Q_PROPERTY(amberloom::ui::RemovalModelFactory* removalFactory READ removalFactory CONSTANT)
  Q_PROPERTY(QString supportAddress READ supportAddress CONSTANT)

 public:
  static constexpr const char* riskyKey = "showsRiskySettings";

  // `removal` makes a fresh model for every opening of the removal sheet; `onRiskyChanged` is told
  // every new value of the switch.
  PreferencesViewModel(bool isDryRun, const UserDefaults& defaults, SupportService support,
                       RemovalModelFactory* removal, std::function<void(bool)> onRiskyChanged,
                       AccountModel* account, std::shared_ptr<Workspace> workspace, QObject* parent = nullptr);

  bool isDryRun() const { return isDryRun_; }
  bool showsRisky() const { return showsRisky_; }
  // Calls `onRiskyChanged` only when the value changes.
  void setShowsRisky(bool on);
  AccountModel* account() const { return account_; }
  RemovalModelFactory* removalFactory() const { return removal_; }

  // The newest crash report's path, looked for afresh; empty when there is none.
  Q_INVOKABLE QString lastCrashReport() const;
  // Shows that report selected in the file browser.
  Q_INVOKABLE void revealCrashReport(const QString& path);
  // Opens the support mail (version details filled in) in the mail program. False when that
  // cannot be done (no link can be formed, or no program takes it): the window then offers the
  // address and supportMailText() to copy.
  Q_INVOKABLE bool openSupportMail();
  QString supportAddress() const { return QString::fromStdString(support_.address()); }
  // The prepared mail as text: the subject, a blank line, the body.
  Q_INVOKABLE QString supportMailText() const;

 signals:
  void showsRiskyChanged();

 private:
  bool isDryRun_;
  bool showsRisky_;
  SupportService support_;
  RemovalModelFactory* removal_;
  std::function<void(bool)> onRiskyChanged_;
  AccountModel* account_;
  std::shared_ptr<Workspace> workspace_;
};

}  // namespace amberloom::ui
