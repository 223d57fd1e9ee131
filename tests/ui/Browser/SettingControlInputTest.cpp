// What the setting controls show for a value and what each input hands over, without a window.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Browser/SettingControlInput.hpp"

using namespace amberloom;
using namespace amberloom::ui::SettingControlInput;
using T = SettingValueType;

namespace {

PreferenceValue real(double v) { return PreferenceValue::real(v); }
PreferenceValue integer(std::int64_t v) { return PreferenceValue::integer(v); }
PreferenceValue text(std::string v) { return PreferenceValue::string(std::move(v)); }

}  // namespace

TEST(SettingControlInput, sliderSnapsToTheGridAndStaysWithinTheRange) {
  struct Case {
    T type;
    ControlRange range;
    double position;
    PreferenceValue expected;
  };
  const Case cases[] = {
      {T::real, {0, 1, 0.25}, 0.6, real(0.5)},
      {T::real, {0, 1, 0.25}, 0.625, real(0.75)},  // halves away from zero
      {T::integer, {1, 10, 2}, 1, integer(2)},
      {T::integer, {1, 10, 2}, 5, integer(6)},
      {T::real, {0, 1, 0}, 0.123, real(0.123)},  // no step: unsnapped
      // The grid counts from zero; a snapped value beyond either end is kept at that end.
      {T::real, {0.4, 2.6, 1}, 2.6, real(2.6)},
      {T::real, {0.5, 2.2, 1}, 2.7, real(2.2)},
      // An int setting stays whole and within the range.
      {T::integer, {0.5, 2.6, 1}, 2.6, integer(2)},
      {T::integer, {0.5, 2.6, 1}, 0.5, integer(1)},
      {T::integer, {-10, 10, 0}, -2.5, integer(-3)},
      // A step so fine that the grid cannot count to the position leaves it unsnapped.
      {T::real, {0, 10, 5e-324}, 5, real(5)},
      {T::real, {-1e308, 1e308, 1e-300}, 1e10, real(1e10)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sliderValue(c.type, c.range, c.position), c.expected)
        << c.range.min << ".." << c.range.max << " step " << c.range.step << " at " << c.position;
}

TEST(SettingControlInput, sliderShowsTheValueClampedAndLabelsItUnclamped) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    T type;
    ControlRange range;
    std::optional<PreferenceValue> value;
    double knob;
    std::string label;
  };
  const Case cases[] = {
      {T::real, {0, 1, 0.05}, std::nullopt, 0, "0.00"},
      {T::real, {0, 1, 0.05}, real(2.5), 1, "2.50"},
      {T::real, {0, 1, 0.1}, real(0.25), 0.25, "0.2"},  // a step of 0.1 takes one decimal
      {T::integer, {1, 10, 2}, real(2.5), 2.5, "3"},
      {T::real, {0, 1, 0.1}, text("loud"), 0, "0.0"},
      {T::real, {0, 1, 0.1}, real(nan), 0, "–"},
      {T::integer, {0, 1, 1}, real(1e30), 1, "1000000000000000019884624838656"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(knobPosition(c.value, c.range), c.knob) << c.label;
    EXPECT_EQ(sliderLabel(c.type, c.range, c.value), c.label);
  }
}

TEST(SettingControlInput, textCommitsADraftOfTheSettingsKindOnlyWhenItDiffers) {
  struct Case {
    T type;
    std::optional<PreferenceValue> current;
    std::string draft;
    std::optional<PreferenceValue> expected;
  };
  const Case cases[] = {
      {T::string, std::nullopt, "", std::nullopt},
      {T::string, std::nullopt, "abc", text("abc")},
      {T::string, text("abc"), "abc", std::nullopt},
      {T::string, text("x"), "a\nb\x01", text("a\nb\x01")},
      {T::string, integer(3), "3", std::nullopt},  // reads as the shown text
      {T::integer, integer(3), " 12 ", integer(12)},
      {T::integer, std::nullopt, "+7", integer(7)},
      {T::integer, std::nullopt, "-9223372036854775808", integer(std::numeric_limits<std::int64_t>::min())},
      {T::integer, std::nullopt, "9223372036854775808", std::nullopt},  // overflow
      {T::integer, std::nullopt, "1x", std::nullopt},
      {T::integer, std::nullopt, "+-1", std::nullopt},
      {T::integer, integer(3), "03", std::nullopt},  // the same number
      {T::real, real(2.5), "2.50", std::nullopt},
      {T::real, real(2.5), "3", real(3.0)},
      {T::real, std::nullopt, "-0.125", real(-0.125)},
      {T::real, std::nullopt, "inf", std::nullopt},
      {T::real, std::nullopt, "1e999", std::nullopt},
      {T::boolean, std::nullopt, "yes", text("yes")},
  };
  for (const auto& c : cases) EXPECT_EQ(committedText(c.type, c.current, c.draft), c.expected) << "draft '" << c.draft << "'";

  EXPECT_EQ(textReading(integer(-42)), "-42");
  EXPECT_EQ(textReading(real(0.1)), "0.1");
  EXPECT_EQ(textReading(PreferenceValue::boolean(true)), "");
}

TEST(SettingControlInput, pickedColourIsClampedAndKeepsTheCurrentName) {
  const auto named = text("1 0 0 Alert red");
  EXPECT_EQ(pickedColour(0, 0, 1, named), text("0.000000 0.000000 1.000000 Alert red"));
  EXPECT_EQ(pickedColour(0, 0, 1, std::nullopt), text("0.000000 0.000000 1.000000"));
  // Wide-gamut components beyond 0...1 would make a text the colour reader refuses.
  const auto wide = pickedColour(1.09, -0.23, std::numeric_limits<double>::quiet_NaN(), text("0 0 0 Deep"));
  EXPECT_EQ(wide, text("1.000000 0.000000 0.000000 Deep"));
  EXPECT_TRUE(ColorValue::fromPreferenceString(wide.asString()));

  EXPECT_EQ(colourName(named), "Alert red");
  EXPECT_EQ(colourName(text("1 0 0")), std::nullopt);
  EXPECT_EQ(colourName(text("1 0 2 Too bright")), std::nullopt);
  EXPECT_FALSE(shownColour(text("red")));
}

TEST(SettingControlInput, folderShortensTheHomeFolderOnly) {
  const std::string home = "/home/u";
  EXPECT_EQ(folderText(text("/home/u/Shots"), home), "~/Shots");
  EXPECT_EQ(folderText(text("/home/u"), home), "~");
  EXPECT_EQ(folderText(text("/home/user2/Shots"), home), "/home/user2/Shots");
  EXPECT_EQ(folderText(text(""), home), std::nullopt);
  EXPECT_EQ(folderText(integer(1), home), std::nullopt);
}
