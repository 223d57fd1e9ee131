#pragma once
// A button with no look of its own (see PlainControl): it takes the click, the Space key and the
// pointer, and clicks for assistive technology's Press. Checkable, it is a switch or a tick box
// (role check box, Toggle); selectable, it is the row of a list that stands for what is shown (a
// sidebar entry), and says whether it is the selected one. Its children draw it. The first
// screen's rows, switches and small buttons are these.

#include <QtQml/qqmlregistration.h>

#include "Kit/PlainControl.hpp"

namespace amberloom::ui {

class PlainButton : public PlainControl {
  Q_OBJECT
  QML_ELEMENT
  // Its name for assistive technology, unless its view names it (Accessible.name).
  Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
  Q_PROPERTY(bool checkable READ checkable WRITE setCheckable NOTIFY checkableChanged)
  Q_PROPERTY(bool checked READ checked WRITE setChecked NOTIFY checkedChanged)
  // A checkable button whose value is not known: neither checked nor unchecked (drawn so by its
  // view). A click still checks it.
  Q_PROPERTY(bool mixed READ mixed WRITE setMixed NOTIFY mixedChanged)
  Q_PROPERTY(bool selectable READ selectable WRITE setSelectable NOTIFY selectableChanged)
  Q_PROPERTY(bool selected READ selected WRITE setSelected NOTIFY selectedChanged)

 public:
  explicit PlainButton(QQuickItem* parent = nullptr);

  QString text() const { return text_; }
  void setText(const QString& text);
  bool checkable() const { return checkable_; }
  void setCheckable(bool checkable);
  bool checked() const { return checked_; }
  void setChecked(bool checked);
  bool mixed() const { return mixed_; }
  void setMixed(bool mixed);
  bool selectable() const { return selectable_; }
  void setSelectable(bool selectable);
  bool selected() const { return selected_; }
  void setSelected(bool selected);

  // What a click does: a checkable button flips first (toggled), then clicked. Nothing while
  // disabled.
  Q_INVOKABLE void click();

 signals:
  void textChanged();
  void checkableChanged();
  void checkedChanged();
  void mixedChanged();
  void selectableChanged();
  void selectedChanged();
  // Only by the user's click, key or assistive action, never by a change of `checked`.
  void toggled();
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  QString text_;
  bool checkable_ = false;
  bool checked_ = false;
  bool mixed_ = false;
  bool selectable_ = false;
  bool selected_ = false;
};

}  // namespace amberloom::ui
