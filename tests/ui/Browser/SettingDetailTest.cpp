// The detail sheet opened from a setting card: the sections each setting calls for, copying the
// exact Terminal command, closing by Done, Return and Escape, and the open sheet in both palettes.

#include <gtest/gtest.h>

#include "Browser/SettingCardModel.hpp"
#include "Changes/ShellCommand.hpp"
#include "SettingCardsScreen.hpp"

using namespace amberloom;
using amberloom::testing::ScreenWindow;
using amberloom::testing::SettingCardsScreen;

namespace {

// Opens the sheet of the card for `id` with its info button.
void openSheet(SettingCardsScreen& screen, const QString& id) {
  screen.click(ScreenWindow::findBelow(screen.card(id), "infoButton"));
  ASSERT_TRUE(screen.card(id)->property("showsDetail").toBool());
}

bool sheetShows(SettingCardsScreen& screen, const char* name) {
  QQuickItem* item = ScreenWindow::findBelow(screen.item("sheetContent"), QString::fromLatin1(name));
  return item && item->isVisible();
}

}  // namespace

TEST(SettingDetail, showsTheSectionsEachSettingCallsFor) {
  SettingCardsScreen screen({"dock.autohide", "gate.open", "plist.blob"});
  // A dictionary has no one-line write command: no copy button.
  screen.model().apply(PreferenceValue::dictionary({{"x", PreferenceValue::integer(1)}}), screen.setting("plist.blob"));
  struct Case {
    QString id;
    std::vector<const char*> shown;
  };
  const std::vector<const char*> sections = {"sheetSummary", "whyHidden", "riskNote", "noDescription",
                                             "alsoInSystemSettings", "effectUnverified", "copyButton"};
  const Case cases[] = {
      {"dock.autohide", {"sheetSummary", "whyHidden", "alsoInSystemSettings", "effectUnverified", "copyButton"}},
      {"gate.open", {"sheetSummary", "whyHidden", "riskNote", "copyButton"}},
      {"plist.blob", {"noDescription"}},
  };
  for (const auto& c : cases) {
    openSheet(screen, c.id);
    for (const char* section : sections) {
      const bool expected = std::find(c.shown.begin(), c.shown.end(), std::string_view(section)) != c.shown.end();
      EXPECT_EQ(sheetShows(screen, section), expected) << c.id.toStdString() << ": " << section;
    }
    EXPECT_EQ(screen.item("settingID")->property("text").toString(), c.id);
    EXPECT_EQ(screen.item("sheetContent")->parentItem()->width(), 420);
    screen.press(Qt::Key_Escape);
    EXPECT_FALSE(screen.card(c.id)->property("showsDetail").toBool());
  }
}

TEST(SettingDetail, copiesTheExactCommandAndClosesWithReturn) {
  SettingCardsScreen screen({"dock.autohide"});
  const SettingDefinition& setting = screen.setting("dock.autohide");
  screen.model().apply(PreferenceValue::boolean(false), setting);
  const QString command = QString::fromStdString(*ShellCommand::write(setting, PreferenceValue::boolean(false)));

  openSheet(screen, "dock.autohide");
  QQuickItem* copy = screen.item("copyButton");
  EXPECT_EQ(copy->property("text").toString(), "Copy Terminal command");
  screen.click(copy);
  screen.click(copy);
  EXPECT_EQ(screen.pasteboard.copied, QStringList({command, command}));
  EXPECT_EQ(copy->property("text").toString(), "Copied");

  screen.press(Qt::Key_Return);
  EXPECT_FALSE(screen.card("dock.autohide")->property("showsDetail").toBool());

  // A sheet opened again starts afresh; Done closes it too. Unset, the command deletes.
  screen.model().reset(setting);
  openSheet(screen, "dock.autohide");
  EXPECT_EQ(screen.item("copyButton")->property("text").toString(), "Copy Terminal command");
  screen.click(screen.item("copyButton"));
  EXPECT_EQ(screen.pasteboard.copied.last(), QString::fromStdString(*ShellCommand::deleteCommand(setting)));
  screen.click(screen.item("doneButton"));
  EXPECT_FALSE(screen.card("dock.autohide")->property("showsDetail").toBool());
}

// The copied command is pasted into a terminal, which takes control characters as keys: Control-U
// and a line feed would throw the line away and run what follows, and an escape would end a
// bracketed paste. A text that holds one has no command to copy; line breaks and tabs stay text.
TEST(SettingDetail, offersNoCommandWhosePasteATerminalWouldTakeAsKeys) {
  SettingCardsScreen screen({"appearance.note"});
  const SettingDefinition& setting = screen.setting("appearance.note");
  struct Case {
    const char* name;
    std::string value;
    bool copyable;
  };
  const Case cases[] = {
      {"lines and tabs", "two\nlines\tand a tab\r\n", true},
      {"quotes", "it's $(not) `run`", true},
      {"Control-U", "\x15touch ~/pwned\n", false},
      {"end of a bracketed paste", "\x1b[201~\ntouch ~/pwned\n", false},
      {"Control-C", "\x03", false},
      {"delete", "\x7f", false},
      {"C1 escape", "\u009b201~", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    screen.model().apply(PreferenceValue::string(c.value), setting);
    ASSERT_EQ(screen.model().value(setting), PreferenceValue::string(c.value));
    openSheet(screen, "appearance.note");
    QQuickItem* copy = ScreenWindow::findBelow(screen.item("sheetContent"), "copyButton");
    EXPECT_EQ(copy && copy->isVisible(), c.copyable);
    if (c.copyable) {
      screen.click(copy);
      EXPECT_EQ(screen.pasteboard.copied.last(), QString::fromStdString(*ShellCommand::write(setting, PreferenceValue::string(c.value))));
    }
    screen.press(Qt::Key_Escape);
  }
}

TEST(SettingDetail, openSheetInBothPalettes) {
  SettingCardsScreen screen({"dock.autohide", "gate.open"});
  openSheet(screen, "gate.open");
  QTest::qWait(300);  // the sheet and its backdrop fade in
  const auto images = amberloom::testing::renderInBothPalettes(screen.window(), "setting-detail");
  EXPECT_FALSE(images.dark.isNull());
}
