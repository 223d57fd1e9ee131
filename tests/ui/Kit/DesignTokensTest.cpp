// The design tokens as the views read them (by property name, through the meta-object), and the
// rule that picks a palette from a colour scheme.

#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QRgba64>
#include <QVariant>
#include <array>
#include <cmath>

#include "Kit/DesignTokens.hpp"
#include "Kit/SystemColorScheme.hpp"

using amberloom::ui::Palette;
using amberloom::ui::SystemColorScheme;
using amberloom::ui::TextStyles;
using amberloom::ui::Tokens;

namespace {

struct ColorRow {
  const char* field;
  std::array<double, 4> light;
  std::array<double, 4> dark;
};

const ColorRow colorTable[] = {
    {"surface", {0.9882, 0.9882, 0.9922, 1}, {0.0314, 0.0353, 0.0392, 1}},
    {"surfaceRaised", {1, 1, 1, 1}, {0.0706, 0.0745, 0.0863, 1}},
    {"surfaceGlass", {1, 1, 1, 0.72}, {1, 1, 1, 0.045}},
    {"surfaceGlassHi", {1, 1, 1, 0.92}, {1, 1, 1, 0.075}},
    {"onSurface", {0.0863, 0.0941, 0.102, 1}, {0.9686, 0.9725, 0.9725, 1}},
    {"onSurfaceMuted", {0.3059, 0.3176, 0.3412, 1}, {0.7059, 0.7216, 0.749, 1}},
    {"onSurfaceFaint", {0.4784, 0.4941, 0.5216, 1}, {0.5412, 0.5608, 0.5961, 1}},
    {"border", {0.0353, 0.0353, 0.0431, 0.09}, {1, 1, 1, 0.08}},
    {"borderStrong", {0.0353, 0.0353, 0.0431, 0.18}, {1, 1, 1, 0.16}},
    {"primary", {0.298, 0.3373, 0.7216, 1}, {0.3686, 0.4157, 0.8235, 1}},
    {"primaryDeep", {0.2392, 0.2706, 0.6, 1}, {0.298, 0.3373, 0.7216, 1}},
    {"onPrimary", {1, 1, 1, 1}, {0.9294, 0.9333, 0.9843, 1}},
    {"primaryGlow", {0.298, 0.3373, 0.7216, 0.11}, {0.3686, 0.4157, 0.8235, 0.15}},
    {"stateOn", {0.0824, 0.502, 0.2392, 1}, {0.2902, 0.8706, 0.502, 1}},
    {"stateOnSoft", {0.0824, 0.502, 0.2392, 0.11}, {0.2902, 0.8706, 0.502, 0.13}},
    {"stateWarn", {0.6314, 0.3843, 0.0275, 1}, {0.898, 0.6314, 0.2392, 1}},
    {"stateWarnSoft", {0.6314, 0.3843, 0.0275, 0.11}, {0.898, 0.6314, 0.2392, 0.13}},
};

QColor colorOf(const Palette& palette, const char* field) { return palette.property(field).value<QColor>(); }

// QColor keeps 16 bits a component: exact means the nearest 16-bit step of the decimal.
void expectComponents(const QColor& color, const std::array<double, 4>& expected, const std::string& what) {
  const QRgba64 actual = color.rgba64();
  const std::array<unsigned, 4> components = {actual.red(), actual.green(), actual.blue(), actual.alpha()};
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(components[i], static_cast<unsigned>(std::lround(expected[i] * 65535))) << what << " component " << i;
}

}  // namespace

TEST(DesignTokens, everyPaletteColourHasItsExactComponentsInBothPalettes) {
  ASSERT_EQ(Tokens::light().metaObject()->propertyCount() - Tokens::light().metaObject()->propertyOffset(), 17);
  for (const ColorRow& row : colorTable) {
    expectComponents(colorOf(Tokens::light(), row.field), row.light, std::string("light ") + row.field);
    expectComponents(colorOf(Tokens::dark(), row.field), row.dark, std::string("dark ") + row.field);
  }
}

