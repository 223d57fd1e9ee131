#include <gtest/gtest.h>

#include <clocale>

#include "Preferences/ColorValue.hpp"

using amberloom::ColorValue;

TEST(ColorValue, ParsesThreeChannelsAndAnOptionalName) {
  struct Case {
    const char* text;
    std::optional<ColorValue> color;
  };
  const Case cases[] = {
      {"1 0 0", ColorValue{1, 0, 0, std::nullopt}},
      {"1.000000 0.733333 0.721569 Orange", ColorValue{1, 0.733333, 0.721569, "Orange"}},
      {"  0.5   0.25 0   Light    Blue  ", ColorValue{0.5, 0.25, 0, "Light Blue"}},
      {"0 0 1 ", ColorValue{0, 0, 1, std::nullopt}},
      {"1.5 0 0", std::nullopt},
      {"-0.1 0 0", std::nullopt},
      {"1 0", std::nullopt},
      {"", std::nullopt},
      {"red 0 0", std::nullopt},
      {"nan 0 0", std::nullopt},
      {"0 inf 0", std::nullopt},
      {"0,5 0 0", std::nullopt},
      {"0.5x 0 0", std::nullopt},
      {"0\t0 0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ColorValue::fromPreferenceString(c.text), c.color) << '"' << c.text << '"';
}

TEST(ColorValue, FormatsSixDecimalsWithAPointWhateverTheLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  std::setlocale(LC_ALL, "de_DE.UTF-8");  // a comma locale when installed; harmless otherwise
  EXPECT_EQ((ColorValue{1, 0, 0, std::nullopt}).preferenceString(), "1.000000 0.000000 0.000000");
  EXPECT_EQ((ColorValue{0.5, 0.25, 1.0 / 3.0, "Light Blue"}).preferenceString(), "0.500000 0.250000 0.333333 Light Blue");
  EXPECT_EQ((ColorValue{0, 0, 0, ""}).preferenceString(), "0.000000 0.000000 0.000000");
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(ColorValue, StoredTextReadsBackAsTheSameColour) {
  const ColorValue color{1, 0.733333, 0.721569, "Orange"};
  EXPECT_EQ(ColorValue::fromPreferenceString(color.preferenceString()), color);
}
