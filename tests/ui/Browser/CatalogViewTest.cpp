// The catalogue window driven as a user drives it, on the offscreen platform: the sidebar, the
// search field, the tip of the day, the restart button, coming back to the application, and the
// manual guide; search results scrolled without a warning and with whole group badges; the
// keyboard's way through the window and the focus ring it shows. Also renders the window on the
// built-in catalogue in both palettes.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QTest>
#include <filesystem>
#include <functional>

#include "Browser/AppRestarter.hpp"
#include "Browser/ManualGuideList.hpp"
#include "Browser/SettingsModel.hpp"
#include "Kit/DesignTokens.hpp"
#include "Kit/SymbolImageProvider.hpp"
#include "BrowserFixture.hpp"
#include "ScreenGeometry.hpp"
#include "ScreenWindow.hpp"

using namespace amberloom;
using amberloom::testing::ScreenWindow;
using amberloom::ui::ManualGuideList;
using amberloom::ui::SettingsModel;
namespace th = amberloom::testing;

namespace {

using th::browserSetting;

SettingsCatalog smallCatalog() {
  auto autohide = browserSetting("dock.autohide", "dock", "Hide the Dock", "behavior");
  autohide.restartsApps = {"Dock"};
  return SettingsCatalog(1, 1,
                         {autohide, browserSetting("dock.magnify", "dock", "Magnify icons", "look"),
                          browserSetting("finder.hidden", "finder", "Show hidden files"),
                          browserSetting("finder.ext", "finder", "Show all extensions")});
}

ManualGuide guideWithRepeatedSteps() {
  auto section = [](std::string id, std::vector<ManualStep> steps) {
    return ManualSection{id, "Title of " + id, std::nullopt, "Why " + id, ManualSection::ReasonKind::refused,
                         std::move(steps), "Check " + id, std::nullopt};
  };
  return ManualGuide("Left to you.", {section("a", {{"Press Return", "a sheet"}, {"Press Return", "it closes"}, {"Quit", ""}}),
                                      section("b", {{"Open it", "a window"}})});
}

// A group of `count` switches, with a menu and a slider among them: more cards than a window shows.
SettingsCatalog longGroup(int count) {
  std::vector<SettingDefinition> settings;
  for (int i = 0; i < count; ++i) {
    const std::string number = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')).toStdString();
    auto setting = browserSetting("long.s" + number, "long", "Setting " + number);
    setting.control = SettingControl::toggle();
    if (i == 0) setting.restartsApps = {"Dock"};
    if (i == 3) {
      setting.type = SettingValueType::integer;
      setting.control = SettingControl::choice({{PreferenceValue::integer(0), "Off"}, {PreferenceValue::integer(1), "On"}});
    } else if (i == 4) {
      setting.type = SettingValueType::real;
      setting.control = SettingControl::slider({0, 1, 0.25});
    }
    settings.push_back(setting);
  }
  settings.push_back(browserSetting("other.one", "other", "Another group"));
  return SettingsCatalog(1, 1, settings);
}

// The id of the setting whose card holds `item`; empty outside every card.
QString cardOf(QQuickItem* item) {
  for (; item; item = item->parentItem())
    if (item->property("settingID").isValid()) return item->property("settingID").toString();
  return {};
}

// Every item below `root` named `name`, delegates of views included, in tree order.
void collect(QQuickItem* root, const QString& name, std::vector<QQuickItem*>& found) {
  for (QQuickItem* child : root->childItems()) {
    if (child->objectName() == name) found.push_back(child);
    collect(child, name, found);
  }
}

std::vector<QQuickItem*> visibleItems(QQuickItem* root, const QString& name) {
  std::vector<QQuickItem*> all, shown;
  collect(root, name, all);
  for (auto* item : all)
    if (item->isVisible()) shown.push_back(item);
  return shown;
}

// Keeps the warnings Qt and QML print while it lives, instead of printing them.
class WarningTrap {
 public:
  WarningTrap() : previous_(qInstallMessageHandler(&keep)) { kept().clear(); }
  ~WarningTrap() { qInstallMessageHandler(previous_); }
  const std::vector<std::string>& warnings() const { return kept(); }

 private:
  static std::vector<std::string>& kept() {
    static std::vector<std::string> messages;
    return messages;
  }
  static void keep(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) kept().push_back(message.toStdString());
  }
  QtMessageHandler previous_;
};

