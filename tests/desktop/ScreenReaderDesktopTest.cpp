// The real executable on a desktop of its own, used as a screen reader and the keyboard alone use
// it: what each kind of control says of itself over at-spi and what its actions do (a slider's
// Increase writes the next value, a menu says its entry and opens, the sidebar says which entry is
// shown, a command that cannot run is not offered), each arrow press a step, Tab into the list of
// cards after another page, Page Down turning the list, the replace question answered by Return
// and the detail sheet closed by Escape with the focus given back.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "Account/AccountStore.hpp"
#include "DesktopSession.hpp"
#include "Platform/ProcessRunner.hpp"
#include "Preferences/UserDefaults.hpp"
#include "TestHome.hpp"

namespace th = amberloom::testing;
using amberloom::testing::DesktopSession;
using namespace std::chrono_literals;

namespace {

// at-spi's numbers of the states looked at.
enum AtspiState {
  kChecked = 4,
  kEnabled = 8,
  kExpanded = 10,
  kFocusable = 11,
  kSelectable = 22,
  kSelected = 23,
  kSensitive = 24,
  kIndeterminate = 32,
  kIsDefault = 39,
};

std::string defaultsRead(const std::string& home, const std::string& domain, const std::string& key) {
  const auto ran = amberloom::platform::runProcess("/usr/bin/env", {"HOME=" + home, th::defaultsPath(), "read", domain, key}, 30s);
  return ran && ran->exitStatus == 0 ? ran->standardOutput : std::string();
}

// Polls `holds` every 100 ms for up to `seconds`; says whether it came to hold.
bool eventually(const std::function<bool()>& holds, int seconds = 20) {
  for (int tries = 0; tries < seconds * 10 && !holds(); ++tries) std::this_thread::sleep_for(100ms);
  return holds();
}

class ScreenReaderDesktop : public ::testing::Test {
 protected:
  const std::string home = th::home();
  DesktopSession mac{home + "/desktop"};

  // The catalogue window: an account signed in (at a server that is not there), the wizard done.
  void start() {
    amberloom::AccountStore("tv.winterbrae.amberloom.session", "device-token", amberloom::StoreUserDefaults::standard())
        .save("token-1", "ada@example.com", "mac-1", "http://127.0.0.1:9/api/v1");
    amberloom::StoreUserDefaults::standard()->setBool(true, "hasCompletedFirstRun");
    mac.startApp(home, {{"AMBERLOOM_ACCOUNT_URL", "http://127.0.0.1:9/api/v1"}});
    ASSERT_TRUE(mac.find("Search settings", "text")) << mac.describeScreen() << mac.appLog();
  }

  DesktopSession::Details need(const QString& name, const QString& role = {}) {
    auto found = mac.details(name, role);
    if (!found)
      throw std::runtime_error("not on screen: " + name.toStdString() + "\n" + mac.describeScreen() + mac.appLog());
    return *found;
  }

  void clickOn(const QString& name, const QString& role = {}) { mac.click(need(name, role).element); }

  // The value `defaults` reads for the Dock's `key` once it is `expected`; what it last read else.
  std::string dockValueOnceItIs(const std::string& key, const std::string& expected) {
    std::string value;
    eventually([&] { return (value = defaultsRead(home, "com.apple.dock", key)) == expected; });
    return value;
  }

