// Each kind of control as assistive technology sees it, from its own properties: role, name,
// states and actions (each listed once, and none while disabled, also when a pane around it is
// disabled), what each action does, a slider's and a scroll bar's values, and the controls' place
// in the tree.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QQuickItem>
#include <QTest>
#include <set>

#include "ScreenWindow.hpp"

using amberloom::testing::ScreenWindow;
using amberloom::testing::testQml;
using Action = QAccessibleActionInterface;

namespace {

QStringList heard(ScreenWindow& window) { return window.screen()->property("heard").toStringList(); }

struct Shown {
  std::unique_ptr<ScreenWindow> window = std::make_unique<ScreenWindow>(testQml("AccessibleControls.qml"), QSize(500, 400));
  // The standard controls make their accessible parts once assistive technology is on.
  Shown() { QAccessible::setActive(true); }
  ~Shown() { QAccessible::setActive(false); }
  QAccessibleInterface* of(const char* name) const {
    QAccessibleInterface* found = QAccessible::queryAccessibleInterface(window->item(name));
    if (!found) throw std::runtime_error(std::string("no accessible form: ") + name);
    return found;
  }
};

// The state flags looked at, by name, for messages.
std::set<std::string> flags(QAccessible::State state) {
  std::set<std::string> set;
  const std::pair<bool, const char*> all[] = {
      {bool(state.disabled), "disabled"},   {bool(state.focusable), "focusable"}, {bool(state.checkable), "checkable"},
      {bool(state.checked), "checked"},     {bool(state.checkStateMixed), "mixed"}, {bool(state.selectable), "selectable"},
      {bool(state.selected), "selected"},   {bool(state.expandable), "expandable"}, {bool(state.expanded), "expanded"},
      {bool(state.invisible), "invisible"}, {bool(state.editable), "editable"}, {bool(state.passwordEdit), "password"},
  };
  for (const auto& [on, name] : all)
    if (on) set.insert(name);
  return set;
}

TEST(ControlAccessibility, EachKindSaysItsRoleNameStatesAndActionsOnce) {
  Shown shown;
  const struct Case {
    const char* item;
    QAccessible::Role role;
    const char* name;
    const char* description;
    std::set<std::string> states;
    QStringList actions;
  } cases[] = {
      {"plain", QAccessible::Button, "Plain", "", {"focusable"}, {Action::pressAction(), Action::setFocusAction()}},
      {"switch", QAccessible::CheckBox, "Switch", "", {"focusable", "checkable"},
       {Action::toggleAction(), Action::pressAction(), Action::setFocusAction()}},
      {"unsetSwitch", QAccessible::CheckBox, "Unset", "", {"focusable", "checkable", "mixed"},
       {Action::toggleAction(), Action::pressAction(), Action::setFocusAction()}},
      {"row", QAccessible::Button, "Row", "", {"focusable", "selectable", "selected"},
       {Action::pressAction(), Action::setFocusAction()}},
      {"named", QAccessible::Button, "Named by its view", "Described by its view", {}, {Action::pressAction()}},
      {"slider", QAccessible::Slider, "Slide", "0.5", {"focusable"},
       {Action::increaseAction(), Action::decreaseAction(), Action::setFocusAction()}},
      {"menu", QAccessible::ComboBox, "Pick", "macOS default", {"focusable", "expandable"},
       {Action::pressAction(), Action::showMenuAction(), Action::setFocusAction()}},
      {"standard", QAccessible::Button, "Standard", "", {"focusable"}, {Action::pressAction(), Action::setFocusAction()}},
      {"tick", QAccessible::CheckBox, "Tick", "", {"focusable", "checkable"},
       {Action::toggleAction(), Action::pressAction(), Action::setFocusAction()}},
      {"field", QAccessible::EditableText, "Field", "", {"focusable", "editable"}, {Action::setFocusAction()}},
      {"password", QAccessible::EditableText, "Password", "", {"editable", "password"}, {}},
      {"updates", QAccessible::MenuItem, "Check for Updates…", "", {"disabled"}, {}},
      {"scrollBar", QAccessible::ScrollBar, "", "", {}, {Action::increaseAction(), Action::decreaseAction()}},
  };
  for (const Case& c : cases) {
    QAccessibleInterface* control = shown.of(c.item);
    EXPECT_EQ(control->role(), c.role) << c.item;
    EXPECT_EQ(control->text(QAccessible::Name).toStdString(), c.name) << c.item;
    EXPECT_EQ(control->text(QAccessible::Description).toStdString(), c.description) << c.item;
    std::set<std::string> states = flags(control->state());
    // A menu is collapsed and expandable; the states looked at here are the ones above.
    EXPECT_EQ(states, c.states) << c.item;
    ASSERT_TRUE(control->actionInterface()) << c.item;
    EXPECT_EQ(control->actionInterface()->actionNames(), c.actions) << c.item;
    // In the tree where its parent lists it.
    QAccessibleInterface* parent = control->parent();
    ASSERT_TRUE(parent) << c.item;
    EXPECT_GE(parent->indexOfChild(control), 0) << c.item;
    EXPECT_FALSE(control->rect().isEmpty()) << c.item;
  }
}

TEST(ControlAccessibility, ActionsDoWhatTheControlsOwnInputDoes) {
  Shown shown;
  const auto act = [&](const char* item, const QString& action) { shown.of(item)->actionInterface()->doAction(action); };

  act("plain", Action::pressAction());
  act("switch", Action::toggleAction());
  act("switch", Action::pressAction());
  act("slider", Action::increaseAction());
  act("slider", Action::decreaseAction());
  shown.of("slider")->valueInterface()->setCurrentValue(1.5);
  act("standard", Action::pressAction());
  act("tick", Action::toggleAction());
  act("updates", Action::pressAction());  // offered nothing, does nothing
  EXPECT_EQ(heard(*shown.window), (QStringList{"plain clicked", "switch true", "switch false", "stepped 1", "stepped -1",
                                               "moved 1.5", "standard clicked", "tick true"}));
  EXPECT_TRUE(shown.of("tick")->state().checked);

  // The slider's value is what it shows: its value, the range and the step.
  QAccessibleValueInterface* slider = shown.of("slider")->valueInterface();
  EXPECT_EQ(slider->currentValue().toDouble(), 0.5);
  EXPECT_EQ(slider->minimumValue().toDouble(), 0);
  EXPECT_EQ(slider->maximumValue().toDouble(), 2);
  EXPECT_EQ(slider->minimumStepSize().toDouble(), 0.1);

  // The menu opens on Press, and says so.
  auto* popup = shown.window->item("menu")->property("popup").value<QObject*>();
  ASSERT_TRUE(popup);
  act("menu", Action::pressAction());
  EXPECT_TRUE(popup->property("visible").toBool());
  EXPECT_TRUE(shown.of("menu")->state().expanded);

  // The scroll bar says how far its pane is scrolled, and turns a page down and back up.
  QAccessibleValueInterface* bar = shown.of("scrollBar")->valueInterface();
  ASSERT_TRUE(bar);
  QQuickItem* pane = shown.window->item("scrolled");
  EXPECT_EQ(bar->currentValue().toDouble(), 0);
  EXPECT_EQ(bar->maximumValue().toDouble(), 800);
  act("scrollBar", Action::increaseAction());
  EXPECT_EQ(pane->property("contentY").toDouble(), 160);
  EXPECT_EQ(bar->currentValue().toDouble(), 160);
  for (int page = 0; page < 10; ++page) act("scrollBar", Action::increaseAction());
  EXPECT_EQ(bar->currentValue().toDouble(), 800) << "never past the end";
  bar->setCurrentValue(100);
  EXPECT_EQ(pane->property("contentY").toDouble(), 100);
}

// A text input's text, cursor and selection, read and set as a screen reader does; a password
// shows as what the field draws.
TEST(ControlAccessibility, ATextInputGivesItsTextByPiecesWithItsCursorAndSelection) {
  Shown shown;
  QAccessibleTextInterface* field = shown.of("field")->textInterface();
  ASSERT_TRUE(field);
  EXPECT_EQ(field->characterCount(), 15);
  EXPECT_EQ(field->text(0, -1), "Hello big world");
  EXPECT_EQ(shown.of("field")->text(QAccessible::Value), "Hello big world");
  const struct {
    int offset;
    QAccessible::TextBoundaryType type;
    int step;  // -1 before, 0 at, 1 after
    const char* piece;
    int start, end;
  } cases[] = {
      {7, QAccessible::WordBoundary, 0, "big", 6, 9},       {7, QAccessible::WordBoundary, -1, " ", 5, 6},
      {7, QAccessible::WordBoundary, 1, " ", 9, 10},        {0, QAccessible::WordBoundary, -1, "", -1, -1},
      {15, QAccessible::WordBoundary, 0, "world", 10, 15},  {3, QAccessible::CharBoundary, 0, "l", 3, 4},
      {3, QAccessible::LineBoundary, 0, "Hello big world", 0, 15}, {99, QAccessible::CharBoundary, 1, "", -1, -1},
  };
  for (const auto& c : cases) {
    int start = 0, end = 0;
    const QString piece = c.step < 0   ? field->textBeforeOffset(c.offset, c.type, &start, &end)
                          : c.step > 0 ? field->textAfterOffset(c.offset, c.type, &start, &end)
                                       : field->textAtOffset(c.offset, c.type, &start, &end);
    EXPECT_EQ(piece.toStdString(), c.piece) << c.offset << " " << c.type << " " << c.step;
    EXPECT_EQ(std::pair(start, end), std::pair(c.start, c.end)) << c.offset << " " << c.type << " " << c.step;
  }
  field->setCursorPosition(6);
  EXPECT_EQ(shown.window->item("field")->property("cursorPosition").toInt(), 6);
  field->setSelection(0, 6, 9);
  int start = 0, end = 0;
  field->selection(0, &start, &end);
  EXPECT_EQ(std::pair(start, end), std::pair(6, 9));
  EXPECT_EQ(field->selectionCount(), 1);
  field->removeSelection(0);
  EXPECT_EQ(field->selectionCount(), 0);
  EXPECT_FALSE(field->characterRect(0).isEmpty());

  QAccessibleTextInterface* password = shown.of("password")->textInterface();
  EXPECT_NE(password->text(0, -1), "secret");
  EXPECT_EQ(password->characterCount(), 6);
}

// A pane disabled (as the window's content is while a batch of writes runs) or hidden (a card the
// list keeps aside, a control of a setting that cannot be read): every control in it takes no
// focus and offers nothing, a hidden one is out of the window's tree; usable again, each works.
TEST(ControlAccessibility, ControlsInADisabledOrHiddenPaneAreUnavailableAndDoNothing) {
  Shown shown;
  const char* inPane[] = {"inPane", "sliderInPane", "standardInPane", "fieldInPane"};
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&shown.window->window());
  for (const char* unusable : {"paneEnabled", "paneShown"}) {
    shown.window->screen()->setProperty(unusable, false);
    for (const char* item : inPane) {
      QAccessibleInterface* control = shown.of(item);
      EXPECT_EQ(bool(control->state().disabled), unusable == std::string("paneEnabled")) << item;
      EXPECT_EQ(window->indexOfChild(control) >= 0, unusable == std::string("paneEnabled")) << unusable << item;
      EXPECT_FALSE(control->state().focusable) << item;
      EXPECT_TRUE(control->actionInterface()->actionNames().isEmpty()) << item;
      control->actionInterface()->doAction(Action::pressAction());
      control->actionInterface()->doAction(Action::increaseAction());
    }
    EXPECT_TRUE(heard(*shown.window).isEmpty()) << unusable << ": " << heard(*shown.window).join(", ").toStdString();
    shown.window->screen()->setProperty(unusable, true);
  }

  for (const char* item : inPane) EXPECT_FALSE(shown.of(item)->state().disabled) << item;
  shown.of("inPane")->actionInterface()->doAction(Action::pressAction());
  shown.of("sliderInPane")->actionInterface()->doAction(Action::increaseAction());
  shown.of("standardInPane")->actionInterface()->doAction(Action::pressAction());
  EXPECT_EQ(heard(*shown.window),
            (QStringList{"in the pane clicked", "pane stepped 1", "standard in the pane clicked"}));
}

}  // namespace
