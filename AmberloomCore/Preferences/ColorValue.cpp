#include "Preferences/ColorValue.hpp"

#include <charconv>
#include <sstream>
#include <vector>

namespace amberloom {
namespace {

std::optional<double> readNumber(const std::string& piece) {
  double value = 0;
  const char* begin = piece.data() + (piece.starts_with('+') ? 1 : 0);
  const char* end = piece.data() + piece.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string sixDecimals(double value) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6).ptr;
  return std::string(buffer, end);
}

}  // namespace

std::optional<ColorValue> ColorValue::fromPreferenceString(const std::string& text) {
  std::vector<std::string> pieces;
  std::string piece;
  for (char c : text) {
    if (c == ' ') {
      if (!piece.empty()) pieces.push_back(std::move(piece));
      piece.clear();
    } else {
      piece.push_back(c);
    }
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  if (pieces.size() < 3) return std::nullopt;

  double channels[3];
  for (int i = 0; i < 3; ++i) {
    const auto number = readNumber(pieces[static_cast<std::size_t>(i)]);
    if (!number || !(*number >= 0.0 && *number <= 1.0)) return std::nullopt;  // NaN fails too
    channels[i] = *number;
  }
  ColorValue color{channels[0], channels[1], channels[2], std::nullopt};
  if (pieces.size() > 3) {
    std::string name;
    for (std::size_t i = 3; i < pieces.size(); ++i) name += (i > 3 ? " " : "") + pieces[i];
    color.name = std::move(name);
  }
  return color;
}

std::string ColorValue::preferenceString() const {
  std::string text = sixDecimals(red) + " " + sixDecimals(green) + " " + sixDecimals(blue);
  if (name && !name->empty()) text += " " + *name;
  return text;
}

}  // namespace amberloom
