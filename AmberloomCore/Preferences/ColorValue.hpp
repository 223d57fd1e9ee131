#pragma once
// The colour a colour setting holds: three channel intensities between 0 and 1 and an optional
// name, stored as one text ("1.000000 0.733333 0.721569 Orange").

#include <optional>
#include <string>

namespace amberloom {

struct ColorValue {
  double red = 0, green = 0, blue = 0;
  std::optional<std::string> name;

  // None for fewer than three numbers, a piece that is not a number, or a channel outside 0...1.
  static std::optional<ColorValue> fromPreferenceString(const std::string& text);
  // "%.6f %.6f %.6f" with a point whatever the locale, then " " and the name when it is not empty.
  std::string preferenceString() const;

  bool operator==(const ColorValue&) const = default;
};

}  // namespace amberloom
