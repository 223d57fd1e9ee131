// Recipe files are taken whole or refused with the first fault in check order; the built-in
// recipes stay in step with the built-in settings catalogue.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "LoadOutcome.hpp"
#include "Recipes/RecipeCatalog.hpp"

using namespace amberloom;
using amberloom::testing::loadOutcome;

namespace {

using PV = PreferenceValue;

SettingDefinition setting(std::string id, SettingValueType type, SettingControl control) {
  SettingDefinition definition;
  definition.id = std::move(id);
  definition.ref = SettingRef{"com.example.app", {definition.id}, false};
  definition.type = type;
  definition.label = definition.id;
  definition.control = std::move(control);
  return definition;
}

const SettingsCatalog& testCatalog() {
  static const SettingsCatalog catalog(
      1, 1,
      {setting("size", SettingValueType::real, SettingControl::slider({0, 10, 0.5})),
       setting("count", SettingValueType::integer,
               SettingControl::choice({{PV::integer(1), "One"}, {PV::integer(2), "Two"}})),
       setting("flag", SettingValueType::boolean, SettingControl::toggle()),
       setting("name", SettingValueType::string, SettingControl::text()),
       setting("layout", SettingValueType::dictionary, SettingControl::unsupported())});
  return catalog;
}

// A recipe object with `settings`; `extra` is laid over it (a null member stays a JSON null).
Json recipe(const std::string& id, const Json& settings, const Json& extra = Json::object()) {
  Json object = {{"id", id}, {"title", "T " + id}, {"tagline", "L"}, {"description", "D"}, {"settings", settings}};
  for (const auto& [key, value] : extra.items()) object[key] = value;
  return object;
}

std::string file(const std::vector<Json>& recipes) { return writeJson(Json{{"recipes", Json(recipes)}}); }

std::string outcome(const std::string& bytes) {
  return loadOutcome<RecipeError>([&] { return RecipeCatalog::fromData(bytes, testCatalog()).recipes().size(); });
}

}  // namespace

TEST(RecipeCatalog, EachFaultIsRefusedWithItsExactError) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  };
  const Json good = {{"flag", true}};
  const std::vector<Case> cases{
      {"no recipes at all", file({}), "loaded 0"},
      {"unknown keys are ignored", R"({"recipes": [], "version": 3})", "loaded 0"},
      {"not JSON", "{\"recipes\": [", "decoding dataCorrupted at "},
      {"no recipes key", "{}", "decoding keyNotFound at "},
      {"recipes not an array", R"({"recipes": {}})", "decoding typeMismatch at /recipes"},
      {"no description", file({recipe("a", good, {{"description", nullptr}})}),
       "decoding valueNotFound at /recipes/Index 0/description"},
      {"a title that is no string", file({recipe("a", good, {{"title", 3}})}),
       "decoding typeMismatch at /recipes/Index 0/title"},
      {"a null setting value", file({recipe("a", {{"flag", nullptr}})}),
       "decoding valueNotFound at /recipes/Index 0/settings/flag"},
      {"an array setting value", file({recipe("a", {{"layout", Json::array()}})}),
       "decoding typeMismatch at /recipes/Index 0/settings/layout"},
      {"decoding wins over a later content fault", file({recipe("a", Json::object()), recipe("b", {{"flag", Json::array()}})}),
       "decoding typeMismatch at /recipes/Index 1/settings/flag"},
      {"empty settings", file({recipe("a", Json::object())}), "emptyRecipe(\"a\")"},
      {"repeated ID reported before its empty settings", file({recipe("a", good), recipe("a", Json::object())}),
       "duplicateRecipeID(\"a\")"},
      {"earlier recipe's fault wins", file({recipe("a", {{"nope", 1}}), recipe("a", good)}),
       "unknownSetting(recipe: \"a\", settingID: \"nope\")"},
      {"a double for an int", file({recipe("r", {{"count", 2.5}})}),
       "valueTypeMismatch(recipe: \"r\", settingID: \"count\")"},
      {"a string for a bool", file({recipe("r", {{"flag", "true"}})}),
       "valueTypeMismatch(recipe: \"r\", settingID: \"flag\")"},
      {"a number for a string", file({recipe("r", {{"name", 7}})}),
       "valueTypeMismatch(recipe: \"r\", settingID: \"name\")"},
      {"an int for a bool", file({recipe("r", {{"flag", 1}})}), "valueTypeMismatch(recipe: \"r\", settingID: \"flag\")"},
      {"any scalar for a dictionary", file({recipe("r", {{"layout", "x"}})}),
       "valueTypeMismatch(recipe: \"r\", settingID: \"layout\")"},
      {"above the slider", file({recipe("r", {{"size", 10.0001}})}),
       "valueOutsideControl(recipe: \"r\", settingID: \"size\")"},
      {"below the slider", file({recipe("r", {{"size", -1}})}),
       "valueOutsideControl(recipe: \"r\", settingID: \"size\")"},
      {"not one of the choices", file({recipe("r", {{"count", 3}})}),
       "valueOutsideControl(recipe: \"r\", settingID: \"count\")"},
      {"every check passes", file({recipe("a", {{"size", 3.3}, {"count", 2}, {"name", ""}}), recipe("b", good)}),
       "loaded 2"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.bytes), c.expected) << c.name;
}

