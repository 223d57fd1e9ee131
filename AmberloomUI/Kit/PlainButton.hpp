#pragma once
// A button with no look of its own: it takes the click, the Space key and the pointer, keeps the
// keyboard's focus as its focus policy says, and says whether that focus came from the keyboard
// (visualFocus, which a FocusRing child follows). Its children draw it. The first screen's rows,
// switches and small buttons are these: they need nothing of a full control's style machinery,
// whose module would otherwise be loaded before the window's first frame.

#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace amberloom::ui {

class PlainButton : public QQuickItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
  Q_PROPERTY(bool hoverEnabled READ hoverEnabled WRITE setHoverEnabled NOTIFY hoverEnabledChanged)
  Q_PROPERTY(bool hovered READ hovered NOTIFY hoveredChanged)
  Q_PROPERTY(bool pressed READ pressed NOTIFY pressedChanged)
  Q_PROPERTY(bool checkable READ checkable WRITE setCheckable NOTIFY checkableChanged)
  Q_PROPERTY(bool checked READ checked WRITE setChecked NOTIFY checkedChanged)
  // Qt::FocusPolicy: Tab puts the button in the Tab order, Click gives it the focus when pressed.
  Q_PROPERTY(int focusPolicy READ focusPolicy WRITE setFocusPolicy NOTIFY focusPolicyChanged)
  // How the button last got or lost the focus (Qt::FocusReason); a list that moves the focus
  // itself may set it, so that focus it handed over shows as the keyboard's.
  Q_PROPERTY(int focusReason READ focusReason WRITE setFocusReason NOTIFY focusReasonChanged)
  // Focus that came from the keyboard: Tab, Shift+Tab or a shortcut.
  Q_PROPERTY(bool visualFocus READ visualFocus NOTIFY visualFocusChanged)

 public:
  explicit PlainButton(QQuickItem* parent = nullptr);

  QString text() const { return text_; }
  void setText(const QString& text);
  bool hoverEnabled() const { return acceptHoverEvents(); }
  void setHoverEnabled(bool enabled);
  bool hovered() const { return hovered_; }
  bool pressed() const { return pressed_; }
  bool checkable() const { return checkable_; }
  void setCheckable(bool checkable);
  bool checked() const { return checked_; }
  void setChecked(bool checked);
  int focusPolicy() const { return focusPolicy_; }
  void setFocusPolicy(int policy);
  int focusReason() const { return focusReason_; }
  void setFocusReason(int reason);
  bool visualFocus() const { return visualFocus_; }

  // What a click does: a checkable button flips first (toggled), then clicked.
  Q_INVOKABLE void click();

 signals:
  void textChanged();
  void hoverEnabledChanged();
  void hoveredChanged();
  void pressedChanged();
  void checkableChanged();
  void checkedChanged();
  void focusPolicyChanged();
  void focusReasonChanged();
  void visualFocusChanged();
  // Only by the user's click, key or assistive action, never by a change of `checked`.
  void toggled();
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseUngrabEvent() override;
  void hoverEnterEvent(QHoverEvent* event) override;
  void hoverLeaveEvent(QHoverEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void itemChange(ItemChange change, const ItemChangeData& value) override;

 private:
  void setHovered(bool hovered);
  void setPressed(bool pressed);
  void updateVisualFocus();
  void syncTabStop();

  QString text_;
  bool hovered_ = false;
  bool pressed_ = false;
  bool checkable_ = false;
  bool checked_ = false;
  int focusReason_ = Qt::OtherFocusReason;
  bool visualFocus_ = false;
  int focusPolicy_ = Qt::StrongFocus;
};

}  // namespace amberloom::ui