  std::string focusedName() {
    const auto focused = mac.focused();
    return focused ? focused->name.toStdString() : std::string("(nothing)");
  }
};

// The sidebar says which entry is shown; the slider is a slider with its value whose Increase
// writes the next step, and every arrow press is a step however quick; the menu says it is unset,
// opens with Press and says the entry picked; the switch of an unset setting is neither on nor
// off; and a menu command that cannot run is announced unavailable and offers nothing.
TEST_F(ScreenReaderDesktop, EachKindOfControlSaysWhatItShowsAndItsActionsWork) {
  start();
  clickOn("Dock, *", "list item");
  const auto dock = need("Dock, *", "list item");
  EXPECT_TRUE(dock.has(kSelectable) && dock.has(kSelected)) << dock.states;
  const auto myMacs = need("My Macs", "list item");
  EXPECT_TRUE(myMacs.has(kSelectable) && !myMacs.has(kSelected)) << myMacs.states;
  EXPECT_EQ(std::count(dock.actions.begin(), dock.actions.end(), QStringLiteral("Press")), 1);

  const auto unsetSwitch = need("Bounce icons while apps open", "check box");
  EXPECT_TRUE(unsetSwitch.has(kIndeterminate) && !unsetSwitch.has(kChecked)) << unsetSwitch.states;
  EXPECT_EQ(unsetSwitch.description, "macOS default");
  EXPECT_EQ(std::count(unsetSwitch.actions.begin(), unsetSwitch.actions.end(), QStringLiteral("Toggle")), 1);

  // Unset, the slider (0 to 2 by tenths) says so and where its first step starts: the middle.
  const QString delay = QStringLiteral("Delay before a hidden Dock appears");
  auto slider = need(delay, "slider");
  EXPECT_EQ(slider.description, "macOS default, steps start at 1.0");
  EXPECT_TRUE(slider.value && *slider.value == 1.0) << slider.value.value_or(-1);
  EXPECT_TRUE(slider.has(kFocusable) && slider.has(kSensitive));
  EXPECT_EQ(slider.actions, (std::vector<QString>{"Increase", "Decrease", "SetFocus"}));
  ASSERT_TRUE(mac.doAction(delay, "slider", "Increase"));
  EXPECT_EQ(dockValueOnceItIs("autohide-delay", "1.1\n"), "1.1\n") << mac.appLog();
  EXPECT_TRUE(eventually([&] { return mac.details(delay, "slider")->value == 1.1; }));

  ASSERT_TRUE(mac.doAction(delay, "slider", "SetFocus"));
  ASSERT_TRUE(eventually([&] { return focusedName() == delay.toStdString(); })) << focusedName();
  mac.keysInARow({"Right", "Right", "Right"});
  EXPECT_EQ(dockValueOnceItIs("autohide-delay", "1.4\n"), "1.4\n") << "three quick presses, three steps";
  mac.keysInARow({"Left"});
  EXPECT_EQ(dockValueOnceItIs("autohide-delay", "1.3\n"), "1.3\n");
  // Page Up steps the focused slider a tenth of its range rather than turning the list.
  mac.key("Page_Up");
  EXPECT_EQ(dockValueOnceItIs("autohide-delay", "1.5\n"), "1.5\n");
  EXPECT_EQ(focusedName(), delay.toStdString());

  const QString animation = QStringLiteral("Minimize animation");
  // Further down the list, made as the list scrolls to it.
  const auto list = need(delay, "slider").element;
  for (int turn = 0; turn < 10 && !mac.find(animation, "combo box", 500ms); ++turn) mac.wheel(list, 2);
  auto menu = need(animation, "combo box");
  EXPECT_EQ(menu.description, "macOS default");
  EXPECT_FALSE(menu.has(kExpanded));
  EXPECT_EQ(menu.actions, (std::vector<QString>{"Press", "ShowMenu", "SetFocus"}));
  ASSERT_TRUE(mac.doAction(animation, "combo box", "Press"));
  ASSERT_TRUE(eventually([&] { return mac.details(animation, "combo box")->has(kExpanded); }));
  EXPECT_FALSE(mac.find("Custom", {}, 1s)) << "an unset menu offers no \"Custom\"";
  // The open menu's entries are a list, each chosen as a screen reader chooses it.
  EXPECT_TRUE(mac.find(animation, "list")) << mac.describeScreen();
  ASSERT_TRUE(mac.doAction("Scale", "list item", "Press"));
  EXPECT_EQ(dockValueOnceItIs("mineffect", "scale\n"), "scale\n") << mac.describeScreen();
  EXPECT_TRUE(eventually([&] { return mac.details(animation, "combo box")->description == "Scale"; }));

  mac.key("F10");
  const auto updates = need("Check for Updates…", "menu item");
  EXPECT_FALSE(updates.has(kSensitive) || updates.has(kEnabled)) << updates.states;
  EXPECT_TRUE(updates.actions.empty());
  const auto preferences = need("Settings…", "menu item");
  EXPECT_TRUE(preferences.has(kSensitive) && preferences.has(kEnabled)) << preferences.states;
  mac.key("Escape");
}

// The tree holds what the screen shows: no card of an earlier search once nothing matches (the
// sentence instead), the cards on screen and no more; the restart notice and a refused write's
// error are notifications.
TEST_F(ScreenReaderDesktop, TheTreeHoldsTheCardsOnScreenAndTheStatusNotices) {
  start();
  const auto cardsIn = [](const std::vector<DesktopSession::Element>& elements) {
    std::multiset<QString> cards;
    for (const auto& element : elements)
      if (element.role == "panel" && !element.name.isEmpty()) cards.insert(element.name);
    return cards;
  };
  clickOn("Search settings", "text");
  mac.type("q");
  ASSERT_TRUE(eventually([&] { return !cardsIn(mac.elements()).empty(); })) << mac.describeScreen();
  mac.type("qqq");
  ASSERT_TRUE(mac.find("No settings match “qqqq”.")) << mac.describeScreen();
  EXPECT_EQ(cardsIn(mac.everyElement()), std::multiset<QString>());
  mac.key("ctrl+a");
  mac.type("magnif");
  ASSERT_TRUE(eventually([&] { return !cardsIn(mac.elements()).empty(); })) << mac.describeScreen();
  EXPECT_EQ(cardsIn(mac.everyElement()), cardsIn(mac.elements()));

  mac.key("ctrl+a");
  mac.type("hidden Dock appears");
  const QString delay = QStringLiteral("Delay before a hidden Dock appears");
  ASSERT_TRUE(mac.doAction(delay, "slider", "Increase"));
  EXPECT_TRUE(mac.find("Needs a restart: Dock", "notification")) << mac.describeScreen();
  th::writeFile(home + "/Library/Preferences/com.apple.dock.plist", "not a property list");
  ASSERT_TRUE(mac.doAction(delay, "slider", "Increase"));
  EXPECT_TRUE(mac.find(delay + ": *", "notification")) << mac.describeScreen();
}

// After Quick setups, another group's list takes Tab at its current card (after the tip of the
// day above it); Page Down turns the list a page, the focus with it, Page Up back, and Home goes to
// the first card.
TEST_F(ScreenReaderDesktop, TabEntersTheListAfterAnotherPageAndPageDownTurnsIt) {
  start();
  clickOn("Quick setups", "list item");
  ASSERT_TRUE(mac.find("Recipes", "title bar")) << mac.describeScreen();
  clickOn("Dock, *", "list item");
  mac.key("Tab");
  ASSERT_EQ(focusedName(), "Search settings");
  // Into the list: past the tip of the day above the cards, to the first card's switch, the
  // highest switch of the list.
  std::optional<DesktopSession::Element> highest;
  for (const auto& element : mac.elements())
    if (element.role == "check box" && (!highest || element.place.y() < highest->place.y())) highest = element;
  ASSERT_TRUE(highest) << mac.describeScreen();
  std::optional<DesktopSession::Element> first;
  for (int press = 0; press < 4 && (!first || first->role != "check box"); ++press) {
    mac.key("Tab");
    first = mac.focused();
    ASSERT_TRUE(first) << mac.describeScreen();
  }
  EXPECT_EQ(first->name, highest->name) << "Tab went to " << first->role.toStdString() << " " << first->name.toStdString();

  const auto window = need("AmberLoom", "frame").element;
  mac.key("Page_Down");
  ASSERT_TRUE(eventually([&] { return focusedName() != first->name.toStdString(); })) << mac.describeScreen();
  const auto turned = mac.focused();
  ASSERT_TRUE(turned);
  EXPECT_TRUE(window.place.contains(turned->place)) << turned->name.toStdString() << " is out of the window";
  // The list scrolled: the first card went up out of the list, or at least far up it.
  const auto firstNow = mac.details(first->name, first->role, 2s);
  EXPECT_TRUE(!firstNow || !window.place.contains(firstNow->element.place) ||
              firstNow->element.place.y() < first->place.y() - 100)
      << first->name.toStdString() << " was at " << first->place.y() << ", now at "
      << (firstNow ? firstNow->element.place.y() : -1) << "; the focus went to " << turned->name.toStdString() << "\n"
      << mac.describeScreen();
  mac.key("Page_Up");
  EXPECT_TRUE(eventually([&] { return focusedName() != turned->name.toStdString(); })) << focusedName();
  mac.key("Home");
  EXPECT_TRUE(eventually([&] { return focusedName() == first->name.toStdString(); })) << focusedName();
}

// Exporting again over the same file asks whether to replace it: Return answers its default
// button, "Cancel", which is marked as the default, replaces nothing, and gives the focus back to
// the search field the export started from.
TEST_F(ScreenReaderDesktop, ReturnAnswersTheReplaceQuestionAndTheFocusComesBack) {
  start();
  const std::string script = home + "/amberloom-settings.sh";
  const auto exportByKeys = [&] {
    clickOn("Search settings", "text");
    mac.key("alt+f");
    ASSERT_TRUE(mac.find("Export as Terminal Commands…", "menu item")) << mac.describeScreen();
    mac.key("Down");
    mac.key("Return");
    ASSERT_TRUE(mac.find("Save", "push button")) << mac.describeScreen();
    mac.key("Return");
  };
  exportByKeys();
  ASSERT_TRUE(eventually([&] { return std::filesystem::exists(script); })) << mac.describeScreen() << mac.appLog();
  th::writeFile(script, "kept\n");
  ASSERT_TRUE(eventually([&] { return focusedName() == "Search settings"; })) << focusedName();

  exportByKeys();
  const auto cancel = need("Cancel", "push button");
  EXPECT_TRUE(cancel.has(kIsDefault)) << cancel.states;
  mac.key("Return");
  EXPECT_TRUE(eventually([&] { return !mac.find("Replace", "push button", 0ms); })) << mac.describeScreen();
  EXPECT_EQ(th::readFile(script), "kept\n");
  EXPECT_TRUE(eventually([&] { return focusedName() == "Search settings"; })) << focusedName();
}

// The detail sheet opened from a card's info button by the keyboard and closed by Escape gives
// the focus back to that button, so the next Tab goes on from the card rather than the sidebar.
TEST_F(ScreenReaderDesktop, EscapeOnTheDetailSheetGivesTheFocusBackToItsOpener) {
  start();
  clickOn("Dock, *", "list item");
  const QString opener = QStringLiteral("What Bounce icons while apps open does");
  ASSERT_TRUE(mac.doAction(opener, "push button", "SetFocus")) << mac.describeScreen();
  ASSERT_TRUE(eventually([&] { return focusedName() == opener.toStdString(); })) << focusedName();
  mac.key("space");
  ASSERT_TRUE(mac.find("Bounce icons while apps open", "heading")) << mac.describeScreen();
  mac.key("Escape");
  EXPECT_TRUE(eventually([&] { return !mac.find("Bounce icons while apps open", "heading", 0ms); })) << mac.describeScreen();
  // Asked briefly each time: nothing focused is what a lost focus looks like.
  EXPECT_TRUE(eventually([&] {
    const auto focused = mac.focused(200ms);
    return focused && focused->name == opener;
  })) << focusedName();
}

}  // namespace
