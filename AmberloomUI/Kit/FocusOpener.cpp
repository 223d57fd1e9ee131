#include "Kit/FocusOpener.hpp"

#include <QTimer>

#include "Kit/FocusChain.hpp"

namespace amberloom::ui {

namespace {

// One hand-back under way, owned by the window so that it outlives the sheet that started it.
class FocusHandBack : public QObject {
 public:
  FocusHandBack(QQuickWindow* window, QQuickItem* item, Qt::FocusReason reason)
      : QObject(window), window_(window), item_(item), reason_(reason) {
    connect(window, &QQuickWindow::activeFocusItemChanged, this, &FocusHandBack::check, Qt::QueuedConnection);
    // After the closing popup's own focus moves, which come in this event.
    QTimer::singleShot(0, this, &FocusHandBack::check);
  }

 private:
  void check() {
    if (!item_ || !item_->isVisible() || !item_->isEnabled() || item_->window() != window_) return finish();
    QQuickItem* now = window_->activeFocusItem();
    if (now == item_) return finish();
    // Qt puts it back on the window's content, or on a focus scope on the way to the opener.
    if (!now || now == window_->contentItem() || now->isAncestorOf(item_)) {
      item_->forceActiveFocus(reason_);
      return finish();
    }
    // Another question holds the focus: wait for it to close. Focus the user put elsewhere stays.
    if (!FocusChain::isInPopup(now)) finish();
  }
  void finish() { deleteLater(); }

  QQuickWindow* window_;
  QPointer<QQuickItem> item_;
  Qt::FocusReason reason_;
};

}  // namespace

void FocusOpener::remember(QQuickWindow* window) {
  QQuickItem* focused = window ? window->activeFocusItem() : nullptr;
  if (!focused || focused == window->contentItem() || FocusChain::isInPopup(focused)) return;
  item_ = focused;
  const QVariant reason = focused->property("focusReason");
  reason_ = reason.isValid() ? static_cast<Qt::FocusReason>(reason.toInt()) : Qt::OtherFocusReason;
}

void FocusOpener::giveBack() {
  if (!item_ || !item_->window()) return;
  new FocusHandBack(item_->window(), item_, reason_);
  item_ = nullptr;
}

}  // namespace amberloom::ui