TEST(DesignTokens, paletteRelationsHoldInBothPalettes) {
  for (const Palette* palette : {&Tokens::light(), &Tokens::dark()}) {
    const QColor primary = colorOf(*palette, "primary"), glow = colorOf(*palette, "primaryGlow");
    EXPECT_EQ(glow.rgb(), primary.rgb());
    EXPECT_LT(glow.alphaF(), primary.alphaF());
    EXPECT_EQ(colorOf(*palette, "stateOnSoft").rgb(), colorOf(*palette, "stateOn").rgb());
    EXPECT_EQ(colorOf(*palette, "stateWarnSoft").rgb(), colorOf(*palette, "stateWarn").rgb());
    EXPECT_EQ(colorOf(*palette, "borderStrong").rgba64().alpha(),
              static_cast<unsigned>(std::lround(colorOf(*palette, "border").alphaF() * 2 * 65535)));
    for (const char* translucent : {"surfaceGlass", "surfaceGlassHi", "border", "borderStrong"})
      EXPECT_LT(colorOf(*palette, translucent).alphaF(), 1) << translucent;
  }
  EXPECT_EQ(colorOf(Tokens::dark(), "primaryDeep"), colorOf(Tokens::light(), "primary"));
  EXPECT_GT(colorOf(Tokens::light(), "surface").lightnessF(), colorOf(Tokens::light(), "onSurface").lightnessF());
  EXPECT_LT(colorOf(Tokens::dark(), "surface").lightnessF(), colorOf(Tokens::dark(), "onSurface").lightnessF());
}

TEST(DesignTokens, radiiAndTextStylesHaveTheirSizesAndWeights) {
  const std::pair<const char*, double> radii[] = {{"card", 10},  {"cardInner", 8}, {"button", 8},     {"input", 7},
                                                  {"pill", 100}, {"toggle", 100},  {"sidebarItem", 6}};
  for (const auto& [name, radius] : radii) EXPECT_EQ(Tokens::radius().property(name).toReal(), radius) << name;

  const struct {
    const char* name;
    double size;
    QFont::Weight weight;
  } styles[] = {
      {"display", 56, QFont::ExtraBold}, {"h1", 40, QFont::ExtraBold},     {"h2", 28, QFont::ExtraBold},
      {"h3", 18, QFont::Bold},           {"bodyLg", 17, QFont::Normal},    {"body", 15, QFont::Normal},
      {"label", 14, QFont::DemiBold},    {"rowTitle", 17, QFont::Medium},  {"rowBody", 15, QFont::Normal},
      {"rowMeta", 12, QFont::Normal},    {"caption", 13, QFont::Normal},   {"kicker", 12, QFont::Bold},
      {"mono", 12.5, QFont::Normal},
  };
  for (const auto& style : styles) {
    const QFont font = Tokens::text().property(style.name).value<QFont>();
    EXPECT_DOUBLE_EQ(TextStyles::sizeOf(font), style.size) << style.name;
    EXPECT_EQ(font.weight(), style.weight) << style.name;
    EXPECT_EQ(font.styleHint(), QFont::AnyStyle) << style.name << " is the standard face";
  }
}

TEST(DesignTokens, onlyTheDarkSchemeGivesTheDarkPalette) {
  EXPECT_EQ(Tokens::amberloomPalette(SystemColorScheme::Dark), &Tokens::dark());
  for (int other : {int(SystemColorScheme::Light), 2, -1, 99})
    EXPECT_EQ(Tokens::amberloomPalette(other), &Tokens::light()) << other;

  const std::pair<const char*, SystemColorScheme::Scheme> names[] = {
      {"dark", SystemColorScheme::Dark}, {"light", SystemColorScheme::Light}, {"Dark", SystemColorScheme::Light},
      {" dark", SystemColorScheme::Light}, {"", SystemColorScheme::Light},    {"blue", SystemColorScheme::Light}};
  for (const auto& [name, scheme] : names) EXPECT_EQ(SystemColorScheme::fromName(name), scheme) << name;

  const std::pair<uint, SystemColorScheme::Scheme> portal[] = {
      {0, SystemColorScheme::Light}, {1, SystemColorScheme::Dark}, {2, SystemColorScheme::Light}, {7, SystemColorScheme::Light}};
  for (const auto& [value, scheme] : portal) EXPECT_EQ(SystemColorScheme::fromPortalValue(value), scheme) << value;
}