TEST(RecipeCatalog, ErrorsCompareByCaseRecipeAndSetting) {
  EXPECT_EQ(RecipeError::unknownSetting("r", "s"), RecipeError::unknownSetting("r", "s"));
  EXPECT_FALSE(RecipeError::unknownSetting("r", "s") == RecipeError::valueTypeMismatch("r", "s"));
  EXPECT_FALSE(RecipeError::emptyRecipe("r") == RecipeError::duplicateRecipeID("r"));
  const auto error = RecipeError::valueOutsideControl("r", "s");
  EXPECT_EQ(error.errorCase(), RecipeError::Case::valueOutsideControl);
  EXPECT_EQ(error.recipe(), "r");
  EXPECT_EQ(error.settingID(), "s");
}

TEST(RecipeCatalog, KeepsFileOrderAndConvertsValuesToTheSettingsType) {
  const auto catalog = RecipeCatalog::fromData(
      file({recipe("z", {{"size", 2}, {"flag", false}}, {{"caution", "Careful"}, {"extra", 1}}),
            recipe("a", {{"name", "x"}}, {{"caution", nullptr}})}),
      testCatalog());
  ASSERT_EQ(catalog.recipes().size(), 2u);
  const Recipe expected{"z", "T z", "L", "D", "Careful", {{"flag", PV::boolean(false)}, {"size", PV::real(2)}}};
  EXPECT_EQ(catalog.recipes()[0], expected);
  EXPECT_EQ(catalog.recipes()[0].values.at("size").kind(), PV::Kind::real);  // the integer 2 became 2.0
  EXPECT_EQ(catalog.recipes()[1].caution, std::nullopt);
  EXPECT_EQ(catalog.recipes()[1].description(), "D");

  ASSERT_NE(catalog.recipe("a"), nullptr);
  EXPECT_EQ(catalog.recipe("a")->title, "T a");
  EXPECT_EQ(catalog.recipe("A"), nullptr);
  EXPECT_EQ(RecipeCatalog().recipe("a"), nullptr);
}

TEST(RecipeCatalog, BuiltInRecipesLoadAgainstTheBuiltInCatalogue) {
  const auto settings = SettingsCatalog::bundled();
  const auto catalog = RecipeCatalog::bundled(settings);
  ASSERT_GE(catalog.recipes().size(), 12u);
  std::set<std::string> titles;
  for (const auto& recipe : catalog.recipes()) {
    EXPECT_GE(recipe.values.size(), 3u) << recipe.id;
    EXPECT_LE(recipe.values.size(), 10u) << recipe.id;
    EXPECT_TRUE(titles.insert(recipe.title).second) << recipe.id;
    EXPECT_FALSE(recipe.tagline.empty() || recipe.summary.empty()) << recipe.id;
  }
}
