#pragma once
// A ready-made set of values for several catalogue settings, shown to the user as a quick setup.

#include <map>
#include <optional>
#include <string>

#include "Preferences/PreferenceValue.hpp"

namespace amberloom {

struct Recipe {
  std::string id;  // unique within its catalogue
  std::string title;
  std::string tagline;  // one-line pitch
  std::string summary;  // the longer text, "description" in the recipe file
  std::optional<std::string> caution;
  // Setting ID -> value, already of the setting's type and accepted by its control; never empty
  // once loaded. Keys iterate in ascending code-point order.
  std::map<std::string, PreferenceValue> values;

  const std::string& description() const { return summary; }
  bool operator==(const Recipe&) const = default;
};

}  // namespace amberloom
