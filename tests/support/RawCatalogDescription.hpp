#pragma once
// Every field of a catalogue's records as text, so that the results of two readers compare (and
// differ readably) in tests and in the fuzzing targets.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Catalog/RawCatalog.hpp"

namespace amberloom::testing {

inline std::string describeScalar(const RawScalar& scalar) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) return v ? "bool true" : "bool false";
        else if constexpr (std::is_same_v<T, std::int64_t>) return "int " + std::to_string(v);
        else if constexpr (std::is_same_v<T, double>) return "double " + std::to_string(v);
        else return "string " + v;
      },
      scalar.value());
}

inline std::string describeVersion(const std::optional<Version>& version) { return version ? version->description() : "-"; }

inline std::string describeStrings(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (const auto& text : texts) out += text + ";";
  return out + "]";
}

inline std::string describeOptional(const std::optional<std::string>& text) { return text ? "'" + *text + "'" : "-"; }

// Every field of the records, so that two readers' results compare as text.
inline std::string describeRecords(const RawCatalog& catalog) {
  std::string out = "schema " + std::to_string(catalog.schemaVersion) + " edition " + std::to_string(catalog.catalogVersion) + "\n";
  for (const auto& s : catalog.settings) {
    out += "id '" + s.id + "' domain '" + s.domain + "' path " + describeStrings(s.path) + " type '" + s.type +
           "' label '" + s.label + "' byHost " + std::to_string(s.byHost) + " restart " + describeStrings(s.restart) +
           " osMin " + describeVersion(s.osMin) + " osMax " + describeVersion(s.osMax) + " app " +
           describeVersion(s.minAppVersion) + " broken";
    for (const auto& v : s.brokenOn) out += " " + v.description();
    out += " control ";
    if (!s.control) {
      out += "-";
    } else {
      out += "simple " + describeOptional(s.control->simple);
      if (s.control->choice) {
        out += " choice";
        for (const auto& option : *s.control->choice) out += " (" + describeScalar(option.value) + " '" + option.label + "')";
      }
      if (s.control->slider)
        out += " slider " + std::to_string(s.control->slider->min) + ".." + std::to_string(s.control->slider->max) +
               " step " + (s.control->slider->step ? std::to_string(*s.control->slider->step) : "-");
    }
    out += " channel " + describeOptional(s.channel) + " unverified " + std::to_string(s.effectUnverified) +
           " systemWritten " + std::to_string(s.systemWritten) + " asks " + std::to_string(s.asksBeforeSync) + " text ";
    if (s.text)
      out += "'" + s.text->summary + "' '" + s.text->whyHidden + "' level " + std::to_string(static_cast<int>(s.text->level)) +
             " '" + s.text->category + "' '" + s.text->categoryName + "' " + describeOptional(s.text->subcategory) + " " +
             describeOptional(s.text->subcategoryName) + " " + describeOptional(s.text->riskNote);
    else
      out += "-";
    out += " exposure " + describeOptional(s.exposure) + " risk " + describeOptional(s.risk) + " tier " +
           describeOptional(s.tier) + "\n";
  }
  return out;
}

}  // namespace amberloom::testing
