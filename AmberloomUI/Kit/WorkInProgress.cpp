#include "Kit/WorkInProgress.hpp"

#include <QTimer>

namespace amberloom::ui {

void WorkInProgress::wait(QString text, QEventLoop& loop, const std::function<bool()>& finished) {
  text_ = std::move(text);
  setRunning(true);
  QTimer slow;
  slow.setSingleShot(true);
  connect(&slow, &QTimer::timeout, this, [this] { setShown(true); });
  slow.start(patience);
  if (!finished()) loop.exec();
  slow.stop();
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
