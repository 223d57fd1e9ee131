#include "Guided/InterruptedBatchOffer.hpp"

#include "Kit/Localized.hpp"
#include "Kit/Logging.hpp"

namespace amberloom::ui {

InterruptedBatchOffer::InterruptedBatchOffer(std::vector<InterruptedBatch> batches, SnapshotHistory history,
                                             TakeBack takeBack, QObject* parent)
    : QObject(parent), batches_(batches.begin(), batches.end()), history_(std::move(history)),
      takeBack_(std::move(takeBack)) {}

QString InterruptedBatchOffer::title() const { return localized("A change was not finished"); }

QString InterruptedBatchOffer::message() const {
  if (batches_.empty()) return {};
  const InterruptedBatch& batch = batches_.front();
  return localized("AmberLoom stopped while %@; %lld settings may have changed.",
                   {QString::fromStdString(interruptedActivity(batch.point.point.reason)), QString::number(batch.changed)});
}

InterruptedBatch InterruptedBatchOffer::takeCurrent() {
  InterruptedBatch batch = batches_.front();
  batches_.pop_front();
  emit offerChanged();
  return batch;
}

void InterruptedBatchOffer::settled(bool done, const InterruptedBatch& batch) {
  if (!done)
    qCWarning(lcGuided).noquote() << "The undo point" << batch.point.fileName.c_str()
                                  << "could not be marked as settled; it is offered again at the next start";
}

void InterruptedBatchOffer::undo() {
  if (batches_.empty()) return;
  const InterruptedBatch batch = takeCurrent();
  if (!takeBack_) return;
  InterruptedBatches::undo(history_, batch, [this, batch](const StoredSnapshot& point, std::function<bool()> ran) {
    takeBack_(point, [this, batch, ran](const QString& outcome, bool isWarning) {
      settled(ran(), batch);
      outcome_ += (outcome_.isEmpty() ? QString() : QStringLiteral("\n")) + outcome;
      outcomeIsWarning_ = outcomeIsWarning_ || isWarning;
      emit outcomeChanged();
    });
  });
}

void InterruptedBatchOffer::outcomeShown() {
  if (outcome_.isEmpty()) return;
  outcome_.clear();
  outcomeIsWarning_ = false;
  emit outcomeChanged();
}

void InterruptedBatchOffer::keep() {
  if (batches_.empty()) return;
  const InterruptedBatch batch = takeCurrent();
  settled(history_.settle(batch.point), batch);
}

}  // namespace amberloom::ui