// The catalogue window over a settings model in the temporary home.
class CatalogView : public ::testing::Test, protected th::BrowserFixture {
 protected:
  std::string killall = th::writeExecutable(th::home() + "/fake-killall", "#!/bin/sh\ntouch \"$HOME/restarted-$1\"\n");
  std::unique_ptr<SettingsModel> model;
  std::unique_ptr<ManualGuideList> guide;
  std::unique_ptr<QQmlPropertyMap> fixture = std::make_unique<QQmlPropertyMap>();
  std::unique_ptr<ScreenWindow> window;

  void open(const SettingsCatalog& catalog, std::optional<DiscoverDeck> deck, std::optional<ManualGuide> manual) {
    model = makeModel(catalog, std::move(deck),
                      [this](const std::vector<std::string>& names) { ui::AppRestarter::killall(names, killall); });
    if (manual) guide = std::make_unique<ManualGuideList>(std::move(*manual));
    fixture->insert("model", QVariant::fromValue(model.get()));
    fixture->insert("guide", QVariant::fromValue(guide.get()));
    fixture->insert("repairCount", 0);
    window = std::make_unique<ScreenWindow>(th::testQml("CatalogScreen.qml"), QSize(980, 700));
    window->screen()->setProperty("fixture", QVariant::fromValue<QObject*>(fixture.get()));
    settle();
  }

  void settle() {
    QCoreApplication::processEvents();
    QTest::qWait(30);
  }

  QQuickItem* root() const { return window->screen(); }
  QQuickItem* one(const QString& name) const {
    const auto found = visibleItems(root(), name);
    if (found.empty()) throw std::runtime_error("nothing visible named " + name.toStdString());
    return found.front();
  }
  QQuickItem* detail() const { return one("detail")->property("item").value<QQuickItem*>(); }

  // Types into the item that has the keyboard focus, key by key.
  void type(const char* text) {
    for (const char* key = text; *key; ++key) QTest::keyClick(&window->window(), *key);
    settle();
  }

  void click(const QString& name) { click(one(name)); }
  void click(QQuickItem* item) {
    QTest::mouseClick(&window->window(), Qt::LeftButton, {}, window->centreOf(item));
    settle();
  }
  QString text(const QString& name) const { return one(name)->property("text").toString(); }

  void showPage(const char* page) {
    model->selectPage(page);
    settle();
  }
  // Starts a new search by typing `typed` into the search field while `page` is shown.
  void searchFrom(const char* page, const char* typed) {
    model->setSearchText("");
    showPage(page);
    one("searchField")->forceActiveFocus();
    type(typed);
  }
};

}  // namespace

TEST_F(CatalogView, SidebarEntriesChooseThePaneAndAreRemembered) {
  open(smallCatalog(), std::nullopt, guideWithRepeatedSteps());
  struct Case {
    const char* entry;
    const char* pane;
    const char* stored;
    const char* title;
  };
  const Case cases[] = {
      {"sidebarRow-myMacs", "pageStandIn", "myMacs", "Another screen"},
      {"sidebarRow-group:finder", "settingsList", "group:finder", "finder settings"},
      {"sidebarRow-carried", "carriedView", "carried", "Backed up for you"},
      {"sidebarRow-manualGuide", "manualGuideView", "manualGuide", "Manual setup"},
      {"sidebarRow-account", "accountPage", "account", "Account"},
      {"sidebarRow-repairs", "pageStandIn", "repairs", "Another screen"},
      {"sidebarRow-repairs", "pageStandIn", "repairs", "Another screen"},  // chosen again: stored again
  };
  for (const auto& c : cases) {
    defaults->remove("lastSelectedGroup");
    click(c.entry);
    EXPECT_EQ(detail()->objectName(), c.pane) << c.entry;
    EXPECT_EQ(defaults->stringValue("lastSelectedGroup"), c.stored) << c.entry;
    EXPECT_EQ(text("pageTitle"), c.title) << c.entry;
    EXPECT_TRUE(one(c.entry)->property("isSelected").toBool()) << c.entry;
  }
}

