#include "Kit/WorkInProgress.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace amberloom::ui {

namespace {

// Drops the user's clicks and keys, to every window, while work runs. The events handled meanwhile
// must not start anything that takes the screen away: a click on another page of the sidebar, or a
// sign-out in the settings window, would destroy the page whose button is still waiting for the
// work, and the application with it. Painting, timers, hovering and scrolling go on, and so does a
// mouse button's release: the press before the work may have begun a drag (a slider handing each
// value as it moves), which must end, and a release alone starts nothing.
class IgnoredInput final : public QObject {
 public:
  IgnoredInput() { QCoreApplication::instance()->installEventFilter(this); }
  ~IgnoredInput() override { QCoreApplication::instance()->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::ContextMenu: return true;
      default: return false;
    }
  }
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
    const IgnoredInput ignored;
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
