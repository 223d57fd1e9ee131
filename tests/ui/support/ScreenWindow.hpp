#pragma once
// A QML screen shown offscreen the way the application shows one: in a window whose root carries
// the palette of the system colour scheme down to the screen. Tests drive it with QTest input,
// find its items by objectName and grab it as an image; `renderInBothPalettes` saves a screen as
// PNG files in the light and the dark palette under <build>/screens to be looked at.

#include <QImage>
#include <QQuickItem>
#include <QQuickView>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <memory>

namespace amberloom::testing {

// A file of tests/ui/qml.
QUrl testQml(const QString& fileName);

class ScreenWindow {
 public:
  enum class Palette { FromScheme, None };

  // Shows `screen` in a window of `size`; with Palette::None nothing above the screen sets a
  // palette. `properties` are set on the screen as it is made (its models). Waits until the window
  // is exposed. Throws std::runtime_error with the QML errors when the screen cannot be loaded.
  ScreenWindow(const QUrl& screen, QSize size, Palette palette = Palette::FromScheme,
               const QVariantMap& properties = {});
  ~ScreenWindow();

  QQuickView& window() { return *view_; }
  // The screen's root item.
  QQuickItem* screen() const;
  // The first item of the screen named `objectName`; throws std::runtime_error when there is none.
  QQuickItem* item(const QString& objectName) const;
  // The first item named `objectName` along the item tree of the whole window, pop-ups included
  // (the entries of a menu or a list have no object parent); throws std::runtime_error when none.
  QQuickItem* itemInWindow(const QString& objectName) const;
  // The first item named `objectName` along the item tree from `root` (itself included); null
  // when there is none.
  static QQuickItem* findBelow(QQuickItem* root, const QString& objectName);
  // The same among the items shown: nothing below a hidden item counts.
  static QQuickItem* findShownBelow(QQuickItem* root, const QString& objectName);
  // The item's centre in window coordinates, for mouse input.
  QPoint centreOf(const QQuickItem* item) const;
  // Renders the window now.
  QImage grab();

 private:
  std::unique_ptr<QQuickView> view_;
};

struct ScreenImages {
  QImage light;
  QImage dark;
};

// Renders `screen` under the light and then the dark colour scheme and saves the images as
// <build>/screens/<name>-light.png and <name>-dark.png. Leaves the light scheme in force.
ScreenImages renderInBothPalettes(const QUrl& screen, const QString& name, QSize size,
                                  const QVariantMap& properties = {});
// The same for a screen already shown (and set up by the test) in `window`.
ScreenImages renderInBothPalettes(ScreenWindow& window, const QString& name);

}  // namespace amberloom::testing
