// What the settings list shows for the settings model's state: the title and subtitle, cards under
// subgroup headings or flat, group badges in search results, and the notes on hidden settings and
// on an empty list; and that one keystroke relays the cards once.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>

#include "Browser/SettingsListContent.hpp"
#include "BrowserFixture.hpp"

using namespace amberloom;
using amberloom::ui::SettingsListRows;
using amberloom::ui::SidebarSelection;
namespace th = amberloom::testing;

namespace {

SettingsCatalog catalog() {
  auto risky = th::browserSetting("dock.risky", "dock", "Skip the check", "look");
  risky.risk = SettingRisk::weakensSecurity;
  return SettingsCatalog(1, 1,
                         {th::browserSetting("dock.hide", "dock", "Hide it", "behavior"),
                          th::browserSetting("dock.size", "dock", "Show big", "look"),
                          th::browserSetting("dock.tint", "dock", "Tint", "look"), risky,
                          th::browserSetting("finder.ext", "finder", "Show extensions"),
                          th::browserSetting("finder.bar", "finder", "Path bar")});
}

// Each card as its id, preceded by the heading of each new subgroup and followed by a badge.
std::vector<std::string> cards(const ui::SettingsListContent& content) {
  std::vector<std::string> rows;
  QString subgroup;
  const auto* list = content.rows();
  for (int row = 0; row < list->rowCount(); ++row) {
    const auto at = list->index(row, 0);
    const QString id = list->data(at, SettingsListRows::SubgroupIDRole).toString();
    if (id != subgroup) rows.push_back("# " + content.subgroupHeading(id).toStdString());
    subgroup = id;
    std::string card = list->data(at, SettingsListRows::SettingIDRole).toString().toStdString();
    const QString badge = list->data(at, SettingsListRows::GroupNameRole).toString();
    if (!badge.isEmpty()) card += " [" + badge.toStdString() + "]";
    rows.push_back(card);
  }
  return rows;
}

// The list content over a settings model of the catalogue above.
class SettingsListContent : public ::testing::Test, protected th::BrowserFixture {
 protected:
  std::unique_ptr<ui::SettingsModel> model = makeModel(catalog());
  ui::SettingsListContent content;
  QAbstractItemModelTester tester{attached(), QAbstractItemModelTester::FailureReportingMode::Fatal};

  // The content's rows once it shows the model (the tester needs them made).
  QAbstractItemModel* attached() { content.setSettingsModel(model.get()); return content.rows(); }
  void search(const char* text) {
    model->setSearchText(QString::fromUtf8(text));
    QCoreApplication::processEvents();
  }
};

}  // namespace

TEST_F(SettingsListContent, FollowsTheSelectionTheSearchAndTheFilters) {

  struct Case {
    SidebarSelection selection;
    const char* search;
    bool showsRisky;
    const char* title;
    const char* subtitle;
    std::vector<std::string> cards;
    bool hiddenNote;
    const char* emptyNote;
  };
  const auto dock = SidebarSelection::group("dock");
  const Case cases[] = {
      {dock, "", false, "dock settings", "3 settings · all measured",
       {"# LOOK", "dock.size", "dock.tint", "# BEHAVIOR", "dock.hide"}, true, ""},
      {dock, " \t", false, "dock settings", "3 settings · all measured",  // blanks are no search
       {"# LOOK", "dock.size", "dock.tint", "# BEHAVIOR", "dock.hide"}, true, ""},
      {dock, "", true, "dock settings", "4 settings · all measured",
       {"# LOOK", "dock.size", "dock.risky", "dock.tint", "# BEHAVIOR", "dock.hide"}, false, ""},
      {SidebarSelection::group("finder"), "", false, "finder settings", "2 settings · all measured",  // one subgroup: flat
       {"finder.bar", "finder.ext"}, false, ""},
      {dock, "show", false, "Search results", "2 settings · all measured",  // never grouped, with badges
       {"dock.size [dock settings]", "finder.ext [finder settings]"}, false, ""},
      {dock, "skip", false, "Search results", "0 settings · all measured", {}, true, "No settings match “skip”."},
      {SidebarSelection::group("gone"), "", false, "Settings", "0 settings · all measured", {}, false,
       "No settings in this group."},
      {SidebarSelection::page(SidebarSelection::Page::carried), "", false, "Settings", "0 settings · all measured", {},
       false, "No settings in this group."},
  };
  for (const auto& c : cases) {
    model->setSelection(c.selection);
    model->setShowsRiskySettings(c.showsRisky);
    search(c.search);
    const std::string name = c.selection.stored() + " '" + c.search + "'";
    EXPECT_EQ(content.title().toStdString(), c.title) << name;
    EXPECT_EQ(content.subtitle(), QString::fromUtf8(c.subtitle)) << name;
    EXPECT_EQ(cards(content), c.cards) << name;
    EXPECT_EQ(content.hiddenNote().isEmpty(), !c.hiddenNote) << name;
    EXPECT_EQ(content.emptyNote(), QString::fromUtf8(c.emptyNote)) << name;
  }
  model->setSelection(SidebarSelection::group("dock"));
  search("");
  EXPECT_EQ(content.hiddenNote(), QString::fromUtf8("1 setting here is hidden because it switches off a macOS "
                                                    "protection. Settings ▸ Show them."));
  EXPECT_EQ(content.firstSubgroupID(), "look");
}

TEST_F(SettingsListContent, AKeystrokeRelaysTheCardsOnce) {
  QSignalSpy resets(content.rows(), &QAbstractItemModel::modelReset);
  QSignalSpy changes(&content, &ui::SettingsListContent::contentChanged);
  for (const char* text : {"s", "s "}) {  // the second: the same result and texts
    search(text);
    EXPECT_EQ(resets.count(), 1) << text;
    EXPECT_EQ(changes.count(), 1) << text;
  }
  // Narrower and wider searches change the cards in place: the list keeps the cards it made.
  for (const auto& [text, expected] : std::vector<std::pair<const char*, std::vector<std::string>>>{
           {"show", {"dock.size [dock settings]", "finder.ext [finder settings]"}},
           {"show e", {"finder.ext [finder settings]"}},
           {"t", {"dock.hide [dock settings]", "dock.size [dock settings]", "dock.tint [dock settings]",
                  "finder.bar [finder settings]", "finder.ext [finder settings]"}}}) {
    search(text);
    EXPECT_EQ(cards(content), expected) << text;
  }
  EXPECT_EQ(resets.count(), 1);
}

TEST_F(SettingsListContent, NamesTheTipsSettingWhenItIsKnown) {
  struct Case {
    const char* settingID;
    bool known;
    const char* label;
  };
  std::vector<std::unique_ptr<ui::SettingsModel>> models;  // each outlives the content's use of it
  for (const auto& c : {Case{"finder.bar", true, "Path bar"}, Case{"gone.setting", false, ""}}) {
    auto* tipped = models.emplace_back(makeModel(catalog(), DiscoverDeck({{c.settingID, "Hook", "Body."}}))).get();
    content.setSettingsModel(tipped);
    EXPECT_FALSE(tipped->discoverCardMap().isEmpty()) << c.settingID;
    EXPECT_EQ(content.tipHasSetting(), c.known) << c.settingID;
    EXPECT_EQ(content.tipSettingLabel(), c.label) << c.settingID;
  }
}
