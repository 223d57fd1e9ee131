// Recipes previewed, applied and undone on the temporary home, every write read back through the
// `defaults` command.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "LivePreferences.hpp"
#include "Recipes/RecipeCatalog.hpp"
#include "Recipes/RecipeService.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

using PV = PreferenceValue;
constexpr const char* kDomain = "com.example.recipes";

SettingDefinition setting(std::string id, SettingValueType type, SettingControl control) {
  const SettingRef ref{kDomain, {"key-" + id}, false};
  return th::makeSetting(id, ref, type, std::move(control), "Label of " + id);
}

std::vector<std::string> recordedIDs(const IntentLog& log) {
  std::vector<std::string> ids;
  for (const auto& intent : log.all()) ids.push_back(intent.settingID);
  return ids;
}

class RecipeServiceTest : public ::testing::Test, protected th::LivePreferences {
 protected:
  SettingsCatalog catalog{1, 1,
                          {setting("b.pinnedSame", SettingValueType::boolean, SettingControl::toggle()),
                           setting("a.pinnedDiff", SettingValueType::boolean, SettingControl::toggle()),
                           setting("c.wholeDouble", SettingValueType::real, SettingControl::slider({0, 4, 1})),
                           setting("D.unset", SettingValueType::string, SettingControl::text()),
                           setting("e.same", SettingValueType::integer,
                                   SettingControl::choice({{PV::integer(1), "One"}, {PV::integer(2), "Two"}}))}};
  IntentLog intents{th::supportFile("intents.json"), "23F79"};

  RecipeService serviceOver(const SettingsCatalog& settings) const {
    return RecipeService(settings, SettingsService(resolver, store), resolver, store, intents);
  }
  void put(const std::string& id, const PV& value) const { LivePreferences::put(kDomain, "key-" + id, value); }
  std::optional<PV> seen(const std::string& id) const { return LivePreferences::seen(kDomain, "key-" + id); }
};

}  // namespace

TEST_F(RecipeServiceTest, EveryRowLandsInExactlyOneListAndOnlyChangesAreWritten) {
  put("b.pinnedSame", PV::boolean(true));
  put("a.pinnedDiff", PV::boolean(false));
  put("c.wholeDouble", PV::integer(2));  // a script-written int, read as the double 2.0
  put("e.same", PV::integer(2));
  const Recipe recipe{"r", "R", "", "", std::nullopt,
                      {{"e.same", PV::integer(2)},
                       {"c.wholeDouble", PV::real(1)},
                       {"b.pinnedSame", PV::boolean(true)},
                       {"a.pinnedDiff", PV::boolean(true)},
                       {"D.unset", PV::string("hello")},
                       {"not.in.catalogue", PV::boolean(true)}}};
  const std::set<std::string> pinned{"a.pinnedDiff", "b.pinnedSame"};
  const auto service = serviceOver(catalog);

  const auto rows = service.preview(recipe, pinned);
  std::vector<std::string> summary;
  for (const auto& row : rows)
    summary.push_back(row.settingID + " " + row.label + ": " + row.currentText() + " -> " + row.targetText() +
                      (row.changes() ? " changes" : "") + (row.willWrite() ? " writes" : "") +
                      (row.pinnedToThisMac ? " pinned" : ""));
  EXPECT_EQ(summary, (std::vector<std::string>{
                         "D.unset Label of D.unset: not set -> hello changes writes",
                         "a.pinnedDiff Label of a.pinnedDiff: off -> on changes pinned",
                         "b.pinnedSame Label of b.pinnedSame: on -> on pinned",
                         "c.wholeDouble Label of c.wholeDouble: 2 -> 1 changes writes",
                         "e.same Label of e.same: Two -> Two",
                     }));

  const auto applied = service.apply(recipe, pinned, outside);
  const auto& report = applied.report;
  EXPECT_EQ(report.outcomes, (std::vector<WriteOutcome>{{"D.unset", true, std::nullopt},
                                                        {"c.wholeDouble", true, std::nullopt}}));
  EXPECT_EQ(report.alreadyMatching, (std::vector<std::string>{"b.pinnedSame", "e.same"}));
  EXPECT_EQ(report.skippedPinned, std::vector<std::string>{"a.pinnedDiff"});
  EXPECT_EQ(seen("a.pinnedDiff"), PV::boolean(false));
  EXPECT_EQ(seen("c.wholeDouble"), PV::real(1));
  EXPECT_EQ(recordedIDs(intents), (std::vector<std::string>{"D.unset", "c.wholeDouble"}));

  // A second apply finds the first one's writes in place and writes nothing.
  const auto again = service.apply(recipe, pinned, outside).report;
  EXPECT_TRUE(again.outcomes.empty());
  EXPECT_EQ(again.alreadyMatching, (std::vector<std::string>{"D.unset", "b.pinnedSame", "c.wholeDouble", "e.same"}));
  EXPECT_EQ(again.skippedPinned, std::vector<std::string>{"a.pinnedDiff"});

  // Undoing the first apply puts back the int and the absent key and forgets what it took back.
  const auto undo = service.undo(applied.wayBack->point, outside).report;
  EXPECT_TRUE(undo.isComplete());
  EXPECT_EQ(seen("c.wholeDouble"), PV::integer(2));
  EXPECT_EQ(seen("D.unset"), std::nullopt);
  EXPECT_EQ(seen("a.pinnedDiff"), PV::boolean(false));
  EXPECT_TRUE(recordedIDs(intents).empty());
}