TEST_F(CatalogView, TypingOnAGuidedPageJumpsToTheFirstGroupAndFilters) {
  open(smallCatalog(), std::nullopt, guideWithRepeatedSteps());
  struct Case {
    const char* page;
    const char* typed;
    const char* stored;  // the selection afterwards
  };
  const Case cases[] = {
      {"recipes", "  ", "recipes"},  // blanks are no search
      {"manualGuide", "show", "group:dock"}, {"account", "show", "group:dock"}, {"repairs", "show", "group:dock"},
      {"carried", "show", "carried"},         {"myMacs", "show", "myMacs"},     {"recipes", "show", "group:dock"},
  };
  for (const auto& c : cases) {
    searchFrom(c.page, c.typed);
    EXPECT_EQ(model->selection().stored(), c.stored) << c.page << " '" << c.typed << "'";
    EXPECT_EQ(model->searchText(), c.typed);
  }
  // The list that took over from the last page shows the search result, each card with its group's badge.
  EXPECT_EQ(detail()->objectName(), "settingsList");
  EXPECT_EQ(text("pageTitle"), "Search results");
  EXPECT_EQ(text("pageSubtitle"), QString::fromUtf8("2 settings · all measured"));
  // The cards the list holds for its rows (cards put aside for reuse are not among them).
  std::vector<QString> badges;
  QQuickItem* list = one("settingsCards");
  window->grab();
  for (int row = 0; row < list->property("count").toInt(); ++row) {
    QQuickItem* card = nullptr;
    QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, card), Q_ARG(int, row));
    if (card)
      for (auto* badge : visibleItems(card, "groupBadge")) badges.push_back(badge->property("text").toString());
  }
  EXPECT_EQ(badges, (std::vector<QString>{"finder settings", "finder settings"}));
  type("xyz");
  EXPECT_EQ(text("emptyNote"), QString::fromUtf8("No settings match \u201cshowxyz\u201d."));
}

TEST_F(CatalogView, SearchResultsScrollWithoutWarningsAndShowWholeBadges) {
  // Short and long labels in turn, so reused cards change between a short title and an elided one.
  std::vector<SettingDefinition> settings;
  const std::string categories[] = {"accessibility", "activity", "appearance"};
  for (int i = 0; i < 45; ++i) {
    const std::string label = i % 2 ? "Show " + std::to_string(i)
                                    : "Show the pointer larger while it moves fast across a wide display " + std::to_string(i);
    settings.push_back(browserSetting(categories[i % 3] + ".s" + std::to_string(i), categories[i % 3], label));
  }
  const WarningTrap trap;  // cards are built as the window opens
  open(SettingsCatalog(1, 1, settings), std::nullopt, std::nullopt);
  one("searchField")->forceActiveFocus();
  type("show");

  QQuickItem* cards = one("settingsCards");
  int badges = 0;
  for (int page = 0; page < 40; ++page) {
    window->grab();  // lays the cards out
    for (auto* badge : visibleItems(cards, "groupBadge")) {
      // Cards beyond the view may still be in the making.
      const QPointF place = badge->mapToItem(cards, QPointF(0, 0));
      if (place.y() < 0 || place.y() > cards->height()) continue;
      QQuickItem* identity = badge->parentItem();
      while (identity && identity->objectName() != "identity") identity = identity->parentItem();
      ASSERT_TRUE(identity);
      if (identity->width() <= 0) continue;  // a reused card not laid out yet
      const QRectF shown = badge->mapRectToItem(identity, QRectF(0, 0, badge->width(), badge->height()));
      EXPECT_LE(shown.right(), identity->width() + 0.5) << badge->property("text").toString().toStdString();
      ++badges;
    }
    if (cards->property("atYEnd").toBool()) break;
    cards->setProperty("contentY", cards->property("contentY").toDouble() + 250);
    settle();
  }
  EXPECT_GE(badges, 45);
  EXPECT_EQ(trap.warnings(), std::vector<std::string>{});
}

TEST_F(CatalogView, TheTipIsHiddenAndRevealed) {
  defaults->setString("group:dock", "lastSelectedGroup");
  open(smallCatalog(),
       DiscoverDeck({{"finder.hidden", "See dot files", "They hide."}, {"dock.magnify", "Bigger icons", "Under the pointer."}}),
       std::nullopt);
  const QString first = text("tipHook");
  click("tipDismiss");
  EXPECT_EQ(defaults->stringArray("seenDiscoverCards").value_or(std::vector<std::string>{}).size(), 1u);
  const QString second = text("tipHook");
  EXPECT_NE(second, first);

  const auto card = model->discoverCard();
  ASSERT_TRUE(card);
  const auto* target = model->setting(card->settingID);
  EXPECT_EQ(text("tipReveal"), QString::fromStdString("Show me " + target->label));
  click("tipReveal");
  EXPECT_EQ(model->selection().stored(), "group:" + target->ref.domain.substr(std::string("com.example.").size()));
  EXPECT_EQ(model->searchText().toStdString(), target->label);
  EXPECT_TRUE(visibleItems(root(), "discoverCard").empty());
  EXPECT_EQ(visibleItems(root(), "title").size(), 1u);  // the one card of the search
}

