#include "Recipes/RecipeCatalog.hpp"

#include <set>
#include <utility>

#include "Preferences/BundledResource.hpp"

namespace amberloom {
namespace {

struct RawRecipe {
  std::string id, title, tagline, description;
  std::optional<std::string> caution;
  std::vector<std::pair<std::string, RawScalar>> settings;
};

// The whole file is decoded before any recipe is checked, so a decoding fault always wins.
std::vector<RawRecipe> decodeFile(std::string_view bytes) {
  const Json root = parseJson(bytes);
  const CodingPath top;
  requireObject(root, top);
  const CodingPath listPath = appending(top, "recipes");
  const Json& list = requireArray(member(root, "recipes", top), listPath);

  std::vector<RawRecipe> recipes;
  recipes.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    const CodingPath path = appending(listPath, i);
    const Json& object = requireObject(list[i], path);
    RawRecipe raw;
    raw.id = requiredString(object, "id", path);
    raw.title = requiredString(object, "title", path);
    raw.tagline = requiredString(object, "tagline", path);
    raw.description = requiredString(object, "description", path);
    raw.caution = optionalString(object, "caution", path);
    const CodingPath settingsPath = appending(path, "settings");
    const Json& settings = requireObject(member(object, "settings", path), settingsPath);
    for (const auto& [settingID, scalar] : settings.items())
      raw.settings.emplace_back(settingID, RawScalar::fromJson(scalar, appending(settingsPath, settingID)));
    recipes.push_back(std::move(raw));
  }
  return recipes;
}

Recipe validate(RawRecipe raw, const SettingsCatalog& catalog) {
  if (raw.settings.empty()) throw RecipeError::emptyRecipe(raw.id);
  std::map<std::string, PreferenceValue> values;
  for (const auto& [settingID, scalar] : raw.settings) {
    const SettingDefinition* setting = catalog.setting(settingID);
    if (!setting) throw RecipeError::unknownSetting(raw.id, settingID);
    auto value = scalar.preferenceValue(setting->type);
    if (!value) throw RecipeError::valueTypeMismatch(raw.id, settingID);
    if (!setting->control.accepts(*value)) throw RecipeError::valueOutsideControl(raw.id, settingID);
    values.insert_or_assign(settingID, std::move(*value));
  }
  return Recipe{std::move(raw.id),          std::move(raw.title),   std::move(raw.tagline),
                std::move(raw.description), std::move(raw.caution), std::move(values)};
}

}  // namespace

RecipeCatalog RecipeCatalog::bundled(const SettingsCatalog& catalog) {
  return fromData(BundledResource::data("recipes"), catalog);
}

RecipeCatalog RecipeCatalog::fromData(std::string_view bytes, const SettingsCatalog& catalog) {
  auto raws = decodeFile(bytes);
  std::set<std::string> seen;
  std::vector<Recipe> recipes;
  recipes.reserve(raws.size());
  for (auto& raw : raws) {
    if (!seen.insert(raw.id).second) throw RecipeError::duplicateRecipeID(raw.id);
    recipes.push_back(validate(std::move(raw), catalog));
  }
  return RecipeCatalog(std::move(recipes));
}

const Recipe* RecipeCatalog::recipe(const std::string& id) const {
  for (const auto& recipe : recipes_)
    if (recipe.id == id) return &recipe;
  return nullptr;
}

}  // namespace amberloom
