#pragma once
// Draws symbols by name for QML: `image://symbol/<name>/<colour>`, where <colour> is a QML colour
// without its "#" ("rrggbb" or "aarrggbb"). Each name the screens use is bundled as an SVG at
// build time; the image is that SVG drawn in the colour at the requested size. A name without an
// icon of its own, or one that is not a plain name, draws the neutral fallback icon.
// QML draws symbols through the `SymbolIcon` item (which asks symbol() directly) rather than
// building these addresses. Each SVG is read once: the provider reads the bundled icons on a worker
// as it is made, so that the first screen's rows only draw theirs; one not read yet is read where
// it is asked for. Any thread may ask.

#include <QQuickImageProvider>
#include <QString>
#include <memory>

class QQmlEngine;

namespace amberloom::ui {

class SymbolImageProvider : public QQuickImageProvider {
 public:
  SymbolImageProvider();
  ~SymbolImageProvider() override;

  // The resource of `name`'s icon, or of the fallback icon when `name` has none.
  static QString resourcePath(const QString& name);
  // Whether `name` has an icon of its own (not the fallback).
  static bool hasIcon(const QString& name);

  // Never fails: an unreadable colour draws in black, a missing size is 16 x 16.
  QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
  // `name`'s icon in `color` on a transparent square of `side` pixels. Each name, colour and side
  // is drawn once and kept while the provider lives (up to a bound that screens stay well under).
  QImage symbol(const QString& name, const QColor& color, int side);

 private:
  QImage draw(const QString& name, const QColor& color, const QSize& size);

  class Library;
  std::shared_ptr<Library> library_;
};

// Makes the kit usable in `engine`: registers the symbol image provider (the engine owns it) and
// the accessible form of the windows that say when they are busy (see WindowAccessibility) and of
// the controls (see ControlAccessibility), and
// has the application's text drawn unhinted (see useUnhintedText).
void installKit(QQmlEngine& engine);

// Text of every font made from now on is drawn from its glyphs' own outlines, as a Mac draws it,
// rather than fitted to the pixel grid. Fitting costs each size of each face a set-up of its own
// and each glyph a pass of the hinter: the largest part of the time the first screen's text takes.
void useUnhintedText();

}  // namespace amberloom::ui