TEST_F(CatalogView, FinishApplyingRestartsThePendingAppsAndEmptiesTheList) {
  open(smallCatalog(), std::nullopt, std::nullopt);
  EXPECT_TRUE(visibleItems(root(), "statusBar").empty());  // nothing to say: no room taken
  model->apply(PreferenceValue::boolean(true), *model->setting("dock.autohide"));
  settle();
  EXPECT_EQ(text("restartList"), "Needs a restart: Dock");
  EXPECT_FALSE(one("restartList")->property("truncated").toBool());  // one name fits whole
  click("restartButton");
  EXPECT_TRUE(model->pendingRestarts().isEmpty());
  EXPECT_TRUE(visibleItems(root(), "statusBar").empty());
  EXPECT_TRUE(QTest::qWaitFor([] { return th::fileExists(th::home() + "/restarted-Dock"); }, 60000));
}

TEST_F(CatalogView, ComingBackToTheApplicationReadsValuesChangedElsewhere) {
  defaults->setString("group:dock", "lastSelectedGroup");
  open(smallCatalog(), std::nullopt, std::nullopt);
  const auto setMarks = [&] { return visibleItems(root(), "setMark").size(); };
  const auto before = setMarks();
  const auto& magnify = *model->setting("dock.magnify");
  ASSERT_EQ(model->value(magnify), std::nullopt);

  showPage("recipes");  // also while a guided page is shown
  th::runDefaults({"write", "com.example.dock", "magnify", "-bool", "true"});
  emit static_cast<QGuiApplication*>(QCoreApplication::instance())->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(model->value(magnify), PreferenceValue::boolean(true));
  model->selectGroup("dock");
  settle();
  EXPECT_EQ(setMarks(), before + 1);
}

TEST_F(CatalogView, GuideStepsAreRowsByPositionAndOneCardIsOpen) {
  open(smallCatalog(), std::nullopt, guideWithRepeatedSteps());
  click("sidebarRow-manualGuide");
  EXPECT_EQ(text("pageSubtitle"), "2 things this app leaves to you");
  EXPECT_TRUE(visibleItems(root(), "stepRow").empty());

  click(visibleItems(root(), "sectionHeader")[0]);
  std::vector<QString> steps;
  for (auto* number : visibleItems(root(), "stepNumber")) steps.push_back(number->property("text").toString());
  for (auto* action : visibleItems(root(), "stepAction")) steps.push_back(action->property("text").toString());
  EXPECT_EQ(steps, (std::vector<QString>{"1", "2", "3", "Press Return", "Press Return", "Quit"}));

  // Opening the second card closes the first; pressing it again closes it too.
  click(visibleItems(root(), "sectionHeader")[1]);
  EXPECT_EQ(visibleItems(root(), "stepRow").size(), 1u);
  click(visibleItems(root(), "sectionHeader")[1]);
  EXPECT_TRUE(visibleItems(root(), "stepRow").empty());
}

TEST_F(CatalogView, ManyAppsLongSearchesAndHugeValuesStayInTheWindow) {
  // Twelve cards, more than the window holds; the first restarts one app, the second eleven more.
  std::vector<SettingDefinition> settings;
  for (int i = 0; i < 12; ++i)
    settings.push_back(browserSetting("dock.s" + std::to_string(i), "dock", "Setting " + std::to_string(i)));
  settings[0].restartsApps = {"Application Helper 0"};
  for (int i = 1; i < 12; ++i) settings[1].restartsApps.push_back("Application Helper " + std::to_string(i));
  settings.push_back(th::carriedSetting("carried.notes", "Notes: Long note"));
  defaults->setString("group:dock", "lastSelectedGroup");
  open(SettingsCatalog(1, 1, settings), std::nullopt, std::nullopt);
  const auto apply = [&](int i) { model->apply(PreferenceValue::boolean(true), *model->setting("dock.s" + std::to_string(i))); };

  // The cards run on below the bar: in the dark palette, where the bar's tint is faint, nothing
  // of them shows through it beside the one restart.
  apply(0);
  settle();
  const QImage dark = th::renderInBothPalettes(*window, "catalog-status-bar").dark;
  const QRect bar = th::sceneRect(one("statusBar")).toRect().adjusted(0, 2, 0, -2);
  const QColor finish = dark.pixelColor(bar.left() + 2, bar.top());
  const int restartText = th::sceneRect(one("restartList")).left();
  for (int y = bar.top(); y < bar.bottom(); y += 3)
    for (int x = bar.left() + 2; x < restartText - 4; x += 5) ASSERT_EQ(dark.pixelColor(x, y), finish) << x << "," << y;

  // Twelve apps waiting: the names give way, the button stays in the window.
  apply(1);
  settle();
  EXPECT_TRUE(text("restartList").endsWith("Application Helper 11"));
  EXPECT_TRUE(one("restartList")->property("truncated").toBool());
  th::expectInsideAndApart({one("restartList"), one("restartButton")});

  // A pasted token of 300,000 characters, and the carried page over a value of 4 MB on several lines.
  const QString token(300000, u'x');
  th::drawAfter(window->window(), [&] { model->setSearchText(token); });
  EXPECT_EQ(text("emptyNote").size(), QString("No settings match \u201c\u201d.").size() + 81);
  th::expectInsideAndApart({one("emptyNote"), one("restartButton")});
  th::renderInBothPalettes(*window, "catalog-long-search");
  model->setSearchText("");
  showPage("carried");  // shown before the value grows: shown again, the page takes the value read since
  model->selectGroup("dock");
  store->write(PreferenceValue::string(std::string(4 << 20, 'v') + "\nand a second line"), "notes",
               DomainResolver::live().resolve("com.example.carried", false));
  model->refreshAll();
  th::drawAfter(window->window(), [&] { showPage("carried"); });
  QQuickItem* row = one("carriedValue")->parentItem()->parentItem()->parentItem();
  const QString shown = text("carriedValue");
  EXPECT_LT(shown.size(), 130);
  EXPECT_TRUE(shown.endsWith(QStringLiteral("v\u2026"))) << "says the value goes on";
  EXPECT_TRUE(th::accessible(row, QAccessible::Description).startsWith(shown + " Backed up"));
  th::expectInsideAndApart({one("carriedValue"), one("carriedName")});
  th::renderInBothPalettes(*window, "catalog-carried-huge-value");
}

