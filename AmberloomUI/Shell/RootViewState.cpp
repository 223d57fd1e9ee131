#include "Shell/RootViewState.hpp"

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
  }
  if (afterWizard_) afterWizard_();
  if (!showsWizard_) return;
  showsWizard_ = false;
  emit showsWizardChanged();
}

}  // namespace amberloom::ui