TEST_F(RecipeServiceTest, EveryBuiltInRecipeAppliesAndUndoesCleanly) {
  const auto settings = SettingsCatalog::bundled();
  const auto recipes = RecipeCatalog::bundled(settings);
  const auto service = serviceOver(settings);
  const SettingsService reader(resolver, store);

  // Loading checks every value against the catalogue, so content and catalogue cannot drift apart.
  ASSERT_GE(recipes.recipes().size(), 12u);
  for (const auto& recipe : recipes.recipes()) {
    SCOPED_TRACE(recipe.id);
    EXPECT_TRUE(recipe.values.size() >= 3 && recipe.values.size() <= 10);
    std::map<std::string, std::optional<PV>> before;
    for (const auto& [id, value] : recipe.values) before[id] = reader.externallyVisibleValue(*settings.setting(id), outside);

    const auto applied = service.apply(recipe, {}, outside);
    const auto& report = applied.report;
    EXPECT_TRUE(report.failed().empty()) << report.failed().front().settingID << ": "
                                         << report.failed().front().failureReason.value_or("");
    std::set<std::string> leftOut;
    for (const auto& setting : service.unavailable(recipe)) leftOut.insert(setting.id);
    EXPECT_EQ(report.total() + report.alreadyMatching.size() + leftOut.size(), recipe.values.size());
    for (const auto& [id, value] : recipe.values)
      EXPECT_EQ(reader.externallyVisibleValue(*settings.setting(id), outside), leftOut.contains(id) ? before[id] : value)
          << id;

    const auto undo = applied.wayBack ? service.undo(applied.wayBack->point, outside).report : UndoReport{};
    EXPECT_TRUE(undo.isComplete()) << undo.failure.value_or("") << " " << undo.failed().size() << " failed";
    for (const auto& [id, value] : recipe.values) {
      EXPECT_EQ(reader.externallyVisibleValue(*settings.setting(id), outside), before[id]) << id;
      EXPECT_FALSE(intents.intent(id).has_value()) << id;
    }
  }
}

TEST_F(RecipeServiceTest, SettingsThatDoNotApplyToThisMacOSAreLeftOutOfPreviewAndApply) {
  auto needs15 = setting("needs15", SettingValueType::boolean, SettingControl::toggle());
  needs15.availability.osMin = Version({15});
  auto brokenOn14 = setting("broken14", SettingValueType::boolean, SettingControl::toggle());
  brokenOn14.availability.brokenOn = {Version({14})};
  const SettingsCatalog versions{1, 1, {needs15, brokenOn14, setting("plain", SettingValueType::boolean, SettingControl::toggle())}};
  const Recipe recipe{"r", "R", "", "", std::nullopt,
                      {{"needs15", PV::boolean(true)}, {"broken14", PV::boolean(true)}, {"plain", PV::boolean(true)}}};
  const struct {
    Version os;
    std::vector<std::string> written, leftOut;
  } cases[] = {{Version({14, 5}), {"plain"}, {"broken14", "needs15"}},
               {Version({15, 1}), {"broken14", "needs15", "plain"}, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.os.description());
    for (const auto* id : {"needs15", "broken14", "plain"}) put(id, PV::boolean(false));
    const RecipeService service(versions, SettingsService(resolver, store), resolver, store, intents, c.os, Version({1}));
    std::vector<std::string> previewed, written, leftOut;
    for (const auto& row : service.preview(recipe, {})) previewed.push_back(row.settingID);
    for (const auto& setting : service.unavailable(recipe)) leftOut.push_back(setting.id);
    for (const auto& outcome : service.apply(recipe, {}, outside).report.outcomes) written.push_back(outcome.settingID);
    EXPECT_EQ(previewed, c.written);
    EXPECT_EQ(written, c.written);
    EXPECT_EQ(leftOut, c.leftOut);
    for (const auto& id : c.leftOut) EXPECT_EQ(seen(id), PV::boolean(false)) << id << " stays as it was";
  }
}
