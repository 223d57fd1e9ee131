#pragma once
// A horizontal slider with no look of its own (see PlainControl): its children draw the track and
// the knob at `position`. It shows `value` within [from, to] and never changes it itself: a drag
// or a press on the track says where the pointer put it (moved), and the arrow keys, like
// assistive technology's Increase and Decrease, say how many steps it should go (stepped); Page
// Up and Page Down go a tenth of the range. Its owner hands the new value on and sets `value` to
// what comes back. While the pointer drags it, the knob follows the pointer.

#include <QtQml/qqmlregistration.h>
#include <optional>

#include "Kit/PlainControl.hpp"

namespace amberloom::ui {

class PlainSlider : public PlainControl {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(double from READ from WRITE setFrom NOTIFY rangeChanged)
  Q_PROPERTY(double to READ to WRITE setTo NOTIFY rangeChanged)
  Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged)
  // One step, as assistive technology reports it (0: none given).
  Q_PROPERTY(double stepSize READ stepSize WRITE setStepSize NOTIFY rangeChanged)
  // The width of the knob its children draw: the pointer's place maps onto the track between the
  // knob's two extreme centres.
  Q_PROPERTY(double knobSize READ knobSize WRITE setKnobSize NOTIFY knobSizeChanged)
  // Where the knob is drawn, from 0 (from) to 1 (to): the value shown, or the pointer's while it drags.
  Q_PROPERTY(double position READ position NOTIFY positionChanged)
  // A text for the value (its label), for assistive technology.
  Q_PROPERTY(QString valueText READ valueText WRITE setValueText NOTIFY valueTextChanged)

 public:
  explicit PlainSlider(QQuickItem* parent = nullptr);

  double from() const { return from_; }
  void setFrom(double from);
  double to() const { return to_; }
  void setTo(double to);
  double value() const { return value_; }
  void setValue(double value);
  double stepSize() const { return stepSize_; }
  void setStepSize(double step);
  double knobSize() const { return knobSize_; }
  void setKnobSize(double size);
  double position() const;
  QString valueText() const { return valueText_; }
  void setValueText(const QString& text);
  // The value the knob shows: the pointer's while it drags, else `value`.
  double shownValue() const { return dragged_.value_or(value_); }

  // `steps` steps up (down when negative), as the arrow keys take it; nothing while disabled.
  Q_INVOKABLE void step(int steps);
  // To `value`, as a drag there would take it; nothing while disabled.
  Q_INVOKABLE void moveTo(double value);

 signals:
  void rangeChanged();
  void valueChanged();
  void knobSizeChanged();
  void positionChanged();
  void valueTextChanged();
  void moved(double value);
  void stepped(int steps);

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseUngrabEvent() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  double valueAt(double x) const;
  void drag(double x);
  void endDrag();
  void announceValue();
  // The steps of Page Up and Page Down: a tenth of the range, at least one step (ten without a grid).
  int pageSteps() const;

  double from_ = 0;
  double to_ = 1;
  double value_ = 0;
  double stepSize_ = 0;
  double knobSize_ = 16;
  std::optional<double> dragged_;
  QString valueText_;
};

}  // namespace amberloom::ui
