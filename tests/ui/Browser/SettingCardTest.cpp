// Setting cards over a real settings model: the set-on-this-Mac mark, the reset button and the
// Terminal command follow the stored value; the card's icon, strip, lines and badge; what a
// screen reader is told; and every kind of card drawn in both palettes.

#include <QSet>
#include <gtest/gtest.h>


#include "Browser/SettingCardModel.hpp"
#include "BrowserFixture.hpp"
#include "Changes/ShellCommand.hpp"
#include "Kit/GroupSymbols.hpp"
#include "Platform/HomeDirectory.hpp"
#include "SettingCardsScreen.hpp"

using namespace amberloom;
using amberloom::testing::ScreenWindow;
using amberloom::testing::SettingCardsScreen;
using amberloom::ui::SettingCardModel;
using amberloom::testing::accessible;

namespace {

QQuickItem* in(QQuickItem* card, const char* name) {
  QQuickItem* found = ScreenWindow::findBelow(card, QString::fromLatin1(name));
  if (!found) throw std::runtime_error(std::string("no item named ") + name);
  return found;
}

// Whether the card shows the named part; parts seen on few cards are made only while shown.
bool shows(QQuickItem* card, const char* name) {
  QQuickItem* found = ScreenWindow::findBelow(card, QString::fromLatin1(name));
  return found && found->isVisible();
}

QString qs(const std::optional<std::string>& text) { return QString::fromStdString(text.value_or("<none>")); }

// The tooltips made below `object`, shown or not, along its object and item trees (a part may sit
// in one tree under another parent than in the other: each tooltip counts once).
void collectTooltips(QObject* object, QSet<QObject*>& found) {
  if (object->inherits("QQuickToolTip")) found.insert(object);
  for (QObject* child : object->children()) collectTooltips(child, found);
  if (auto* item = qobject_cast<QQuickItem*>(object))
    for (QQuickItem* child : item->childItems())
      if (child->parent() != item) collectTooltips(child, found);
}

int tooltipsBelow(QObject* object) {
  QSet<QObject*> found;
  collectTooltips(object, found);
  return static_cast<int>(found.size());
}

}  // namespace

TEST(SettingCard, markResetButtonAndCommandFollowWhetherTheSettingIsSet) {
  SettingCardsScreen screen({"dock.autohide"});
  const SettingDefinition& setting = screen.setting("dock.autohide");
  QQuickItem* card = screen.card("dock.autohide");
  auto* model = card->findChild<SettingCardModel*>();
  EXPECT_FALSE(shows(card, "setMark"));
  EXPECT_FALSE(shows(card, "resetButton"));
  EXPECT_EQ(model->command(), qs(ShellCommand::deleteCommand(setting)));

  // The switch writes through the model; the card then shows what the model read back.
  screen.click(in(card, "toggle"));
  ASSERT_EQ(screen.model().value(setting), PreferenceValue::boolean(true));
  EXPECT_TRUE(shows(card, "setMark"));
  ASSERT_TRUE(shows(card, "resetButton"));
  EXPECT_EQ(model->command(), qs(ShellCommand::write(setting, PreferenceValue::boolean(true))));
  EXPECT_TRUE(accessible(card, QAccessible::Description).contains("Changed on this Mac"));

  // The reset button keeps its place, seen only while the pointer is over the card.
  QQuickItem* reset = in(card, "resetButton");
  QTest::mouseMove(&screen.window().window(), {5, 5});
  screen.window().grab();
  EXPECT_EQ(reset->opacity(), 0);
  screen.hover(card);
  EXPECT_EQ(reset->opacity(), 1);
  EXPECT_EQ(accessible(reset, QAccessible::Name), "Reset Hide the Dock automatically to the macOS default");

  screen.click(reset);
  EXPECT_EQ(screen.model().value(setting), std::nullopt);
  EXPECT_FALSE(shows(card, "setMark"));
  EXPECT_FALSE(shows(card, "resetButton"));
  EXPECT_EQ(model->command(), qs(ShellCommand::deleteCommand(setting)));
}

// A list builds many cards and their tooltips are seldom read: each is made while the pointer
// rests on its text and goes with the pointer.
TEST(SettingCard, makesATooltipOnlyWhileThePointerRestsOnItsText) {
  SettingCardsScreen screen({"dock.autohide", "gate.open", "finder.view"});
  QQuickItem* root = screen.window().window().contentItem();
  EXPECT_EQ(tooltipsBelow(root), 0);
  for (const auto& [id, label] : {std::pair<QString, QString>{"dock.autohide", "Hide the Dock automatically"},
                                  {"gate.open", "Open apps from anywhere"}}) {
    SCOPED_TRACE(id.toStdString());
    screen.hover(in(screen.card(id), "title"));
    // Shown after the tooltip's delay.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ScreenWindow::findShownBelow(root, "titleTip") != nullptr; }, 60000));
    const QQuickItem* tip = ScreenWindow::findShownBelow(root, "titleTip");
    EXPECT_EQ(tip->property("text").toString(), label);
    EXPECT_EQ(tooltipsBelow(root), 1);
    QTest::mouseMove(&screen.window().window(), {5, 5});
    // A tooltip let go of is deleted with the next events.
    EXPECT_TRUE(QTest::qWaitFor([&] { return tooltipsBelow(root) == 0; }, 60000));
  }
}

