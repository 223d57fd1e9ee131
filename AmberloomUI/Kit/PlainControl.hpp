#pragma once
// What every plain control of the kit (PlainButton, PlainSlider) shares: a control with no look of
// its own, drawn by its children, that takes the pointer and the keyboard's focus as its focus
// policy says and tells whether that focus came from the keyboard (visualFocus, which a FocusRing
// child follows). It is in the accessibility tree from the start, whatever its view declares: its
// role, state and actions come from its own properties (see ControlAccessibility), and each change
// of its state is announced. They stand in for full controls on the first screen, whose module
// would otherwise be loaded before the window's first frame.

#include <QAccessible>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class PlainControl : public QQuickItem {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(bool hoverEnabled READ hoverEnabled WRITE setHoverEnabled NOTIFY hoverEnabledChanged)
  Q_PROPERTY(bool hovered READ hovered NOTIFY hoveredChanged)
  Q_PROPERTY(bool pressed READ pressed NOTIFY pressedChanged)
  // Qt::FocusPolicy: Tab puts the control in the Tab order, Click gives it the focus when pressed.
  Q_PROPERTY(int focusPolicy READ focusPolicy WRITE setFocusPolicy NOTIFY focusPolicyChanged)
  // How the control last got or lost the focus (Qt::FocusReason); a list that moves the focus
  // itself may set it, so that focus it handed over shows as the keyboard's.
  Q_PROPERTY(int focusReason READ focusReason WRITE setFocusReason NOTIFY focusReasonChanged)
  // Focus that came from the keyboard: Tab, Shift+Tab or a shortcut.
  Q_PROPERTY(bool visualFocus READ visualFocus NOTIFY visualFocusChanged)

 public:
  explicit PlainControl(QQuickItem* parent = nullptr);

  bool hoverEnabled() const { return acceptHoverEvents(); }
  void setHoverEnabled(bool enabled);
  bool hovered() const { return hovered_; }
  bool pressed() const { return pressed_; }
  int focusPolicy() const { return focusPolicy_; }
  void setFocusPolicy(int policy);
  int focusReason() const { return focusReason_; }
  void setFocusReason(int reason);
  bool visualFocus() const { return visualFocus_; }
  // The focus policy lets the control take the focus at all (by Tab or by a click).
  bool takesFocus() const { return (focusPolicy_ & (Qt::TabFocus | Qt::ClickFocus)) != 0; }

 signals:
  void hoverEnabledChanged();
  void hoveredChanged();
  void pressedChanged();
  void focusPolicyChanged();
  void focusReasonChanged();
  void visualFocusChanged();

 protected:
  void componentComplete() override;
  void hoverEnterEvent(QHoverEvent* event) override;
  void hoverLeaveEvent(QHoverEvent* event) override;
  void mouseUngrabEvent() override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void itemChange(ItemChange change, const ItemChangeData& value) override;

  // A click's press gives the focus when the focus policy says so.
  void takeClickFocus();
  void setPressed(bool pressed);
  // Tells assistive technology that the states set in `changed` may have turned.
  void announceState(QAccessible::State changed);

 private:
  void setHovered(bool hovered);
  void updateVisualFocus();
  void syncTabStop();

  bool hovered_ = false;
  bool pressed_ = false;
  int focusReason_ = Qt::OtherFocusReason;
  bool visualFocus_ = false;
  int focusPolicy_ = Qt::StrongFocus;
};

}  // namespace amberloom::ui
