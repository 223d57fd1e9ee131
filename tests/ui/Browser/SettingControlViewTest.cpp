// The setting controls driven as a user drives them (clicks, drags, menus, typing, focus, the
// colour picker and the folder panel), checking exactly what each hands over.

#include <gtest/gtest.h>

#include <QQuickItem>
#include <QTest>
#include <memory>

#include "Browser/SettingControlAdapter.hpp"
#include "BrowserFixture.hpp"
#include "Platform/HomeDirectory.hpp"
#include "ScreenWindow.hpp"

using namespace amberloom;
using amberloom::testing::ScreenWindow;
using amberloom::testing::testQml;
using amberloom::ui::SettingControlAdapter;
using amberloom::testing::accessible;
using T = SettingValueType;
using Handed = std::vector<PreferenceValue>;

namespace {

PreferenceValue integer(std::int64_t v) { return PreferenceValue::integer(v); }
PreferenceValue text(std::string v) { return PreferenceValue::string(std::move(v)); }

SettingDefinition settingOf(T type, SettingControl control) {
  SettingDefinition setting;
  setting.id = "com.example.thing";
  setting.label = "Thing";
  setting.type = type;
  setting.control = std::move(control);
  return setting;
}

// One control on screen. With `echo` on, every handed value becomes the current value, as the
// settings model does after a successful write.
class ControlScreen {
 public:
  ControlScreen(SettingDefinition setting, std::optional<PreferenceValue> value, bool echo = false)
      : adapter_(std::make_unique<SettingControlAdapter>(std::move(setting), std::move(value),
                                                         [this, echo](const PreferenceValue& v) {
                                                           handed.push_back(v);
                                                           if (echo) adapter_->setValue(v);
                                                         })) {
    window_.screen()->setProperty("adapter", QVariant::fromValue(adapter_.get()));
    window_.grab();
  }

  Handed handed;
  SettingControlAdapter& adapter() { return *adapter_; }
  QQuickItem* screen() { return window_.screen(); }
  // Items of the screen and of its pop-ups.
  QQuickItem* item(const QString& name) { return window_.itemInWindow(name); }
  void click(QQuickItem* item) {
    QTest::mouseClick(&window_.window(), Qt::LeftButton, {}, window_.centreOf(item));
    window_.grab();
  }
  void click(const QString& name) { click(item(name)); }
  // Presses at `from` (a fraction of the item's width), moves in small steps to `to`, releases.
  void drag(QQuickItem* item, double from, double to) {
    const auto at = [&](double fraction) {
      return item->mapToScene(QPointF(item->width() * fraction, item->height() / 2)).toPoint();
    };
    QTest::mousePress(&window_.window(), Qt::LeftButton, {}, at(from));
    for (int i = 1; i <= 20; ++i) QTest::mouseMove(&window_.window(), at(from + (to - from) * i / 20.0));
    QTest::mouseRelease(&window_.window(), Qt::LeftButton, {}, at(to));
    window_.grab();
  }
  void type(const char* keys) {
    for (; *keys; ++keys) QTest::keyClick(&window_.window(), *keys);
  }
  void press(Qt::Key key) { QTest::keyClick(&window_.window(), key); }

 private:
  // The adapter outlives the window that shows it.
  std::unique_ptr<SettingControlAdapter> adapter_;
  ScreenWindow window_{testQml("SettingControls.qml"), {980, 300}};
};

}  // namespace

