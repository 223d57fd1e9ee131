#include "Kit/GuidedBatch.hpp"

namespace amberloom::ui {

GuidedBatch::GuidedBatch(SnapshotHistory undoPoints, WayBackQuestion::Undo undo, QObject* parent,
                         WorkInProgress* progress)
    : QObject(parent),
      undoPoints_(std::move(undoPoints)),
      undo_(undo),
      progress_(progress ? progress : new WorkInProgress(this)),
      question_(new WayBackQuestion(this)) {
  connect(question_, &WayBackQuestion::declined, this, &GuidedBatch::leftAsItWas);
}

}  // namespace amberloom::ui
