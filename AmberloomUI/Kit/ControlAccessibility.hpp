#pragma once
// The controls of the windows as assistive technology sees them, each kind once, from the
// control's own properties, so that no view can forget a part:
// - a plain button (PlainButton): a push button, or a check box while checkable (checked, or
//   mixed while its value is unknown), selectable and selected where it stands for what is shown;
//   Press (and Toggle) click it as Space does;
// - a plain slider (PlainSlider): a slider with its value, range and step, whose Increase and
//   Decrease step it as the arrow keys do, and whose value set moves it as a drag would;
// - a pane's scroll bar (PlainScrollBar): how far the pane is scrolled as its value; Increase and
//   Decrease turn a page;
// - a pop-up menu (the standard controls' combo box): its current entry as its value and
//   description, expanded while open, with the open list of entries as its child; Press and
//   ShowMenu open it;
// - a one-line text input (TextInput, and the standard text field): an editable text with its text,
//   cursor and selection (see TextInputAccessible);
// - every other standard button (buttons, tick boxes, menu items, menu titles, list entries): its
//   role (a menu bar's title is the menu it opens), name and checked state as its view declares
//   them (an entry of a list selected and focused while the keyboard stands on it); Press (and
//   Toggle) press it with the Space key, as the keyboard does.
// Each of them says it is disabled while it is (inside a disabled pane too, as while a batch of
// writes runs), takes the focus only when it can, and offers nothing while disabled or hidden. Every other
// kind of item, and a control its view leaves out (Accessible.ignored), is left to Qt Quick.

class QAccessibleInterface;
class QObject;
class QString;

namespace amberloom::ui {

// The factory that QAccessible asks for each object's interface; for QAccessible::installFactory.
QAccessibleInterface* controlAccessibility(const QString& className, QObject* object);

}  // namespace amberloom::ui
