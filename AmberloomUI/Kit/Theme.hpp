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
#include <vector>

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
  // Finds the nearest ancestor that has a Theme and watches the way up to it.
  void resolve();
  // Resolves every Theme below `item` again.
  static void resolveBelow(QQuickItem* item);
  void emitIfChanged(Palette* before);

  QPointer<QObject> owner_;
  Palette* own_ = nullptr;
  QPointer<ThemeAttached> ancestor_;
  std::vector<QMetaObject::Connection> watches_;
};

// Registers the attached property `Theme.palette`.
class Theme : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Theme is only used as an attached property")
  QML_ATTACHED(amberloom::ui::ThemeAttached)

 public:
  static ThemeAttached* qmlAttachedProperties(QObject* owner) { return new ThemeAttached(owner); }
  // The owner's Theme if it has one; never creates one.
  static ThemeAttached* existing(QObject* owner);
};

}  // namespace amberloom::ui
