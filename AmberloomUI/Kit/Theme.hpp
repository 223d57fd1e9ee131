#pragma once
// The palette in force, carried down the item tree. A screen sets `Theme.palette` on its root
// (usually `Tokens.amberloomPalette(SystemColorScheme.scheme)`); every item below reads
// `Theme.palette` and gets the palette of its nearest ancestor that set one, or the dark palette
// where none did. A window's palette reaches the items of its content. Reparenting an item, or
// setting a palette on an ancestor later, updates what the items below read.

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "Kit/DesignTokens.hpp"

class QQuickItem;
class QQuickWindow;

namespace amberloom::ui {

class ThemeAttached : public QObject {
  Q_OBJECT
  Q_PROPERTY(amberloom::ui::Palette* palette READ palette WRITE setPalette RESET resetPalette NOTIFY paletteChanged)

 public:
  // `owner` is the item or window the attached object belongs to.
  explicit ThemeAttached(QObject* owner);

  // The palette set here, else the inherited one; never null.
  Palette* palette() const;
  // Sets the palette for the owner's subtree; null clears it (the owner inherits again).
  void setPalette(Palette* palette);
  void resetPalette() { setPalette(nullptr); }

 signals:
  void paletteChanged();

 private:
  // Links this Theme to the parent item's (or, for a window's content item, the window's).
  void resolve();
  // Takes the palette of the Theme above again.
  void inheritedChanged();
  void emitIfChanged(Palette* before);

  QPointer<QObject> owner_;
  Palette* own_ = nullptr;
  Palette* inherited_ = nullptr;  // the palette of the Theme above; null for none
  QPointer<ThemeAttached> ancestor_;
  QMetaObject::Connection ancestorWatch_;
  QMetaObject::Connection windowWatch_;
};

// Registers the attached property `Theme.palette`.
class Theme : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Theme is only used as an attached property")
  QML_ATTACHED(amberloom::ui::ThemeAttached)

 public:
  static ThemeAttached* qmlAttachedProperties(QObject* owner) { return new ThemeAttached(owner); }
};

}  // namespace amberloom::ui
