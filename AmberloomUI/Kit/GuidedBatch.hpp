#pragma once
// The steps every screen that writes a batch of settings takes, in one place: the batch runs with
// its read-back while the window shows that it works (WorkInProgress); when it could not store its
// undo point, and so wrote nothing, the way-back question is asked, and only "Continue" runs it
// again, allowed to go on without a stored point; then the screen takes the result. What differs
// from screen to screen (what is written, what the result changes on the screen) stays with the
// screen's model; the flow only keeps the order of the steps and tells the view how each ended:
// `outcomeShown` once the screen shows what the batch did (the view then puts the keyboard's focus
// on that outcome, so that a screen reader says it), `leftAsItWas` when the question was declined
// (the focus goes back to the control that started the batch). Each model that runs batches owns
// one. Main thread only.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

#include "Changes/SnapshotHistory.hpp"
#include "Kit/WayBackQuestion.hpp"
#include "Kit/WorkInProgress.hpp"

namespace amberloom::ui {

class GuidedBatch : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Each model owns its own")
  Q_PROPERTY(amberloom::ui::WorkInProgress* progress READ progress CONSTANT)
  Q_PROPERTY(amberloom::ui::WayBackQuestion* wayBackQuestion READ wayBackQuestion CONSTANT)

 public:
  // Batches take their points from `undoPoints`; `undo` says what the question promises once a
  // batch ran without one. `progress` is shared with another flow when given (a list whose batches
  // another model runs shows that model's work), else the flow makes its own.
  GuidedBatch(SnapshotHistory undoPoints, WayBackQuestion::Undo undo, QObject* parent = nullptr,
              WorkInProgress* progress = nullptr);

  WorkInProgress* progress() const { return progress_; }
  WayBackQuestion* wayBackQuestion() const { return question_; }
  bool isRunning() const { return progress_->isRunning(); }
  const SnapshotHistory& undoPoints() const { return undoPoints_; }

  // Runs `work(undoPoints)` on the worker pool (it must own copies of what it calls) with `text`
  // shown while it works, asks the way-back question when the batch was held back, and hands the
  // batch to `done` once it has run, then says the outcome is shown. A batch asked about runs again
  // on "Continue" with the same work and `done`. `failed` takes what the work threw; without it,
  // the exception goes to the caller. Nothing when a batch of this flow is under way.
  template <class Work, class Done>
  void run(QString text, Work work, Done done, std::function<void(std::exception_ptr)> failed = {}) {
    runWith(undoPoints_, std::move(text), std::move(work), std::move(done), std::move(failed));
  }

  // For a batch that another model ran with this flow's progress: asks when it was held back, with
  // `again` to run it once more, allowed without a point. Whether it asked.
  template <class Report>
  bool askIfHeldBack(const BatchResult<Report>& batch, std::function<void()> again) {
    return question_->askIfHeldBack(batch, undo_, std::move(again));
  }

  // The screen now shows what the last step did (also a practice run's report, which no batch wrote).
  void showOutcome() { emit outcomeShown(); }

 signals:
  void outcomeShown();
  void leftAsItWas();

 private:
  template <class Work, class Done>
  void runWith(const SnapshotHistory& history, QString text, Work work, Done done,
               std::function<void(std::exception_ptr)> failed) {
    if (progress_->isRunning()) return;
    std::optional<decltype(work(history))> batch;
    try {
      batch.emplace(progress_->run(text, [work, history] { return work(history); }));
    } catch (...) {
      if (!failed) throw;
      failed(std::current_exception());
      emit outcomeShown();
      return;
    }
    const bool asked = question_->askIfHeldBack(*batch, undo_, [this, text, work, done, failed] {
      runWith(undoPoints_.allowingBatchesWithoutPoint(), text, work, done, failed);
    });
    if (asked) return;
    done(std::move(*batch));
    emit outcomeShown();
  }

  SnapshotHistory undoPoints_;
  WayBackQuestion::Undo undo_;
  WorkInProgress* progress_;
  WayBackQuestion* question_;
};

}  // namespace amberloom::ui
