#include "Recipes/RecipeError.hpp"

namespace amberloom {

RecipeError RecipeError::forSetting(Case c, const char* name, std::string recipe, std::string settingID) {
  const auto text =
      describe::enumCase(name, {{"recipe", describe::text(recipe)}, {"settingID", describe::text(settingID)}});
  return RecipeError(c, std::move(recipe), std::move(settingID), text);
}

RecipeError RecipeError::unknownSetting(std::string recipe, std::string settingID) {
  return forSetting(Case::unknownSetting, "unknownSetting", std::move(recipe), std::move(settingID));
}
RecipeError RecipeError::valueTypeMismatch(std::string recipe, std::string settingID) {
  return forSetting(Case::valueTypeMismatch, "valueTypeMismatch", std::move(recipe), std::move(settingID));
}
RecipeError RecipeError::valueOutsideControl(std::string recipe, std::string settingID) {
  return forSetting(Case::valueOutsideControl, "valueOutsideControl", std::move(recipe), std::move(settingID));
}
RecipeError RecipeError::emptyRecipe(std::string recipe) {
  const auto text = describe::enumCase("emptyRecipe", {{std::nullopt, describe::text(recipe)}});
  return RecipeError(Case::emptyRecipe, std::move(recipe), "", text);
}
RecipeError RecipeError::duplicateRecipeID(std::string recipe) {
  const auto text = describe::enumCase("duplicateRecipeID", {{std::nullopt, describe::text(recipe)}});
  return RecipeError(Case::duplicateRecipeID, std::move(recipe), "", text);
}

}  // namespace amberloom