// An unset switch shows neither on nor off (macOS decides), and says so; a flip hands "on". Every
// switch appears with its knob at rest, rather than sliding there as its track takes its size.
TEST(SettingControlView, switchHandsTheSettingsKindAndOtherwiseShowsTheValueAgain) {
  struct Case {
    T type;
    std::optional<PreferenceValue> value;
    bool shownOn, shownUnset;
    Handed handed;
  };
  const Case cases[] = {
      {T::boolean, std::nullopt, false, true, {PreferenceValue::boolean(true)}},
      {T::integer, integer(5), true, false, {integer(0)}},
      {T::integer, integer(0), false, false, {integer(1)}},
      {T::boolean, PreferenceValue::real(1.0), false, false, {PreferenceValue::boolean(true)}},
      {T::string, text("yes"), false, false, {}},
      {T::string, PreferenceValue::dictionary({}), false, false, {}},
  };
  for (const auto& c : cases) {
    ControlScreen screen(settingOf(c.type, SettingControl::toggle()), c.value);
    QQuickItem* toggle = screen.item("toggle");
    const QQuickItem* knob = screen.item("switchKnob");
    // Two points from the end it is at, or as far from both.
    const double before = knob->x(), after = toggle->width() - knob->x() - knob->width();
    EXPECT_EQ(c.shownUnset ? before - after : c.shownOn ? after : before, c.shownUnset ? 0 : 2);
    const auto expectShown = [&] {
      EXPECT_EQ(toggle->property("checked").toBool(), c.shownOn);
      EXPECT_EQ(toggle->property("mixed").toBool(), c.shownUnset);
      EXPECT_EQ(QAccessible::queryAccessibleInterface(toggle)->state().checkStateMixed, c.shownUnset);
      EXPECT_EQ(accessible(toggle, QAccessible::Description), c.shownUnset ? "macOS default" : "");
    };
    expectShown();
    EXPECT_EQ(accessible(toggle, QAccessible::Name), "Thing");
    screen.click(toggle);
    EXPECT_EQ(screen.handed, c.handed);
    // Nothing set a new value: the switch shows the old one.
    expectShown();
  }
}

TEST(SettingControlView, sliderHandsSnappedValuesWithinTheRangeOnEveryMovement) {
  struct Case {
    T type;
    ControlRange range;
    PreferenceValue first, last;
  };
  const Case cases[] = {
      // The grid from zero would give 0 and 3 at the ends.
      {T::real, {0.4, 2.6, 1}, PreferenceValue::real(0.4), PreferenceValue::real(2.6)},
      {T::integer, {1, 10, 2}, integer(2), integer(10)},
  };
  for (const auto& c : cases) {
    ControlScreen screen(settingOf(c.type, SettingControl::slider(c.range)), std::nullopt, true);
    QQuickItem* slider = screen.item("slider");
    screen.drag(slider, 0.5, -0.2);
    screen.drag(slider, 0.0, 1.3);
    ASSERT_GT(screen.handed.size(), 4u) << "handed while dragging";
    EXPECT_EQ(screen.handed[screen.handed.size() - 1], c.last);
    for (const auto& value : screen.handed) {
      ASSERT_EQ(value.kind(), c.first.kind());
      const double number = value.kind() == PreferenceValue::Kind::integer ? double(value.asInt()) : value.asDouble();
      EXPECT_GE(number, c.range.min);
      EXPECT_LE(number, c.range.max);
    }
    EXPECT_NE(std::find(screen.handed.begin(), screen.handed.end(), c.first), screen.handed.end());
    // The knob and the label follow the value handed back.
    EXPECT_EQ(slider->property("value").toDouble(), screen.adapter().knob());
    EXPECT_EQ(screen.item("sliderValue")->property("text").toString(), screen.adapter().formatted());
    EXPECT_EQ(accessible(slider, QAccessible::Description), screen.adapter().formatted());
  }
}

TEST(SettingControlView, arrowKeysStepAlongTheGridAndSnappedValuesKeepTheStepsDecimals) {
  using P = PreferenceValue;
  const struct {
    T type;
    ControlRange range;
    P start;
    std::vector<Qt::Key> keys;
    Handed handed;
  } cases[] = {
      // Three tenths are 0.3, not 0.30000000000000004, in the command and the export.
      {T::real, {0, 1, 0.1}, P::real(0), {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}, {P::real(0.1), P::real(0.2), P::real(0.3)}},
      // Quarter steps, which a key step of 0.1 would snap back where they were; up to the end.
      {T::real, {0, 1, 0.25}, P::real(0.5), {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Left}, {P::real(0.75), P::real(1), P::real(1), P::real(0.75)}},
      {T::integer, {0, 10, 0}, integer(3), {Qt::Key_Down}, {integer(2)}},  // no grid: by one
  };
  for (const auto& c : cases) {
    ControlScreen screen(settingOf(c.type, SettingControl::slider(c.range)), c.start, true);
    screen.item("slider")->forceActiveFocus();
    for (Qt::Key key : c.keys) screen.press(key);
    EXPECT_EQ(screen.handed, c.handed) << c.range.step;
  }
}

