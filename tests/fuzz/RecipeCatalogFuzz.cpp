// A recipe file, checked against the built-in settings catalogue; it fails only with its own
// errors, and every recipe it gives holds only values its settings accept.

#include "Catalog/SettingsCatalog.hpp"
#include "Recipes/RecipeCatalog.hpp"
#include "Support/Json.hpp"
#include "FuzzInput.hpp"

using namespace amberloom;
namespace fuzz = amberloom::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const SettingsCatalog catalog = SettingsCatalog::bundled();
  std::optional<RecipeCatalog> recipes;
  try {
    recipes = RecipeCatalog::fromData(fuzz::text(data, size), catalog);
  } catch (const DecodingError&) {
    return 0;
  } catch (const RecipeError&) {
    return 0;
  }
  for (const auto& recipe : recipes->recipes()) {
    fuzz::require(recipes->recipe(recipe.id) != nullptr, "every recipe is found by its ID");
    fuzz::require(!recipe.values.empty(), "no recipe is empty");
    for (const auto& [settingID, value] : recipe.values) {
      const SettingDefinition* setting = catalog.setting(settingID);
      fuzz::require(setting && setting->control.accepts(value), "a recipe holds only values its settings accept");
    }
  }
  return 0;
}
