#include "Shell/RootViewState.hpp"

#include "Kit/Logging.hpp"

namespace amberloom::ui {

RootViewState::RootViewState(UserDefaultsRef defaults, std::function<void()> afterWizard, QObject* parent)
    : QObject(parent),
      defaults_(std::move(defaults)),
      afterWizard_(std::move(afterWizard)),
      showsWizard_(!defaults_->boolValue(completedKey).value_or(false)) {}

void RootViewState::finishWizard() {
  try {
    defaults_->setBool(true, completedKey);
  } catch (...) {
    // This run goes on to the settings; the next start shows the wizard again.
    qCWarning(lcShell).noquote() << "The finished first run cannot be remembered:" << currentError();
  }
  if (afterWizard_) afterWizard_();
  if (!showsWizard_) return;
  showsWizard_ = false;
  emit showsWizardChanged();
}

}  // namespace amberloom::ui
