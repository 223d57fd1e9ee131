#include "Kit/WayBackQuestion.hpp"

#include "Kit/Localized.hpp"

namespace amberloom::ui {

QString WayBackQuestion::title() const { return localized("Continue without a way back?"); }

void WayBackQuestion::ask(const std::string& why, Undo undo, std::function<void()> goOn) {
  message_ = localized("The undo point could not be saved to disk (%@), so nothing has been changed yet.",
                       {QString::fromStdString(why)}) +
             " " +
             (undo == Undo::whileOpen
                  ? localized("If you continue, Undo works while this window is open, but not after you quit.")
                  : localized("If you continue, nothing will put these settings back as they were."));
  goOn_ = std::move(goOn);
  emit isAskingChanged();
}

void WayBackQuestion::agree() {
  if (!goOn_) return;
  // Taken first: the batch may ask again (its point still cannot be stored, and it was agreed to).
  const auto goOn = std::move(goOn_);
  goOn_ = nullptr;
  emit isAskingChanged();
  goOn();
}

void WayBackQuestion::decline() {
  if (!goOn_) return;
  goOn_ = nullptr;
  emit isAskingChanged();
  emit declined();
}

}  // namespace amberloom::ui
