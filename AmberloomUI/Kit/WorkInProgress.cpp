#include "Kit/WorkInProgress.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <utility>
#include <vector>

namespace amberloom::ui {

namespace {

// Holds the user's input back from every window while work runs. The events handled meanwhile
// must not start anything that takes the screen away: a click on another page of the sidebar, or a
// sign-out in the settings window, would destroy the page whose button is still waiting for the
// work, and the application with it. Clicks and shortcuts are dropped, and so are keys, unless the
// work's screen stays usable meanwhile (`keysWait`): then they are kept, in order, and given to
// their windows once the work is done, so that each one typed ahead still counts (every press of
// an arrow on a slider is one step). Painting, timers, hovering and scrolling go on, and so
// does a mouse button's release: the press before the work may have begun a drag (a slider
// handing each value as it moves), which must end, and a release alone starts nothing.
class HeldInput final : public QObject {
 public:
  explicit HeldInput(bool keysWait) : keysWait_(keysWait) { QCoreApplication::instance()->installEventFilter(this); }
  ~HeldInput() override {
    QCoreApplication::instance()->removeEventFilter(this);
    // Posted, not sent: the work's caller finishes first. Work started by one of them holds the
    // rest back again, still in order.
    for (auto& [window, key] : keys_)
      if (window) QCoreApplication::postEvent(window, key.release());
  }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        // A window passes its keys on to its items: kept once, as they reach the window.
        if (keysWait_ && receiver->isWindowType())
          keys_.emplace_back(static_cast<QWindow*>(receiver), std::unique_ptr<QEvent>(event->clone()));
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::ContextMenu: return true;
      default: return false;
    }
  }

 private:
  const bool keysWait_;
  std::vector<std::pair<QPointer<QWindow>, std::unique_ptr<QEvent>>> keys_;
};

}  // namespace

void WorkInProgress::wait(QString text, QEventLoop& loop, const std::function<bool()>& finished) {
  text_ = std::move(text);
  setRunning(true);
  QTimer slow;
  slow.setSingleShot(true);
  connect(&slow, &QTimer::timeout, this, [this] { setShown(true); });
  slow.start(patience);
  if (!finished()) {
    const HeldInput held(keysWait_);
    loop.exec();
  }
  slow.stop();
  setShown(false);
  setRunning(false);
}

QTimer* WorkInProgress::patienceTimer() {
  if (!patience_) {
    patience_ = new QTimer(this);
    patience_->setSingleShot(true);
    connect(patience_, &QTimer::timeout, this, [this] { setShown(true); });
  }
  return patience_;
}

void WorkInProgress::begin(QString text) {
  text_ = std::move(text);
  setRunning(true);
  patienceTimer()->start(patience);
}

void WorkInProgress::end() {
  if (patience_) patience_->stop();
  setShown(false);
  setRunning(false);
}

void WorkInProgress::setRunning(bool running) {
  if (running == running_) return;
  running_ = running;
  emit runningChanged();
}

void WorkInProgress::setShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  emit shownChanged();
}

}  // namespace amberloom::ui
