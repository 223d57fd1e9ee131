// The sidebar's entries over a settings model: which entries, their counts and accessibility
// names for each combination of guide and repair findings, the header's count line, and which
// entry shows as selected.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "Browser/SidebarList.hpp"
#include "BrowserFixture.hpp"

using namespace amberloom;
using amberloom::ui::SidebarList;
using amberloom::ui::SidebarSelection;
namespace th = amberloom::testing;

namespace {

using th::carriedSetting;

// Each entry as "<section>|<title>[ <count>]".
std::vector<std::string> entries(const SidebarList& list) {
  std::vector<std::string> rows;
  for (int row = 0; row < list.rowCount(); ++row) {
    const auto at = list.index(row);
    std::string text = list.data(at, SidebarList::SectionIDRole).toString().toStdString() + "|" +
                       list.data(at, SidebarList::TitleRole).toString().toStdString();
    if (list.data(at, SidebarList::HasCountRole).toBool())
      text += " " + std::to_string(list.data(at, SidebarList::CountRole).toInt());
    rows.push_back(text);
  }
  return rows;
}

}  // namespace

TEST(SidebarList, ListsThePagesAndTheGroupsWithTheirCounts) {
  th::BrowserFixture fixture;
  const auto model = fixture.makeModel(SettingsCatalog(
      1, 1, {th::browserSetting("dock.a", "dock", "A"), th::browserSetting("dock.b", "dock", "B"),
             th::browserSetting("zzz.c", "zzz", "C"), carriedSetting("carry.x", "X"), carriedSetting("carry.y", "Y")}));
  SidebarList list;
  QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
  list.setSettingsModel(model.get());

  struct Case {
    bool hasGuide;
    int repairCount;
    const char* recentChanges;
  };
  for (const auto& c : {Case{false, 0, "Recent changes"}, Case{true, 3, "Recent changes 3"}, Case{false, -1, "Recent changes"}}) {
    list.setHasGuide(c.hasGuide);
    list.setRepairCount(c.repairCount);
    std::vector<std::string> expected = {"fixed.sync|My Macs", "fixed.sync|Account", std::string("fixed.start|") + c.recentChanges,
                                         "fixed.start|Quick setups", "fixed.start|Backed up for you 2"};
    if (c.hasGuide) expected.push_back("fixed.start|Set up by hand");
    expected.insert(expected.end(), {"apple|dock settings 2", "more|zzz settings 1"});
    EXPECT_EQ(entries(list), expected) << c.hasGuide << " " << c.repairCount;
  }
  EXPECT_EQ(list.sectionTitle("fixed.start"), "Start here");
  EXPECT_EQ(list.sectionTitle("more"), "More");
  EXPECT_EQ(list.data(list.index(4), SidebarList::AccessibleNameRole).toString(), "Backed up for you, 2 settings");
  EXPECT_EQ(list.data(list.index(5), SidebarList::AccessibleNameRole).toString(), "dock settings, 2 settings");
  EXPECT_EQ(list.subtitle(), QString::fromUtf8("5 settings · 3 editable"));

  // A group's name is shown as written, also in its accessibility text when it holds "%1".
  auto percent = th::browserSetting("pct.a", "pct", "A");
  percent.text->categoryName = "50%1 off";
  const auto percentModel = fixture.makeModel(SettingsCatalog(1, 1, {percent}));
  list.setSettingsModel(percentModel.get());
  const auto last = list.index(list.rowCount() - 1);
  EXPECT_EQ(list.data(last, SidebarList::TitleRole).toString(), "50%1 off");
  EXPECT_EQ(list.data(last, SidebarList::AccessibleNameRole).toString(), "50%1 off, 1 setting");
}

TEST(SidebarList, HeaderCountLine) {
  EXPECT_EQ(SidebarList::brandSubtitle(12, 5), QString::fromUtf8("17 settings · 12 editable"));
  EXPECT_EQ(SidebarList::brandSubtitle(12, 0), "12 settings");
  EXPECT_EQ(SidebarList::brandSubtitle(1, 0), "1 setting");
  EXPECT_EQ(SidebarList::brandSubtitle(0, 1), QString::fromUtf8("1 setting · 0 editable"));
}

TEST(SidebarList, MarksOnlyTheEntryOfTheSelection) {
  th::BrowserFixture fixture;
  const auto model = fixture.makeModel(
      SettingsCatalog(1, 1, {th::browserSetting("dock.a", "dock", "A"), th::browserSetting("finder.b", "finder", "B")}));
  SidebarList list;
  list.setSettingsModel(model.get());
  const auto selected = [&] {
    std::vector<std::string> keys;
    for (int row = 0; row < list.rowCount(); ++row)
      if (list.data(list.index(row), SidebarList::IsSelectedRole).toBool())
        keys.push_back(list.data(list.index(row), SidebarList::KeyRole).toString().toStdString());
    return keys;
  };
  QSignalSpy changes(&list, &SidebarList::dataChanged);

  for (int row = 0; row < list.rowCount(); ++row)
    if (list.data(list.index(row), SidebarList::KeyRole).toString() == "group:finder") list.select(row);
  EXPECT_EQ(model->selection(), SidebarSelection::group("finder"));
  EXPECT_EQ(selected(), std::vector<std::string>{"group:finder"});
  EXPECT_EQ(fixture.defaults->stringValue("lastSelectedGroup"), "group:finder");
  EXPECT_EQ(changes.count(), 1);

  // A selection no entry shows: a group that is gone, the guide while none was loaded.
  for (const auto& hidden : {SidebarSelection::group("gone"), SidebarSelection::page(SidebarSelection::Page::manualGuide)}) {
    model->setSelection(hidden);
    EXPECT_TRUE(selected().empty()) << hidden.stored();
  }
  list.setHasGuide(true);
  EXPECT_EQ(selected(), std::vector<std::string>{"manualGuide"});
}
