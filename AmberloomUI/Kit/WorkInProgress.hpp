#pragma once
// Blocking work that a screen waits for (a batch of preference writes with their read-back from
// outside) run on the worker pool while the main thread goes on handling events, so that the
// window repaints and answers meanwhile. The caller still has the result when the call returns, as
// if the work had run in place, so what follows it happens in the same order as ever. Once work
// has taken longer than a moment, `shown` tells the screen to show that it is working, with `text`
// saying what. Each model that runs such work owns one. Main thread only.

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>
#include <chrono>
#include <functional>
#include <future>
#include <type_traits>
#include <utility>

#include "Support/BackgroundTask.hpp"

namespace amberloom::ui {

class WorkInProgress : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Each model owns its own")
  Q_PROPERTY(bool running READ isRunning NOTIFY runningChanged)
  Q_PROPERTY(bool shown READ shown NOTIFY shownChanged)
  Q_PROPERTY(QString text READ text NOTIFY shownChanged)

 public:
  // How long work runs before its screen shows it.
  static constexpr std::chrono::milliseconds patience{100};

  explicit WorkInProgress(QObject* parent = nullptr) : QObject(parent) {}

  // Work is under way. Its owner starts no other meanwhile: the events handled while it runs may
  // ask for some. The user's clicks and keys reach no window until it ends, unless keys wait.
  bool isRunning() const { return running_; }
  // Keys typed while work runs reach their window, in order, once it is done, rather than being
  // dropped: for work whose screen stays usable meanwhile (one setting's write), where each key
  // typed ahead must still count. Off at first.
  void setKeysWait(bool wait) { keysWait_ = wait; }
  // The work has run for `patience` and goes on.
  bool shown() const { return shown_; }
  // What the work shown does; empty while none is shown.
  QString text() const { return shown_ ? text_ : QString(); }

  // Work that hands its outcome back by itself (run on a worker, its end posted to the main
  // thread) is shown the same way, from `begin` until `end`. Nothing is held back meanwhile: its
  // owner refuses other work while `isRunning`.
  void begin(QString text);
  void end();

  // Runs `work`, which must touch nothing the main thread changes meanwhile (it owns copies of
  // the services it calls), and returns what it returns, or throws what it throws. `text` says
  // what it does, should it be shown.
  template <class Work>
  std::invoke_result_t<Work> run(QString text, Work work) {
    QEventLoop loop;
    auto result = runInBackground([&loop, work = std::move(work)]() mutable {
      // Ends the wait below once the work has returned or thrown.
      struct Wake {
        QEventLoop& loop;
        ~Wake() { QMetaObject::invokeMethod(&loop, [&loop = loop] { loop.quit(); }, Qt::QueuedConnection); }
      } wake{loop};
      return work();
    });
    wait(std::move(text), loop, [&result] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return result.get();  // when the application quit during the wait, the work is waited for here
  }

 signals:
  void runningChanged();
  void shownChanged();

 private:
  // Handles events in `loop` until the work wakes it, unless it has `finished` already.
  void wait(QString text, QEventLoop& loop, const std::function<bool()>& finished);
  void setRunning(bool running);
  void setShown(bool shown);

  QTimer* patienceTimer();

  QTimer* patience_ = nullptr;  // of the work begun, made when first needed
  bool keysWait_ = false;
  bool running_ = false;
  bool shown_ = false;
  QString text_;
};

}  // namespace amberloom::ui
