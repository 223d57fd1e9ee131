// The carried settings page's rows: grouped by the app before the label's colon or by the id's
// prefix, apps ordered by size and then name, the value texts of every kind, and values that
// follow the model when it reads them again.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>

#include "Browser/CarriedSettingsList.hpp"
#include "BrowserFixture.hpp"

using namespace amberloom;
using amberloom::ui::CarriedSettingsList;
namespace th = amberloom::testing;

using amberloom::testing::carriedSetting;

namespace {
// A list macOS keeps by itself: backed up, never copied to another Mac.
SettingDefinition systemWrittenList(std::string id, std::string label) {
  auto setting = carriedSetting(std::move(id), std::move(label));
  setting.type = SettingValueType::array;
  setting.systemWritten = true;
  return setting;
}
}  // namespace

TEST(CarriedSettingsList, GroupsByAppAndShowsCurrentValues) {
  th::BrowserFixture fixture;
  const auto model = fixture.makeModel(SettingsCatalog(
      1, 1,
      {carriedSetting("dock.apps", "Dock: Apps kept"), carriedSetting("dock.stacks", "Dock : Stacks"),
       carriedSetting("finder.tags", "Finder: Tags"), systemWrittenList("finder.recent", "Finder:\tRecent folders "),
       carriedSetting("sshot.where", "Save location"), carriedSetting("x.format", "Screenshots: Format"),
       th::browserSetting("dock.editable", "dock", "Not carried")}));
  CarriedSettingsList list;
  QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
  list.setSettingsModel(model.get());

  std::vector<std::string> rows;
  for (int row = 0; row < list.rowCount(); ++row) {
    const auto at = list.index(row);
    rows.push_back(list.data(at, CarriedSettingsList::AppRole).toString().toStdString() + "|" +
                   list.data(at, CarriedSettingsList::NameRole).toString().toStdString() + "|" +
                   list.data(at, CarriedSettingsList::SymbolRole).toString().toStdString());
  }
  // Two apps of two settings by name, then "Dock" before "Dock " (the space is kept).
  EXPECT_EQ(rows, (std::vector<std::string>{"Finder|Recent folders|folder", "Finder|Tags|folder",
                                            "Screenshots|Save location|camera.viewfinder",
                                            "Screenshots|Format|app.dashed", "Dock|Apps kept|dock.rectangle",
                                            "Dock |Stacks|dock.rectangle"}));
  EXPECT_EQ(list.firstApp(), "Finder");
  EXPECT_EQ(list.subtitle(), QString::fromUtf8("6 settings — copied between your Macs, nothing to set here"));
  // Recent folders stay on this Mac, and the row says so; the others travel.
  EXPECT_TRUE(list.data(list.index(0), CarriedSettingsList::AccessibleDescriptionRole).toString().contains("this Mac only"));
  EXPECT_TRUE(list.data(list.index(1), CarriedSettingsList::AccessibleDescriptionRole).toString().contains("copied to your other Macs"));

  // Set from outside: the row follows when the model reads again.
  QSignalSpy changed(&list, &CarriedSettingsList::dataChanged);
  EXPECT_EQ(list.data(list.index(1), CarriedSettingsList::ValueTextRole).toString(), "not set");
  th::runDefaults({"write", "com.example.carried", "tags", "-float", "2.5"});
  model->refreshAll();
  EXPECT_EQ(list.data(list.index(1), CarriedSettingsList::ValueTextRole).toString(), "2.5");
  EXPECT_TRUE(list.data(list.index(1), CarriedSettingsList::IsSetRole).toBool());
  // Only the row whose value moved is announced.
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.front().front().toModelIndex().row(), 1);
}

TEST(CarriedSettingsList, DescribesEveryKindOfValue) {
  const std::pair<std::optional<PreferenceValue>, const char*> cases[] = {
      {std::nullopt, "not set"},
      {PreferenceValue::boolean(true), "on"},
      {PreferenceValue::boolean(false), "off"},
      {PreferenceValue::integer(-42), "-42"},
      {PreferenceValue::real(0.5), "0.5"},
      {PreferenceValue::real(1e21), "1e+21"},
      {PreferenceValue::string("Menlo 12"), "Menlo 12"},
      {PreferenceValue::data({1, 2, 3}), "3 bytes"},
      {PreferenceValue::dictionary({{"a", PreferenceValue::integer(1)}, {"b", PreferenceValue::integer(2)}}), "2 entries"},
      {PreferenceValue::array({}), "0 items"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(CarriedSettingsList::describe(value), text) << text;

  // A date in the abbreviated date style with the short time: "Jan 16, 2001, 12:00 PM" in UTC.
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  const QString date = CarriedSettingsList::describe(PreferenceValue::date(15 * 86400 + 43200));
  QLocale::setDefault(previous);
  EXPECT_TRUE(QRegularExpression("^Jan 1[67], 2001, \\d{1,2}:\\d\\d.[AP]M$").match(date).hasMatch()) << date.toStdString();
}
