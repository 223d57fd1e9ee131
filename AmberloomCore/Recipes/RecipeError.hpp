#pragma once
// Why a recipe file is refused: each case names the recipe and, for a faulty value, the setting.

#include <string>

#include "Support/ErrorDescription.hpp"

namespace amberloom {

class RecipeError : public DescribedError {
 public:
  enum class Case { unknownSetting, valueTypeMismatch, valueOutsideControl, emptyRecipe, duplicateRecipeID };

  // The catalogue has no setting of that ID.
  static RecipeError unknownSetting(std::string recipe, std::string settingID);
  // The value cannot become the setting's type (a double for an int, a number for a string, ...).
  static RecipeError valueTypeMismatch(std::string recipe, std::string settingID);
  // The setting's control does not admit the value.
  static RecipeError valueOutsideControl(std::string recipe, std::string settingID);
  // The recipe's "settings" object is empty.
  static RecipeError emptyRecipe(std::string recipe);
  // A second recipe with an ID already met.
  static RecipeError duplicateRecipeID(std::string recipe);

  Case errorCase() const { return case_; }
  const std::string& recipe() const { return recipe_; }
  const std::string& settingID() const { return settingID_; }  // empty for the last two cases
  bool operator==(const RecipeError& other) const {
    return case_ == other.case_ && recipe_ == other.recipe_ && settingID_ == other.settingID_;
  }

 private:
  RecipeError(Case c, std::string recipe, std::string settingID, const std::string& description)
      : DescribedError(description), case_(c), recipe_(std::move(recipe)), settingID_(std::move(settingID)) {}
  static RecipeError forSetting(Case c, const char* name, std::string recipe, std::string settingID);
  Case case_;
  std::string recipe_;
  std::string settingID_;
};

}  // namespace amberloom
