#pragma once
// The one notice of writes to this Mac's settings. Every model that writes (a setting applied or
// reset in the browser, a batch and its undo on any screen) announces each write once, with what
// it touched; every model that shows values or undo points listens and brings itself up to date.
// So no model refreshes another by hand, and a new screen needs no new wiring between models.
//
// Main thread: listeners run there, synchronously, in the order they started listening. Work
// finished on another thread may announce from there; the change is handed to the main thread
// and announced once it arrives.

#include <QObject>
#include <functional>
#include <memory>

#include "Changes/Change.hpp"

namespace amberloom::ui {

// The change itself is the core's: the batch that makes it says what to announce.
using Change = amberloom::Change;

class ChangeNotice : public QObject {
  Q_OBJECT

 public:
  using Listener = std::function<void(const Change&)>;

  explicit ChangeNotice(QObject* parent = nullptr) : QObject(parent) {}

  // Tells every listener but `from` (the announcer, which brings itself up to date).
  void announce(const Change& change, const QObject* from);
  // `listener` hears every change that `receiver` did not announce, for as long as `receiver` lives.
  void listen(QObject* receiver, Listener listener);

 signals:
  void changed(const amberloom::Change& change, const QObject* from);
};

// Shared by the models that announce and listen; none: a model on its own, heard by nobody.
using ChangeNoticeRef = std::shared_ptr<ChangeNotice>;

}  // namespace amberloom::ui
