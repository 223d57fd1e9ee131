#pragma once
// What the main window's root view decides on its own: whether the first-run wizard still comes
// between sign-in and the catalogue window. Taken once from "hasCompletedFirstRun" when the view is
// made; afterwards only the end of the wizard changes it, so signing out and in again never brings
// back a wizard that was finished.

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <functional>

#include "Preferences/UserDefaults.hpp"

namespace amberloom::ui {

class RootViewState : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application for each main window")
  Q_PROPERTY(bool showsWizard READ showsWizard NOTIFY showsWizardChanged)

 public:
  static constexpr const char* completedKey = "hasCompletedFirstRun";

  // `afterWizard` re-reads what a restore in the wizard may have written (the settings' values,
  // the list of undo points); it runs after the preference is stored and before the switch.
  RootViewState(UserDefaultsRef defaults, std::function<void()> afterWizard, QObject* parent = nullptr);

  bool showsWizard() const { return showsWizard_; }
  // The wizard was left: stores "hasCompletedFirstRun" (a store that refuses is not fatal: the
  // wizard only comes back at the next start), refreshes, then shows the catalogue window.
  Q_INVOKABLE void finishWizard();

 signals:
  void showsWizardChanged();

 private:
  UserDefaultsRef defaults_;
  std::function<void()> afterWizard_;
  bool showsWizard_;
};

}  // namespace amberloom::ui
