#pragma once
// A window as assistive technology sees it. Qt Quick's own form of a window knows no busy state
// and lists hidden items as content; every window gets this form instead: its title, place and
// the content on screen, and for a window with a `busy` property (the main window and the settings
// window declare one; while a batch of writes runs, a window takes no input and should say so)
// busy while `busy` is true, with a state change announced each time it turns.

class QAccessibleInterface;
class QObject;
class QString;

namespace amberloom::ui {

// The factory that QAccessible asks for each object's interface; for QAccessible::installFactory.
QAccessibleInterface* windowAccessibility(const QString& className, QObject* object);

}  // namespace amberloom::ui
