#pragma once
// A window as assistive technology sees it. Qt Quick's own form of a window knows no busy state;
// while a batch of writes runs, a window takes no input and should say so. A window with a `busy`
// property (the main window and the settings window declare one) gets this form instead: its
// title, place and content as ever, busy while `busy` is true, and a state change announced each
// time it turns. Other windows keep Qt's own.

class QAccessibleInterface;
class QObject;
class QString;

namespace amberloom::ui {

// The factory that QAccessible asks for each object's interface; for QAccessible::installFactory.
QAccessibleInterface* windowAccessibility(const QString& className, QObject* object);

}  // namespace amberloom::ui