TEST(SettingCard, screenReadersHearTheLabelAndAHintOfTheSettingsState) {
  SettingCardsScreen screen({"dock.autohide", "gate.open", "appearance.note", "plist.blob"});
  screen.model().apply(PreferenceValue::dictionary({{"x", PreferenceValue::integer(1)}}), screen.setting("plist.blob"));
  struct Case {
    QString id, label, hint;
  };
  const Case cases[] = {
      {"dock.autohide", "Hide the Dock automatically",
       "What Hide the Dock automatically changes, told in one line that is rather long for a card. "
       "Also available in System Settings; it is here so it travels between your Macs. "
       "May do nothing: it saves properly, but we have never seen it actually change anything. "
       "Changing it restarts Dock"},
      {"gate.open", "Open apps from anywhere",
       "What Open apps from anywhere changes, told in one line that is rather long for a card. "
       "Weakens security: turning this on removes a protection macOS applies by default"},
      {"appearance.note", "Note under the clock", ""},  // no texts, nothing to say
      {"plist.blob", "Window positions", "Changed on this Mac"},
  };
  for (const auto& c : cases) {
    QQuickItem* card = screen.card(c.id);
    EXPECT_EQ(accessible(card, QAccessible::Name), c.label);
    EXPECT_EQ(accessible(card, QAccessible::Description), c.hint) << c.id.toStdString();
    EXPECT_EQ(accessible(in(card, "infoButton"), QAccessible::Name), "What " + c.label + " does");
  }
}

TEST(SettingCard, showsIconStripSummaryRestartLineAndBadgeAsTheSettingCallsFor) {
  SettingCardsScreen screen({"dock.autohide", "gate.open", "appearance.note"});
  screen.setGroupNames({{"gate.open", "Privacy & Security"}});
  struct Case {
    QString id, icon;
    bool strip, summary;
    QString restartLine, badge;
  };
  const Case cases[] = {
      {"dock.autohide", QString::fromStdString(ui::GroupSymbol::nameForCategory("dock")), false, true, "restarts Dock", ""},
      {"gate.open", "exclamationmark.shield.fill", true, true, "", "Privacy & Security"},
      {"appearance.note", QString::fromStdString(ui::GroupSymbol::nameForCategory(std::nullopt)), false, false, "", ""},
  };
  for (const auto& c : cases) {
    QQuickItem* card = screen.card(c.id);
    EXPECT_EQ(in(card, "cardIcon")->property("name").toString(), c.icon);
    EXPECT_EQ(shows(card, "riskStrip"), c.strip);
    EXPECT_EQ(in(card, "summary")->isVisible(), c.summary);
    EXPECT_EQ(shows(card, "restartLine"), !c.restartLine.isEmpty());
    if (!c.restartLine.isEmpty()) {
      EXPECT_EQ(in(card, "restartLine")->property("text").toString(), c.restartLine);
    }
    EXPECT_EQ(shows(card, "groupBadge"), !c.badge.isEmpty());
    if (!c.badge.isEmpty()) {
      EXPECT_EQ(in(card, "groupBadge")->property("text").toString(), c.badge);
    }
    EXPECT_EQ(card->height(), 76);
  }
}

// A value far outside the slider's range still shows in full on the card's accessible value, but
// its label keeps to the control's place: it never runs under the info button or off the card.
TEST(SettingCard, aSliderLabelOfAnyLengthStaysBesideItsSlider) {
  SettingCardsScreen screen({"dock.tilesize"});
  const SettingDefinition& setting = screen.setting("dock.tilesize");
  QQuickItem* card = screen.card("dock.tilesize");
  for (const double value : {48.0, -9223372036854775808.0, 1e300}) {
    SCOPED_TRACE(value);
    screen.model().apply(PreferenceValue::real(value), setting);
    screen.window().grab();
    QQuickItem* label = in(card, "sliderValue");
    const QRectF shown = label->mapRectToScene(QRectF(0, 0, label->width(), label->height()));
    EXPECT_LE(label->property("paintedWidth").toReal(), label->width());
    EXPECT_GE(shown.left(), in(card, "slider")->mapRectToScene(QRectF(0, 0, 1, 1)).right());
    EXPECT_LE(shown.right(), in(card, "infoButton")->mapToScene(QPointF(0, 0)).x());
  }
}

TEST(SettingCard, everyKindOfCardInBothPalettes) {
  SettingCardsScreen screen({"dock.autohide", "dock.tilesize", "finder.view", "appearance.note",
                             "appearance.highlight", "screenshots.location", "gate.open", "plist.blob"});
  auto& model = screen.model();
  const std::string home = platform::homeDirectory();
  model.apply(PreferenceValue::boolean(true), screen.setting("dock.autohide"));
  model.apply(PreferenceValue::real(48), screen.setting("dock.tilesize"));
  model.apply(PreferenceValue::string("Nlsv"), screen.setting("finder.view"));
  model.apply(PreferenceValue::string("Back at five"), screen.setting("appearance.note"));
  model.apply(PreferenceValue::string("0.2 0.5 0.9 Ocean"), screen.setting("appearance.highlight"));
  model.apply(PreferenceValue::string(home + "/Pictures/Screenshots of the week"), screen.setting("screenshots.location"));
  screen.setGroupNames({{"finder.view", "Finder"}});
  screen.hover(screen.card("appearance.highlight"));
  QTest::qWait(300);  // switches and hover tints move into place

  const auto images = amberloom::testing::renderInBothPalettes(screen.window(), "setting-cards");
  EXPECT_FALSE(images.light.isNull());
  EXPECT_NE(images.light.pixelColor(300, 40), images.dark.pixelColor(300, 40));
}
