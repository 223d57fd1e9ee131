#include "Kit/WorkInProgress.hpp"

#include <QTimer>

namespace amberloom::ui {

void WorkInProgress::wait(QString text, QEventLoop& loop, const std::function<bool()>& finished) {
  running_ = true;
  text_ = std::move(text);
  QTimer slow;
  slow.setSingleShot(true);
  connect(&slow, &QTimer::timeout, this, [this] { setShown(true); });
  slow.start(patience);
  if (!finished()) loop.exec();
  slow.stop();
  running_ = false;
  setShown(false);
}

void WorkInProgress::setShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  emit shownChanged();
}

}  // namespace amberloom::ui
