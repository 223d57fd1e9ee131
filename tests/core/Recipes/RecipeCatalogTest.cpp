// Recipe files are taken whole or refused with the first fault in check order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LivePreferences.hpp"
#include "LoadOutcome.hpp"
#include "Recipes/RecipeCatalog.hpp"

using namespace amberloom;
using amberloom::testing::loadOutcome;

namespace {

using PV = PreferenceValue;

SettingDefinition setting(std::string id, SettingValueType type, SettingControl control) {
  return amberloom::testing::makeSetting(id, SettingRef{"com.example.app", {id}, false}, type, std::move(control));
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
  const auto one = [](const Json& settings) { return file({recipe("r", settings)}); };
  const auto refused = [](const char* error, const char* settingID) {
    return std::string(error) + "(recipe: \"r\", settingID: \"" + settingID + "\")";
  };
  const std::vector<Case> cases{
      {"no recipes at all", file({}), "loaded 0"},
      {"not JSON", "{\"recipes\": [", "decoding dataCorrupted at "},
      {"no recipes key", "{}", "decoding keyNotFound at "},
      {"no description", file({recipe("a", good, {{"description", nullptr}})}),
       "decoding valueNotFound at /recipes/Index 0/description"},
      {"a null setting value", one({{"flag", nullptr}}), "decoding valueNotFound at /recipes/Index 0/settings/flag"},
      {"decoding wins over a content fault", file({recipe("a", Json::object()), recipe("b", {{"flag", Json::array()}})}),
       "decoding typeMismatch at /recipes/Index 1/settings/flag"},
      {"empty settings", one(Json::object()), "emptyRecipe(\"r\")"},
      {"repeated ID before its empty settings", file({recipe("r", good), recipe("r", Json::object())}),
       "duplicateRecipeID(\"r\")"},
      {"earlier recipe's fault wins", file({recipe("r", {{"nope", 1}}), recipe("r", good)}), refused("unknownSetting", "nope")},
      {"a double for an int", one({{"count", 2.5}}), refused("valueTypeMismatch", "count")},
      {"a string for a bool", one({{"flag", "true"}}), refused("valueTypeMismatch", "flag")},
      {"a number for a string", one({{"name", 7}}), refused("valueTypeMismatch", "name")},
      {"any scalar for a dictionary", one({{"layout", "x"}}), refused("valueTypeMismatch", "layout")},
      {"above the slider", one({{"size", 10.0001}}), refused("valueOutsideControl", "size")},
      {"not one of the choices", one({{"count", 3}}), refused("valueOutsideControl", "count")},
      {"every check passes", file({recipe("a", {{"size", 3.3}, {"count", 2}, {"name", ""}}), recipe("b", good)}),
       "loaded 2"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(c.bytes), c.expected) << c.name;
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