TEST_F(CatalogView, RendersTheBuiltInCatalogueInBothPalettes) {
  const auto catalog = SettingsCatalog::bundled();
  defaults->setString("group:dock", "lastSelectedGroup");
  open(catalog, DiscoverDeck::bundled(catalog), ManualGuide::bundled());
  th::renderInBothPalettes(*window, "catalog-group");

  one("searchField")->forceActiveFocus();
  type("window");
  th::renderInBothPalettes(*window, "catalog-search");
  model->setSearchText("Text highlight color");
  settle();
  th::renderInBothPalettes(*window, "catalog-unset-colour");

  model->setSearchText("");
  showPage("carried");
  th::renderInBothPalettes(*window, "catalog-carried");

  showPage("manualGuide");
  click("sectionHeader");
  th::renderInBothPalettes(*window, "catalog-guide");
}

// The sidebar opens at its top with the remembered group in view, wherever that group is: chosen
// before the list had its height, the row was scrolled to the list's edge and the rows above it
// out of view. A sidebar closed before it got there leaves no error behind.
TEST_F(CatalogView, TheSidebarOpensAtItsTopWithTheRememberedGroupInView) {
  const auto catalog = SettingsCatalog::bundled();
  open(catalog, std::nullopt, std::nullopt);
  std::vector<QString> groups;
  const auto* rows = one("sidebarList")->property("model").value<QAbstractItemModel*>();
  ASSERT_TRUE(rows);
  const int keyRole = rows->roleNames().key("key");
  for (int row = 0; row < rows->rowCount(); ++row)
    if (const QString key = rows->index(row, 0).data(keyRole).toString(); key.startsWith("group:")) groups.push_back(key);
  ASSERT_GT(groups.size(), 20u);

  for (const auto& [remembered, atTop] : {std::pair{groups.front(), true}, {groups.back(), false}}) {
    defaults->setString(remembered.toStdString(), "lastSelectedGroup");
    open(catalog, std::nullopt, std::nullopt);
    QQuickItem* list = one("sidebarList");
    EXPECT_EQ(list->property("atYBeginning").toBool(), atTop) << remembered.toStdString();
    const QRectF row = th::sceneRect(one("sidebarRow-" + remembered));
    EXPECT_TRUE(th::sceneRect(list).contains(row)) << remembered.toStdString() << " is out of view";
  }

  // Closed after its first layout, before it got to the remembered row, by an engine that lives on.
  QQmlEngine engine;
  ui::installKit(engine);
  QQmlComponent component(&engine);
  component.setData("import AmberLoom.UI\nCatalogView {}\n", QUrl());
  QQuickWindow shown;
  shown.resize(980, 700);
  auto* catalogue =
      qobject_cast<QQuickItem*>(component.createWithInitialProperties({{"model", QVariant::fromValue(model.get())}}));
  ASSERT_TRUE(catalogue) << component.errorString().toStdString();
  catalogue->setParentItem(shown.contentItem());
  catalogue->setSize(shown.size());
  shown.show();
  shown.grabWindow();
  const WarningTrap trap;
  delete catalogue;
  settle();
  EXPECT_TRUE(trap.warnings().empty()) << trap.warnings().front();
}

