#pragma once
// The batches the last run left unsettled (see InterruptedBatches), offered one at a time as the
// window opens: "AmberLoom stopped while <what it was doing>; <n> settings may have changed."
// Undo hands the batch's point to `takeBack` (the undo of the Recent changes list, which asks
// first when that undo's own point cannot be stored); Keep leaves the settings as they are.
// Keep settles the point at once; Undo settles it once the take-back has run (so that a kill
// during it, or a take-back that did not run, leaves the offer for the next start). A settled
// point stays listed in Recent changes like any other and is not offered again. What each Undo did
// is said in `outcome` once it has run (after the way-back question, when that undo asks one), to
// be shown once no batch is offered any more: the offer comes as the window opens, over whichever
// screen shows, which need not be the list that would show it. Main thread only.

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
  // What the Undos not yet shown did, a line each ("<n> of <m> settings put back", or why not all
  // went back); empty when there is none.
  Q_PROPERTY(QString outcome READ outcome NOTIFY outcomeChanged)
  // Some of them did not put everything back.
  Q_PROPERTY(bool outcomeIsWarning READ outcomeIsWarning NOTIFY outcomeChanged)

 public:
  // Tells the offer what taking a point back did, once it has run.
  using Reported = std::function<void(const QString& outcome, bool isWarning)>;
  using TakeBack = std::function<void(const StoredSnapshot& point, Reported reported)>;

  // `batches` newest first, as InterruptedBatches::find gives them; `history` holds their points.
  InterruptedBatchOffer(std::vector<InterruptedBatch> batches, SnapshotHistory history, TakeBack takeBack,
                        QObject* parent = nullptr);

  bool isAsking() const { return !batches_.empty(); }
  QString title() const;
  // Of the batch offered now; empty when none is.
  QString message() const;
  const QString& outcome() const { return outcome_; }
  bool outcomeIsWarning() const { return outcomeIsWarning_; }

  // Takes the batch offered back, then offers the next.
  Q_INVOKABLE void undo();
  // Keeps what the batch offered changed, then offers the next.
  Q_INVOKABLE void keep();
  // The outcome has been shown: it is not shown again.
  Q_INVOKABLE void outcomeShown();

 signals:
  void offerChanged();
  void outcomeChanged();

 private:
  // The batch offered, no longer offered.
  InterruptedBatch takeCurrent();
  // Says when the batch's point could not be settled.
  static void settled(bool done, const InterruptedBatch& batch);

  std::deque<InterruptedBatch> batches_;
  SnapshotHistory history_;
  TakeBack takeBack_;
  QString outcome_;
  bool outcomeIsWarning_ = false;
};

}  // namespace amberloom::ui
