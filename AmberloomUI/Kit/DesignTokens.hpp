#pragma once
// The one source of colours, corner radii and fonts for every screen. Fixed values compiled in:
// two palettes of 17 colours, seven radii and thirteen text styles, all read-only and shared.
// QML reads them through the `Tokens` singleton (`Tokens.light.surface`, `Tokens.radius.card`,
// `Tokens.text.rowTitle`); C++ through the static accessors below.

#include <QColor>
#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace amberloom::ui {

// One palette: 17 sRGB colours with opacity. The only instances are Tokens::light() and
// Tokens::dark(); views receive a pointer to one of them.
class Palette : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("The palettes are Tokens.light and Tokens.dark")
  Q_PROPERTY(QColor surface MEMBER surface_ CONSTANT)
  Q_PROPERTY(QColor surfaceRaised MEMBER surfaceRaised_ CONSTANT)
  Q_PROPERTY(QColor surfaceGlass MEMBER surfaceGlass_ CONSTANT)
  Q_PROPERTY(QColor surfaceGlassHi MEMBER surfaceGlassHi_ CONSTANT)
  Q_PROPERTY(QColor onSurface MEMBER onSurface_ CONSTANT)
  Q_PROPERTY(QColor onSurfaceMuted MEMBER onSurfaceMuted_ CONSTANT)
  Q_PROPERTY(QColor onSurfaceFaint MEMBER onSurfaceFaint_ CONSTANT)
  Q_PROPERTY(QColor border MEMBER border_ CONSTANT)
  Q_PROPERTY(QColor borderStrong MEMBER borderStrong_ CONSTANT)
  Q_PROPERTY(QColor primary MEMBER primary_ CONSTANT)
  Q_PROPERTY(QColor primaryDeep MEMBER primaryDeep_ CONSTANT)
  Q_PROPERTY(QColor onPrimary MEMBER onPrimary_ CONSTANT)
  Q_PROPERTY(QColor primaryGlow MEMBER primaryGlow_ CONSTANT)
  Q_PROPERTY(QColor stateOn MEMBER stateOn_ CONSTANT)
  Q_PROPERTY(QColor stateOnSoft MEMBER stateOnSoft_ CONSTANT)
  Q_PROPERTY(QColor stateWarn MEMBER stateWarn_ CONSTANT)
  Q_PROPERTY(QColor stateWarnSoft MEMBER stateWarnSoft_ CONSTANT)

 public:
  // The colours in field order: red, green, blue, opacity, each 0...1.
  struct Rgba {
    double red, green, blue, opacity;
  };
  using Colors = Rgba[17];

  explicit Palette(const Colors& colors);

  const QColor& onSurface() const { return onSurface_; }
  const QColor& primary() const { return primary_; }

 private:
  QColor surface_, surfaceRaised_, surfaceGlass_, surfaceGlassHi_, onSurface_, onSurfaceMuted_,
      onSurfaceFaint_, border_, borderStrong_, primary_, primaryDeep_, onPrimary_, primaryGlow_,
      stateOn_, stateOnSoft_, stateWarn_, stateWarnSoft_;
};

// Corner radii in points.
class Radius : public QObject {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(qreal card READ card CONSTANT)
  Q_PROPERTY(qreal cardInner READ cardInner CONSTANT)
  Q_PROPERTY(qreal button READ button CONSTANT)
  Q_PROPERTY(qreal input READ input CONSTANT)
  Q_PROPERTY(qreal pill READ pill CONSTANT)
  Q_PROPERTY(qreal toggle READ toggle CONSTANT)
  Q_PROPERTY(qreal sidebarItem READ sidebarItem CONSTANT)

 public:
  static constexpr qreal card() { return 10; }
  static constexpr qreal cardInner() { return 8; }
  static constexpr qreal button() { return 8; }
  static constexpr qreal input() { return 7; }
  // A fixed 100 points, not half of a control's height.
  static constexpr qreal pill() { return 100; }
  static constexpr qreal toggle() { return 100; }
  static constexpr qreal sidebarItem() { return 6; }
};

// Text styles: the default sans font at a size in points (Qt logical pixels) and a weight.
class TextStyles : public QObject {
  Q_OBJECT
  QML_ANONYMOUS
  Q_PROPERTY(QFont display MEMBER display_ CONSTANT)
  Q_PROPERTY(QFont h1 MEMBER h1_ CONSTANT)
  Q_PROPERTY(QFont h2 MEMBER h2_ CONSTANT)
  Q_PROPERTY(QFont h3 MEMBER h3_ CONSTANT)
  Q_PROPERTY(QFont bodyLg MEMBER bodyLg_ CONSTANT)
  Q_PROPERTY(QFont body MEMBER body_ CONSTANT)
  Q_PROPERTY(QFont label MEMBER label_ CONSTANT)
  Q_PROPERTY(QFont rowTitle MEMBER rowTitle_ CONSTANT)
  Q_PROPERTY(QFont rowBody MEMBER rowBody_ CONSTANT)
  Q_PROPERTY(QFont rowMeta MEMBER rowMeta_ CONSTANT)
  Q_PROPERTY(QFont caption MEMBER caption_ CONSTANT)
  Q_PROPERTY(QFont kicker MEMBER kicker_ CONSTANT)
  Q_PROPERTY(QFont mono MEMBER mono_ CONSTANT)

 public:
  TextStyles();

  // The font of `size` points and `weight`, drawn unhinted (see useUnhintedText). A whole size is
  // set in pixels; a fractional one (12.5) in points at the 96 dpi that Qt Quick takes as one
  // pixel per point here.
  static QFont font(qreal size, QFont::Weight weight);
  // The size in points `font` was built with.
  static qreal sizeOf(const QFont& font);

  const QFont& body() const { return body_; }
  const QFont& label() const { return label_; }
  const QFont& rowTitle() const { return rowTitle_; }
  const QFont& rowBody() const { return rowBody_; }
  const QFont& rowMeta() const { return rowMeta_; }
  const QFont& caption() const { return caption_; }

 private:
  QFont display_, h1_, h2_, h3_, bodyLg_, body_, label_, rowTitle_, rowBody_, rowMeta_, caption_,
      kicker_, mono_;
};

// The tokens as one QML singleton. Every accessor returns the same shared instance each time.
class Tokens : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON
  Q_PROPERTY(amberloom::ui::Palette* light READ lightPalette CONSTANT)
  Q_PROPERTY(amberloom::ui::Palette* dark READ darkPalette CONSTANT)
  Q_PROPERTY(amberloom::ui::Radius* radius READ radiusTokens CONSTANT)
  Q_PROPERTY(amberloom::ui::TextStyles* text READ textTokens CONSTANT)
  // Whether bars take the glass finish of macOS 26 and later (no line along their top edge)
  // rather than the bar material of earlier versions; read from the running version each time.
  Q_PROPERTY(bool glassBars READ glassBars CONSTANT)

 public:
  static Palette& light();
  static Palette& dark();
  static Radius& radius();
  static TextStyles& text();

  // The palette for a colour scheme (a SystemColorScheme::Scheme value): the dark palette for
  // Dark, the light palette for any other value.
  Q_INVOKABLE static amberloom::ui::Palette* amberloomPalette(int scheme);

  // The one shared instance, owned by C++.
  static Tokens* create(QQmlEngine*, QJSEngine*);

 private:
  Tokens() = default;
  Palette* lightPalette() const { return &light(); }
  Palette* darkPalette() const { return &dark(); }
  Radius* radiusTokens() const { return &radius(); }
  TextStyles* textTokens() const { return &text(); }
  static bool glassBars();
};

}  // namespace amberloom::ui