TEST_F(CatalogView, ACatalogueFromElsewhereShowsMarkupAsTypedAndKeepsAbsurdControlsInTheirPlace) {
  // Read as a served catalogue is read: markup, bidirectional and combining text, a label of 300
  // letters, a slider over the whole range of doubles with the smallest step there is, and a
  // domain no preference file can have.
  const std::string markup = "<b>Bold</b> <img src=\\\"file:///usr/share/icons/x.png\\\"> &amp; <i>it</i>";
  const auto setting = [](const std::string& id, const std::string& label, const std::string& type,
                          const std::string& control, const std::string& domain = "com.example.odd") {
    return "{\"id\": \"" + id + "\", \"domain\": \"" + domain + "\", \"path\": [\"" + id.substr(4) +
           "\"], \"type\": \"" + type + "\", \"label\": \"" + label + "\", \"control\": " + control +
           ", \"text\": {\"summary\": \"<h1>Big</h1> " + label + "\", \"whyHidden\": \"<u>x</u>\", \"level\":"
           " \"basic\", \"category\": \"odd\", \"categoryName\": \"<s>Odd</s>\"}}";
  };
  const auto catalog = SettingsCatalog::fromData(
      "{\"schemaVersion\": 1, \"catalogVersion\": 7, \"settings\": [" +
      setting("odd.markup", markup, "bool", "\"toggle\"") + ", " +
      setting("odd.bidi", "\u202Eevil\u202C e\u0301\u0301\u0301 \U0001F600 \u200B", "bool", "\"toggle\"") + ", " +
      setting("odd.long", std::string(300, 'W'), "bool", "\"toggle\"") + ", " +
      setting("odd.slider", "<font size=7>Slide</font>", "double",
              "{\"slider\": {\"min\": -1.7e308, \"max\": 1.7e308, \"step\": 5e-324}}") + ", " +
      setting("odd.choice", "Pick", "int",
              "{\"choice\": [{\"value\": 1, \"label\": \"<b>One</b>\"}, {\"value\": 2, \"label\": \"<b>One</b>\"}]}") + ", " +
      setting("odd.folder", "Folder", "string", "\"folder\"") + ", " +
      setting("odd.escape", "<a href=\\\"https://example.org\\\">Escape</a>", "bool", "\"toggle\"", "../escape") +
      "]}");
  store->write(PreferenceValue::string("<h1>/Users/x</h1><img src=\"file:///etc/hostname\">"), "folder",
               DomainResolver::live().resolve("com.example.odd", false));
  defaults->setString("group:odd", "lastSelectedGroup");
  open(catalog, DiscoverDeck({{"odd.markup", "<h2>Tip</h2>", "<b>body</b>"}}), std::nullopt);

  model->apply(PreferenceValue::boolean(true), *model->setting("odd.escape"));
  settle();
  ASSERT_TRUE(model->hasLastError()) << "no preference file is written for that domain";
  EXPECT_FALSE(th::fileExists(th::home() + "/Library/escape.plist"));
  th::expectTextsAsTypedAndWithinTheirBoxes(window->window().contentItem());
  th::renderInBothPalettes(*window, "catalog-odd-catalogue");

  // So do the tooltips, the sheets (with the Terminal command holding the stored folder) and the
  // entries of the menu.
  QQuickItem* overlay = window->window().contentItem();
  const auto card = [&](const QString& label) -> QQuickItem* {
    for (QQuickItem* info : visibleItems(root(), "infoButton"))
      if (ScreenWindow::findBelow(info->parentItem(), "title")->property("text").toString().startsWith(label))
        return info->parentItem();
    throw std::runtime_error("no card " + label.toStdString());
  };
  // Rests the pointer on `item` until its tooltip `tip` shows.
  const auto hover = [&](QQuickItem* item, const QString& tip) {
    QTest::mouseMove(&window->window(), window->centreOf(item));
    return QTest::qWaitFor([&] { return !visibleItems(overlay, tip).empty(); }, 60000);
  };
  ASSERT_TRUE(hover(ScreenWindow::findBelow(card("<b>"), "title"), "titleTip"));
  th::expectTextsAsTypedAndWithinTheirBoxes(overlay);
  th::renderInBothPalettes(*window, "catalog-odd-catalogue-tooltip");
  for (const auto& [label, name] : {std::pair<QString, QString>{"<b>", "markup"}, {"Folder", "folder"}}) {
    click(ScreenWindow::findBelow(card(label), "infoButton"));
    ASSERT_FALSE(visibleItems(overlay, "sheetTitle").empty());
    QQuickItem* copy = visibleItems(overlay, "copyButton").front();
    copy->setProperty("hoverEnabled", true);  // as on a desktop; the offscreen platform asks for no hover effects
    ASSERT_TRUE(hover(copy, "commandTip"));
    th::expectTextsAsTypedAndWithinTheirBoxes(overlay);
    th::renderInBothPalettes(*window, "catalog-odd-catalogue-sheet-" + name);
    QTest::keyClick(&window->window(), Qt::Key_Return);
    settle();
  }
  click("choice");
  ASSERT_FALSE(visibleItems(overlay, "choiceEntry1").empty());
  th::expectTextsAsTypedAndWithinTheirBoxes(overlay);
  QTest::keyClick(&window->window(), Qt::Key_Escape);
  settle();

  // The slider over the whole range still writes only numbers within it.
  QQuickItem* slider = one("slider");
  click(slider);
  const auto written = model->value(*model->setting("odd.slider"));
  ASSERT_TRUE(written && written->kind() == PreferenceValue::Kind::real);
  EXPECT_TRUE(std::isfinite(written->asDouble()));
  th::expectTextsAsTypedAndWithinTheirBoxes(window->window().contentItem());
}

