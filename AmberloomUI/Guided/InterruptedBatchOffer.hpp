#pragma once
// The batches the last run left unsettled (see InterruptedBatches), offered one at a time as the
// window opens: "AmberLoom stopped while <what it was doing>; <n> settings may have changed."
// Undo hands the batch's point to `takeBack` (the undo of the Recent changes list, which asks
// first when that undo's own point cannot be stored); Keep leaves the settings as they are.
// Either way the point is then settled (after the take-back, so that a kill during it leaves the
// offer for the next start), so it stays listed in Recent changes like any other and is not
// offered again. Main thread only.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <deque>
#include <functional>
#include <vector>

#include "Changes/InterruptedBatches.hpp"

namespace amberloom::ui {

class InterruptedBatchOffer : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the application")
  Q_PROPERTY(bool isAsking READ isAsking NOTIFY offerChanged)
  Q_PROPERTY(QString title READ title CONSTANT)
  Q_PROPERTY(QString message READ message NOTIFY offerChanged)

 public:
  using TakeBack = std::function<void(const StoredSnapshot& point)>;

  // `batches` newest first, as InterruptedBatches::find gives them; `history` holds their points.
  InterruptedBatchOffer(std::vector<InterruptedBatch> batches, SnapshotHistory history, TakeBack takeBack,
                        QObject* parent = nullptr);

  bool isAsking() const { return !batches_.empty(); }
  QString title() const;
  // Of the batch offered now; empty when none is.
  QString message() const;

  // Takes the batch offered back, then offers the next.
  Q_INVOKABLE void undo();
  // Keeps what the batch offered changed, then offers the next.
  Q_INVOKABLE void keep();

 signals:
  void offerChanged();

 private:
  // The batch offered, no longer offered.
  InterruptedBatch takeCurrent();
  // Says when the batch's point could not be settled.
  static void settled(bool done, const InterruptedBatch& batch);

  std::deque<InterruptedBatch> batches_;
  SnapshotHistory history_;
  TakeBack takeBack_;
};

}  // namespace amberloom::ui
