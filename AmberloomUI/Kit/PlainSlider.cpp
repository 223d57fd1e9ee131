#include "Kit/PlainSlider.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

namespace amberloom::ui {

PlainSlider::PlainSlider(QQuickItem* parent) : PlainControl(parent) {}

void PlainSlider::setFrom(double from) {
  if (from == from_) return;
  from_ = from;
  emit rangeChanged();
  emit positionChanged();
}

void PlainSlider::setTo(double to) {
  if (to == to_) return;
  to_ = to;
  emit rangeChanged();
  emit positionChanged();
}

void PlainSlider::setValue(double value) {
  if (value == value_) return;
  value_ = value;
  emit valueChanged();
  if (!dragged_) emit positionChanged();
  announceValue();
}

void PlainSlider::setStepSize(double step) {
  if (step == stepSize_) return;
  stepSize_ = step;
  emit rangeChanged();
}

void PlainSlider::setKnobSize(double size) {
  if (size == knobSize_) return;
  knobSize_ = size;
  emit knobSizeChanged();
}

void PlainSlider::setValueText(const QString& text) {
  if (text == valueText_) return;
  valueText_ = text;
  emit valueTextChanged();
  announceValue();
}

double PlainSlider::position() const {
  const double span = to_ - from_;
  if (!(span > 0) || !std::isfinite(span)) return 0;
  const double shown = shownValue();
  if (std::isnan(shown)) return 0;
  return std::clamp((shown - from_) / span, 0.0, 1.0);
}

void PlainSlider::step(int steps) {
  if (!isEnabled() || steps == 0) return;
  emit stepped(steps);
}

void PlainSlider::moveTo(double value) {
  if (!isEnabled() || std::isnan(value)) return;
  emit moved(std::clamp(value, std::min(from_, to_), std::max(from_, to_)));
}

double PlainSlider::valueAt(double x) const {
  const double track = width() - knobSize_;
  const double share = track > 0 ? (x - knobSize_ / 2) / track : 0;
  return from_ + std::clamp(share, 0.0, 1.0) * (to_ - from_);
}

void PlainSlider::drag(double x) {
  const double value = valueAt(x);
  if (dragged_ && *dragged_ == value) return;
  dragged_ = value;
  emit positionChanged();
  emit moved(value);
}

void PlainSlider::endDrag() {
  setKeepMouseGrab(false);
  if (!dragged_) return;
  dragged_.reset();
  setPressed(false);
  emit positionChanged();
}

void PlainSlider::mousePressEvent(QMouseEvent* event) {
  takeClickFocus();
  setPressed(true);
  event->accept();
  // A list around it would take a drag that strays up or down as its own scrolling.
  setKeepMouseGrab(true);
  // A press on the track takes the knob there at once.
  drag(event->position().x());
}

void PlainSlider::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (pressed()) drag(event->position().x());
}

void PlainSlider::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  endDrag();
}

void PlainSlider::mouseUngrabEvent() { endDrag(); }

void PlainSlider::keyPressEvent(QKeyEvent* event) {
  // Every press is a step, held keys repeating included: each is one the user asked for.
  switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up: step(1); break;
    case Qt::Key_Left:
    case Qt::Key_Down: step(-1); break;
    default: event->ignore(); return;
  }
  event->accept();
}

int PlainSlider::pageSteps() const {
  if (!(stepSize_ > 0)) return 10;
  const double steps = std::round((to_ - from_) / stepSize_ / 10);
  return std::isfinite(steps) ? static_cast<int>(std::clamp(steps, 1.0, 1000.0)) : 1;
}

bool PlainSlider::event(QEvent* event) {
  // Page Up and Page Down are the slider's before any key handler of the view around it: a list
  // would take them to turn its page while the user means to move the focused slider.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
      step(key == Qt::Key_PageUp ? pageSteps() : -pageSteps());
      event->accept();
      return true;
    }
  }
  return PlainControl::event(event);
}

void PlainSlider::announceValue() {
  if (!QAccessible::isActive() || !isComponentComplete()) return;
  QAccessibleValueChangeEvent event(this, value_);
  QAccessible::updateAccessibility(&event);
}

}  // namespace amberloom::ui
