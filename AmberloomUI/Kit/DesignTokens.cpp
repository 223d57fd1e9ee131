#include "Kit/DesignTokens.hpp"

#include <QQmlEngine>
#include <cmath>

#include "Kit/SystemColorScheme.hpp"
#include "Preferences/Version.hpp"

namespace amberloom::ui {

namespace {

QColor toColor(const Palette::Rgba& c) { return QColor::fromRgbF(c.red, c.green, c.blue, c.opacity); }

// Field order: surface, surfaceRaised, surfaceGlass, surfaceGlassHi, onSurface, onSurfaceMuted,
// onSurfaceFaint, border, borderStrong, primary, primaryDeep, onPrimary, primaryGlow, stateOn,
// stateOnSoft, stateWarn, stateWarnSoft.
constexpr Palette::Colors lightColors = {
    {0.9882, 0.9882, 0.9922, 1},    {1, 1, 1, 1},
    {1, 1, 1, 0.72},                {1, 1, 1, 0.92},
    {0.0863, 0.0941, 0.102, 1},     {0.3059, 0.3176, 0.3412, 1},
    {0.4784, 0.4941, 0.5216, 1},    {0.0353, 0.0353, 0.0431, 0.09},
    {0.0353, 0.0353, 0.0431, 0.18}, {0.298, 0.3373, 0.7216, 1},
    {0.2392, 0.2706, 0.6, 1},       {1, 1, 1, 1},
    {0.298, 0.3373, 0.7216, 0.11},  {0.0824, 0.502, 0.2392, 1},
    {0.0824, 0.502, 0.2392, 0.11},  {0.6314, 0.3843, 0.0275, 1},
    {0.6314, 0.3843, 0.0275, 0.11},
};

constexpr Palette::Colors darkColors = {
    {0.0314, 0.0353, 0.0392, 1},   {0.0706, 0.0745, 0.0863, 1},
    {1, 1, 1, 0.045},              {1, 1, 1, 0.075},
    {0.9686, 0.9725, 0.9725, 1},   {0.7059, 0.7216, 0.749, 1},
    {0.5412, 0.5608, 0.5961, 1},   {1, 1, 1, 0.08},
    {1, 1, 1, 0.16},               {0.3686, 0.4157, 0.8235, 1},
    {0.298, 0.3373, 0.7216, 1},    {0.9294, 0.9333, 0.9843, 1},
    {0.3686, 0.4157, 0.8235, 0.15}, {0.2902, 0.8706, 0.502, 1},
    {0.2902, 0.8706, 0.502, 0.13},  {0.898, 0.6314, 0.2392, 1},
    {0.898, 0.6314, 0.2392, 0.13},
};

// Qt Quick on Linux takes 96 dots per inch, so one point of a QFont is 96/72 pixels.
constexpr qreal pixelsPerPoint = 96.0 / 72.0;

}  // namespace

Palette::Palette(const Colors& c)
    : surface_(toColor(c[0])),
      surfaceRaised_(toColor(c[1])),
      surfaceGlass_(toColor(c[2])),
      surfaceGlassHi_(toColor(c[3])),
      onSurface_(toColor(c[4])),
      onSurfaceMuted_(toColor(c[5])),
      onSurfaceFaint_(toColor(c[6])),
      border_(toColor(c[7])),
      borderStrong_(toColor(c[8])),
      primary_(toColor(c[9])),
      primaryDeep_(toColor(c[10])),
      onPrimary_(toColor(c[11])),
      primaryGlow_(toColor(c[12])),
      stateOn_(toColor(c[13])),
      stateOnSoft_(toColor(c[14])),
      stateWarn_(toColor(c[15])),
      stateWarnSoft_(toColor(c[16])) {}

QFont TextStyles::font(qreal size, QFont::Weight weight) {
  QFont font;
  if (size == std::floor(size))
    font.setPixelSize(static_cast<int>(size));
  else
    font.setPointSizeF(size / pixelsPerPoint);
  font.setWeight(weight);
  // Said outright, so that a control given this font does not take its theme's hinting instead.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

qreal TextStyles::sizeOf(const QFont& font) {
  return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * pixelsPerPoint;
}

TextStyles::TextStyles()
    : display_(font(56, QFont::ExtraBold)),
      h1_(font(40, QFont::ExtraBold)),
      h2_(font(28, QFont::ExtraBold)),
      h3_(font(18, QFont::Bold)),
      bodyLg_(font(17, QFont::Normal)),
      body_(font(15, QFont::Normal)),
      label_(font(14, QFont::DemiBold)),
      rowTitle_(font(17, QFont::Medium)),
      rowBody_(font(15, QFont::Normal)),
      rowMeta_(font(12, QFont::Normal)),
      caption_(font(13, QFont::Normal)),
      kicker_(font(12, QFont::Bold)),
      mono_(font(12.5, QFont::Normal)) {}

// Function-local statics: each is built once, on first use, safely from any thread.
Palette& Tokens::light() {
  static Palette palette(lightColors);
  return palette;
}

Palette& Tokens::dark() {
  static Palette palette(darkColors);
  return palette;
}

Radius& Tokens::radius() {
  static Radius radius;
  return radius;
}

TextStyles& Tokens::text() {
  static TextStyles text;
  return text;
}

Palette* Tokens::amberloomPalette(int scheme) {
  return scheme == SystemColorScheme::Dark ? &dark() : &light();
}

bool Tokens::glassBars() { return Version::current() >= Version({26}); }

Tokens* Tokens::create(QQmlEngine*, QJSEngine*) {
  static Tokens tokens;
  // The engine must never delete the shared objects it is handed.
  for (QObject* shared : std::initializer_list<QObject*>{&tokens, &light(), &dark(), &radius(), &text()})
    QJSEngine::setObjectOwnership(shared, QJSEngine::CppOwnership);
  return &tokens;
}

}  // namespace amberloom::ui
