#pragma once
// What the views tell assistive technology beyond what it reads from the tree itself: a notice
// that appeared or changed (an error, a restart to finish, an outcome), a value a control now
// shows, and the entry of an open list that the keyboard now stands on. Qt 6.4 offers no
// announcement of its own; a notice is made heard as a live region is on this desktop: it says it
// is showing (again) and that its name changed, and a screen reader speaks a notification that
// shows. Main thread only; with no assistive technology listening, nothing is sent.

#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQuickItem;

namespace amberloom::ui {

class ScreenReader : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

 public:
  explicit ScreenReader(QObject* parent = nullptr) : QObject(parent) {}

  // `notice` shows a new text: heard now, where the user's focus is.
  Q_INVOKABLE static void announce(QQuickItem* notice);
  // `control` (a pop-up menu) shows another entry.
  Q_INVOKABLE static void valueChanged(QQuickItem* control);
  // `entry` of an open list is the one the keyboard stands on, while the focus stays where the
  // list was opened from.
  Q_INVOKABLE static void standsOn(QQuickItem* entry);
};

}  // namespace amberloom::ui