// Unset, a slider says macOS decides and where its first step starts (the middle of the range),
// shows that place only once it has the focus, and steps from there; Page Up goes a tenth.
TEST(SettingControlView, anUnsetSliderSaysSoAndStepsFromTheMiddleOfItsRange) {
  const struct { T type; ControlRange range; Qt::Key key; const char* said; PreferenceValue first; } cases[] = {
      {T::real, {0, 2, 0.1}, Qt::Key_Right, "macOS default, steps start at 1.0", PreferenceValue::real(1.1)},
      {T::real, {0, 1, 0.25}, Qt::Key_PageUp, "macOS default, steps start at 0.5", PreferenceValue::real(0.75)},
      {T::integer, {16, 128, 1}, Qt::Key_PageDown, "macOS default, steps start at 72", integer(61)},
  };
  for (const auto& c : cases) {
    ControlScreen screen(settingOf(c.type, SettingControl::slider(c.range)), std::nullopt);
    EXPECT_EQ(screen.item("sliderValue")->property("text").toString(), "macOS default");
    EXPECT_EQ(accessible(screen.item("slider"), QAccessible::Description).toStdString(), c.said);
    EXPECT_FALSE(screen.item("sliderKnob")->isVisible());
    screen.item("slider")->forceActiveFocus();
    EXPECT_TRUE(screen.item("sliderKnob")->isVisible()) << c.said;
    screen.press(c.key);
    EXPECT_EQ(screen.handed, Handed{c.first}) << c.said;
  }
}

TEST(SettingControlView, menuOffersCustomUntilAnOptionMatchesAndHandsTheOptionsValue) {
  const auto control = SettingControl::choice({{integer(0), "Off"}, {integer(1), "On"}});
  ControlScreen screen(settingOf(T::integer, control), integer(2), true);
  QQuickItem* menu = screen.item("choice");
  const auto choose = [&](const char* entry) {
    screen.click(menu);
    screen.click(entry);
  };
  EXPECT_EQ(menu->property("displayText").toString(), "Custom");

  choose("choiceEntry0");  // "Custom" hands nothing
  EXPECT_TRUE(screen.handed.empty());
  choose("choiceEntry1");
  EXPECT_EQ(screen.handed, Handed{integer(0)});
  // The value now matches an option: no "Custom" any more.
  EXPECT_EQ(screen.adapter().entries(), QStringList({"Off", "On"}));
  EXPECT_EQ(menu->property("displayText").toString(), "Off");
  choose("choiceEntry1");
  EXPECT_EQ(screen.handed, (Handed{integer(0), integer(1)}));
  EXPECT_EQ(menu->property("displayText").toString(), "On");
  EXPECT_EQ(accessible(menu, QAccessible::Description), "On");
}

// Unset, the menu chooses no entry and says that macOS decides; every entry is an option.
TEST(SettingControlView, anUnsetMenuChoosesNoEntryAndOffersOnlyTheOptions) {
  const auto control = SettingControl::choice({{integer(0), "Off"}, {integer(1), "On"}});
  ControlScreen screen(settingOf(T::integer, control), std::nullopt, true);
  QQuickItem* menu = screen.item("choice");
  EXPECT_EQ(screen.adapter().entries(), QStringList({"Off", "On"}));
  EXPECT_EQ(menu->property("currentIndex").toInt(), -1);
  EXPECT_EQ(menu->property("displayText").toString(), "macOS default");
  EXPECT_EQ(accessible(menu, QAccessible::Name), "Thing");
  EXPECT_EQ(accessible(menu, QAccessible::Description), "macOS default");
  screen.click(menu);
  screen.click("choiceEntry0");
  EXPECT_EQ(screen.handed, Handed{integer(0)});
  EXPECT_EQ(menu->property("displayText").toString(), "Off");
}

