#pragma once
// The recipes the application ships, checked whole against the settings catalogue: a file with
// any fault is refused and no partial catalogue is ever built. Never changed after it is built.

#include <string>
#include <string_view>
#include <vector>

#include "Catalog/SettingsCatalog.hpp"
#include "Recipes/Recipe.hpp"
#include "Recipes/RecipeError.hpp"

namespace amberloom {

class RecipeCatalog {
 public:
  explicit RecipeCatalog(std::vector<Recipe> recipes = {}) : recipes_(std::move(recipes)) {}

  // The built-in "recipes" resource. Throws ResourceError::missing, DecodingError or RecipeError.
  static RecipeCatalog bundled(const SettingsCatalog& catalog);
  // Decodes and checks a recipe file. Throws DecodingError for a file that does not decode, else
  // the first RecipeError met: recipes in file order; per recipe a repeated ID, then an empty
  // "settings" object, then each setting in turn (unknown, wrong type, outside its control).
  static RecipeCatalog fromData(std::string_view bytes, const SettingsCatalog& catalog);

  const std::vector<Recipe>& recipes() const { return recipes_; }  // file order
  // The first recipe with exactly this ID; null when there is none.
  const Recipe* recipe(const std::string& id) const;

  bool operator==(const RecipeCatalog&) const = default;

 private:
  std::vector<Recipe> recipes_;
};

}  // namespace amberloom
