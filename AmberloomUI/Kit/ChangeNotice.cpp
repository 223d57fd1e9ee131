#include "Kit/ChangeNotice.hpp"

#include <QThread>

namespace amberloom::ui {

Change Change::of(const Snapshot& touched, std::vector<std::string> restartTargets, bool storedUndoPoint) {
  Change change{{}, std::move(restartTargets), storedUndoPoint};
  change.settings.reserve(touched.entries.size());
  for (const auto& entry : touched.entries) change.settings.push_back(entry.ref);
  return change;
}

std::unordered_set<SettingRef> Change::roots() const {
  std::unordered_set<SettingRef> roots;
  for (const auto& setting : settings) roots.insert(setting.root());
  return roots;
}

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