// Tab goes region by region in reading order (sidebar, search, the list's current card, out again)
// and Shift+Tab back; the sidebar's arrows choose the entry they reach; the list's arrows, pages,
// Home and End go card to card, cards never drawn included, without a menu or a slider taking them
// as a change of value, and the focused card is kept in view.
TEST_F(CatalogView, TabGoesRegionByRegionAndTheArrowsReachEveryCardOfALongGroup) {
  defaults->setString("group:long", "lastSelectedGroup");
  open(longGroup(30), std::nullopt, std::nullopt);
  QQuickWindow& shown = window->window();
  const struct Step {
    Qt::Key key;
    const char* focused;  // the object name of the item with the focus afterwards
    const char* card;     // the setting of the card it is in; "" outside the list, "*" any card
  } steps[] = {
      {Qt::Key_Tab, "sidebarRow-group:long", ""}, {Qt::Key_Down, "sidebarRow-group:other", ""},
      {Qt::Key_Up, "sidebarRow-group:long", ""},  {Qt::Key_Tab, "searchField", ""},
      {Qt::Key_Tab, "toggle", "long.s00"},        {Qt::Key_Down, "toggle", "long.s01"},
      {Qt::Key_Down, "toggle", "long.s02"},       {Qt::Key_Down, "choice", "long.s03"},
      {Qt::Key_Down, "slider", "long.s04"},       {Qt::Key_Up, "choice", "long.s03"},
      {Qt::Key_PageDown, "toggle", "*"},          {Qt::Key_End, "toggle", "long.s29"},
      {Qt::Key_Tab, "infoButton", "long.s29"},    {Qt::Key_Tab, "sidebarRow-group:long", ""},
      {Qt::Key_Backtab, "infoButton", "long.s29"}, {Qt::Key_Backtab, "toggle", "long.s29"},
      {Qt::Key_Backtab, "searchField", ""},       {Qt::Key_Tab, "toggle", "long.s29"},
      {Qt::Key_Home, "toggle", "long.s00"},
  };
  QQuickItem* list = one("settingsCards");
  const QRectF viewport = list->mapRectToScene(QRectF(0, 0, list->width(), list->height()));
  for (const Step& step : steps) {
    QTest::keyClick(&shown, step.key, step.key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    settle();
    QQuickItem* focused = shown.activeFocusItem();
    const std::string at = QKeySequence(step.key).toString().toStdString() + " to " + step.focused;
    ASSERT_TRUE(focused) << at;
    const QString name = focused->objectName();
    EXPECT_EQ(name.toStdString(), step.focused) << at;
    if (*step.card == '*')
      EXPECT_TRUE(cardOf(focused).startsWith(QStringLiteral("long."))) << at;
    else
      EXPECT_EQ(cardOf(focused).toStdString(), step.card) << at;
    // Text fields mark any focus themselves; every other control shows keyboard focus alone.
    if (focused->property("visualFocus").isValid()) {
      EXPECT_TRUE(focused->property("visualFocus").toBool()) << at << ": drawn without its ring";
    }
    if (*step.card) {
      EXPECT_TRUE(viewport.contains(th::sceneRect(focused))) << at << ": out of view";
    }
    if (name.startsWith(QStringLiteral("sidebarRow-"))) {
      EXPECT_EQ(model->selection().stored(), name.mid(11).toStdString());
    }
  }
  // Passing over the menu and the slider changed neither.
  EXPECT_FALSE(model->value(*model->setting("long.s03")));
  EXPECT_FALSE(model->value(*model->setting("long.s04")));
}

// Every kind of control the keyboard reaches draws the ring of the palette's accent colour around
// it in both palettes, and none for focus that came from a click; a focused reset or info button
// is drawn as under the pointer, never invisible.
TEST_F(CatalogView, KeyboardFocusDrawsTheAccentRingAndAClickDoesNot) {
  defaults->setString("group:long", "lastSelectedGroup");
  open(longGroup(6), std::nullopt, std::nullopt);
  model->apply(PreferenceValue::boolean(true), *model->setting("long.s00"));  // an app to restart: the status bar's button
  settle();
  QQuickItem* list = one("settingsCards");
  const auto inCard = [&](int row, const char* name) {
    list->setProperty("currentIndex", row);
    settle();
    return ScreenWindow::findBelow(list->property("currentItem").value<QQuickItem*>(), name);
  };
  const struct Case {
    const char* name;
    std::function<QQuickItem*()> control;
    int ring;  // where the ring's two points lie across the control's leading edge
  } cases[] = {
      {"switch", [&] { return inCard(1, "toggle"); }, -2},
      {"slider", [&] { return inCard(4, "slider"); }, -2},
      {"info-button", [&] { return inCard(2, "infoButton"); }, -2},
      {"reset-button", [&] { return inCard(0, "resetButton"); }, -1},
      {"action-button", [&] { return one("restartButton"); }, -2},
      {"sidebar-row", [&] { return one("sidebarRow-group:long"); }, 1},
  };
  const auto isAccent = [](const QImage& image, QPoint at, const QColor& accent) {
    const QColor seen = image.pixelColor(at);
    return std::abs(seen.red() - accent.red()) < 40 && std::abs(seen.green() - accent.green()) < 40 &&
           std::abs(seen.blue() - accent.blue()) < 40;
  };
  const QColor light = ui::Tokens::light().property("primary").value<QColor>();
  const QColor dark = ui::Tokens::dark().property("primary").value<QColor>();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QQuickItem* control = c.control();
    ASSERT_TRUE(control);
    const QRectF box = th::sceneRect(control);
    // Halfway down the control's leading edge, in the ring's two points.
    const QPoint ring(qRound(box.left()) + c.ring, qRound(box.center().y()));
    control->forceActiveFocus(Qt::TabFocusReason);
    settle();
    const auto focused = th::renderInBothPalettes(*window, QStringLiteral("focus-%1").arg(c.name));
    EXPECT_TRUE(isAccent(focused.light, ring, light)) << focused.light.pixelColor(ring).name().toStdString();
    EXPECT_TRUE(isAccent(focused.dark, ring, dark)) << focused.dark.pixelColor(ring).name().toStdString();
    if (QString(c.name) == "info-button") {
      EXPECT_TRUE(control->property("infoHovered").toBool());
    }
    EXPECT_EQ(control->opacity(), 1.0);

    one("searchField")->forceActiveFocus();
    control->forceActiveFocus(Qt::MouseFocusReason);
    settle();
    const auto clicked = th::renderInBothPalettes(*window, QStringLiteral("focus-%1-clicked").arg(c.name));
    EXPECT_FALSE(isAccent(clicked.light, ring, light));
    EXPECT_FALSE(isAccent(clicked.dark, ring, dark));
  }
}

// The line between the sidebar and the page can be dragged: the sidebar follows the pointer but
// keeps 210 points, and the page keeps 360 of the window's 980.
TEST_F(CatalogView, TheDividerWidensTheSidebarWithinBothPanesMinimums) {
  open(smallCatalog(), std::nullopt, std::nullopt);
  QQuickItem* sidebar = one("sidebar");
  ASSERT_EQ(sidebar->width(), 230);
  const struct {
    int toX;
    qreal width;
  } drags[] = {{400, 400}, {40, 210}, {900, 980 - 1 - 360}, {300, 300}};
  for (const auto& drag : drags) {
    const QPoint grip(int(sidebar->width()) + 1, 400);
    QTest::mousePress(&window->window(), Qt::LeftButton, {}, grip);
    for (int step = 1; step <= 4; ++step)
      QTest::mouseMove(&window->window(), grip + (QPoint(drag.toX, 400) - grip) * step / 4);
    QTest::mouseRelease(&window->window(), Qt::LeftButton, {}, QPoint(drag.toX, 400));
    settle();
    EXPECT_NEAR(sidebar->width(), drag.width, 1) << "dragged to " << drag.toX;
  }
}