TEST(SettingControlView, textFieldCommitsAnEditedDraftOnReturnOrLeavingIt) {
  {
    ControlScreen screen(settingOf(T::string, SettingControl::text()), std::nullopt);
    QQuickItem* field = screen.item("textField");
    screen.click(field);
    screen.type("abc");
    EXPECT_TRUE(screen.handed.empty()) << "nothing while typing";
    screen.press(Qt::Key_Return);
    screen.press(Qt::Key_Return);
    EXPECT_EQ(screen.handed, Handed{text("abc")});
    EXPECT_EQ(accessible(field, QAccessible::Description), "Press Return to save");
  }
  {
    // An int setting edited as decimal text; a draft that does not parse shows the value again.
    ControlScreen screen(settingOf(T::integer, SettingControl::text()), integer(3), true);
    QQuickItem* field = screen.item("textField");
    EXPECT_EQ(field->property("text").toString(), "3");
    screen.click(field);
    screen.type("x");
    screen.press(Qt::Key_Return);
    EXPECT_TRUE(screen.handed.empty());
    EXPECT_EQ(field->property("text").toString(), "3");
    screen.type("4");
    screen.click("elsewhere");
    EXPECT_EQ(screen.handed, Handed{integer(34)});
    EXPECT_EQ(field->property("text").toString(), "34");
  }
  {
    // A field that merely has focus follows outside changes and writes nothing back.
    ControlScreen screen(settingOf(T::string, SettingControl::text()), text("old"));
    QQuickItem* field = screen.item("textField");
    screen.click(field);
    screen.adapter().setValue(text("newer"));
    EXPECT_EQ(field->property("text").toString(), "newer");
    screen.click("elsewhere");
    EXPECT_TRUE(screen.handed.empty());
    // Once the user types, the draft is theirs until they commit it.
    screen.click(field);
    screen.type("!");
    screen.adapter().setValue(text("newest"));
    EXPECT_EQ(field->property("text").toString(), "newer!");
    screen.press(Qt::Key_Return);
    EXPECT_EQ(screen.handed, Handed{text("newer!")});
  }
}

TEST(SettingControlView, colourWellHandsThePickedColourClampedWithTheCurrentName) {
  ControlScreen screen(settingOf(T::string, SettingControl::color()), text("1 0 0 Alert red"));
  QQuickItem* well = screen.item("colourWell");
  EXPECT_EQ(screen.item("colourSwatch")->property("color").value<QColor>(), QColor(Qt::red));
  EXPECT_EQ(accessible(well, QAccessible::Description), "Alert red");

  screen.click(well);
  QObject* picker = screen.screen()->findChild<QObject*>("colourPicker");
  ASSERT_TRUE(picker);
  EXPECT_TRUE(picker->property("visible").toBool());
  // A wide-gamut pick: red beyond 1, green below 0.
  picker->setProperty("selectedColor", QColor::fromRgbF(1.25f, -0.2f, 0.5f));
  QMetaObject::invokeMethod(picker, "accept");
  EXPECT_EQ(screen.handed, Handed{text("1.000000 0.000000 0.500000 Alert red")});

  // Unset, the well shows no colour and says macOS decides.
  ControlScreen unset(settingOf(T::string, SettingControl::color()), std::nullopt);
  EXPECT_EQ(accessible(unset.item("colourWell"), QAccessible::Description), "macOS default");
  EXPECT_FALSE(unset.item("colourSwatch")->isVisible());
  EXPECT_EQ(unset.item("colourUnset")->property("text").toString(), "macOS default");

  ControlScreen unnamed(settingOf(T::string, SettingControl::color()), integer(7));
  EXPECT_EQ(accessible(unnamed.item("colourWell"), QAccessible::Description), "Custom colour");
  unnamed.click("colourWell");
  QObject* second = unnamed.screen()->findChild<QObject*>("colourPicker");
  second->setProperty("selectedColor", QColor(Qt::blue));
  QMetaObject::invokeMethod(second, "reject");
  EXPECT_TRUE(unnamed.handed.empty()) << "a cancelled picker hands nothing";
}

TEST(SettingControlView, folderHandsTheChosenPathAndNothingWhenCancelled) {
  const QString home = QString::fromStdString(platform::homeDirectory());
  ControlScreen screen(settingOf(T::string, SettingControl::folder()), text(home.toStdString() + "/Shots"));
  EXPECT_EQ(screen.item("folderText")->property("text").toString(), "~/Shots");

  screen.click("chooseButton");  // the panel is cancelled
  EXPECT_EQ(screen.screen()->property("panelsOpened").toInt(), 1);
  EXPECT_TRUE(screen.handed.empty());

  screen.screen()->setProperty("chosenFolder", QUrl::fromLocalFile(home + "/Pictures/New shots"));
  screen.click("chooseButton");
  EXPECT_EQ(screen.handed, Handed{text(home.toStdString() + "/Pictures/New shots")});

  QQuickItem* folder = screen.item("chooseButton")->parentItem();
  EXPECT_EQ(accessible(folder, QAccessible::Name), "Thing");
  EXPECT_EQ(accessible(folder, QAccessible::Description), "~/Shots. Opens a folder picker");

  ControlScreen unset(settingOf(T::string, SettingControl::folder()), text(""));
  EXPECT_EQ(unset.item("folderText")->property("text").toString(), "Default");
}
