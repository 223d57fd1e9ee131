#include "Kit/ChangeNotice.hpp"

#include <QThread>

namespace amberloom::ui {

void ChangeNotice::announce(const Change& change, const QObject* from) {
  if (QThread::currentThread() == thread()) {
    emit changed(change, from);
    return;
  }
  QMetaObject::invokeMethod(this, [this, change, from] { emit changed(change, from); }, Qt::QueuedConnection);
}

void ChangeNotice::listen(QObject* receiver, Listener listener) {
  connect(this, &ChangeNotice::changed, receiver,
          [receiver, listener = std::move(listener)](const Change& change, const QObject* from) {
            if (from != receiver) listener(change);
          });
}

}  // namespace amberloom::ui
