#pragma once
// The question a screen asks when a batch could not store its undo point and so wrote nothing:
// "Continue without a way back?", with why the point could not be stored and what going on means
// for undo. Only "Continue" runs the batch again, now allowed to write without a stored point
// (SnapshotHistory::allowingBatchesWithoutPoint); "Cancel", Escape or closing the question leaves
// every setting as it is. Each model that runs batches owns one, and its screen shows it
// (WayBackQuestions.qml). Main thread only.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <string>

#include "Changes/BatchTransaction.hpp"

namespace amberloom::ui {

class WayBackQuestion : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Each model owns its own")
  Q_PROPERTY(bool isAsking READ isAsking NOTIFY isAskingChanged)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString message READ message NOTIFY isAskingChanged)

 public:
  // What undo can still do once the batch has run without its point.
  enum class Undo {
    whileOpen,  // the screen keeps the way back until the application quits
    none        // the screen keeps none: nothing will take the batch back
  };

  explicit WayBackQuestion(QObject* parent = nullptr) : QObject(parent) {}

  bool isAsking() const { return static_cast<bool>(goOn_); }
  QString title() const;
  QString message() const { return message_; }

  // Asks when `batch` was held back for want of a stored point; `goOn` then runs it again once
  // the user agrees. Whether it asked.
  template <class Report>
  bool askIfHeldBack(const BatchResult<Report>& batch, Undo undo, std::function<void()> goOn) {
    if (!batch.heldBack) return false;
    ask(batch.noPoint.value_or(""), undo, std::move(goOn));
    return true;
  }
  void ask(const std::string& why, Undo undo, std::function<void()> goOn);

  // "Continue": the batch runs again, written without a stored point.
  Q_INVOKABLE void agree();
  // "Cancel", Escape: nothing is written.
  Q_INVOKABLE void decline();

 signals:
  void isAskingChanged();
  // The user chose to leave every setting as it was.
  void declined();

 private:
  std::function<void()> goOn_;
  QString message_;
};

}  // namespace amberloom::ui
