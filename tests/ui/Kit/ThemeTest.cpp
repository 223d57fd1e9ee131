// How the palette reaches the items that draw with it: from the nearest ancestor that set one, the
// dark palette where none did, following reparenting and later changes, and in every open window
// when the system colour scheme changes.

#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <memory>
#include <vector>

#include "Kit/DesignTokens.hpp"
#include "Kit/SymbolImageProvider.hpp"
#include "Kit/SystemColorScheme.hpp"
#include "Kit/Theme.hpp"
#include "ScreenWindow.hpp"

using amberloom::testing::ScreenWindow;
using amberloom::testing::testQml;
using amberloom::ui::SystemColorScheme;
using amberloom::ui::Theme;
using amberloom::ui::ThemeAttached;
using amberloom::ui::Tokens;

namespace {

// Colours as "#rrggbb" text, so a failure reads plainly.
std::string hex(const QColor& color) { return color.name().toStdString(); }
std::string surfaceOf(const amberloom::ui::Palette& palette) { return hex(palette.property("surface").value<QColor>()); }
std::string raisedOf(const amberloom::ui::Palette& palette) { return hex(palette.property("surfaceRaised").value<QColor>()); }
std::string fillOf(const QQuickItem* item) { return hex(item->property("color").value<QColor>()); }
ThemeAttached* themeOf(QQuickItem* item) {
  return qobject_cast<ThemeAttached*>(qmlAttachedPropertiesObject<Theme>(item, true));
}

}  // namespace

TEST(Theme, anItemGetsTheNearestAncestorsPaletteAndDarkWithoutOne) {
  ScreenWindow window(testQml("ThemeTree.qml"), {300, 100}, ScreenWindow::Palette::None);
  QQuickItem* nested = window.item("nestedProbe");
  QQuickItem* late = window.item("lateProbe");
  EXPECT_EQ(fillOf(nested), surfaceOf(Tokens::light())) << "two items below the light palette";
  EXPECT_EQ(fillOf(late), surfaceOf(Tokens::dark())) << "no palette above";

  // Drawn, not only bound: a group with no palette above fills with the dark raised surface.
  const QImage image = window.grab();
  EXPECT_EQ(hex(image.pixelColor(150, 50)), raisedOf(Tokens::dark()));
  EXPECT_EQ(hex(image.pixelColor(50, 50)), surfaceOf(Tokens::light()));

  // A palette set later on an ancestor reaches what was already drawn below it.
  themeOf(window.item("lateBranch"))->setPalette(&Tokens::light());
  EXPECT_EQ(fillOf(late), surfaceOf(Tokens::light()));
  themeOf(window.item("lateBranch"))->resetPalette();
  EXPECT_EQ(fillOf(late), surfaceOf(Tokens::dark()));

  // Moving an item, or an item above it, takes the palette of the new place.
  for (QQuickItem* moved : {nested, window.item("nestedHolder")}) {
    QQuickItem* home = moved->parentItem();
    moved->setParentItem(window.item("plainBranch"));
    EXPECT_EQ(fillOf(nested), surfaceOf(Tokens::dark())) << moved->objectName().toStdString();
    moved->setParentItem(home);
    EXPECT_EQ(fillOf(nested), surfaceOf(Tokens::light())) << moved->objectName().toStdString();
  }
}

TEST(Theme, aChangeOfColourSchemeRepaintsEveryOpenWindow) {
  QQmlEngine engine;
  amberloom::ui::installKit(engine);
  QQmlComponent component(&engine);
  component.setData(R"(
      import QtQuick
      import AmberLoom.UI
      Window {
          width: 80; height: 60
          Theme.palette: Tokens.amberloomPalette(SystemColorScheme.scheme)
          AppCanvas {}
      })",
                    QUrl());
  std::vector<std::unique_ptr<QQuickWindow>> windows;
  for (int i = 0; i < 2; ++i) {
    windows.emplace_back(qobject_cast<QQuickWindow*>(component.create()));
    ASSERT_TRUE(windows.back()) << component.errorString().toStdString();
    windows.back()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(windows.back().get(), 60000));
  }

  auto& scheme = SystemColorScheme::instance();
  for (auto [to, palette] : {std::pair{SystemColorScheme::Dark, &Tokens::dark()},
                             std::pair{SystemColorScheme::Light, &Tokens::light()}}) {
    scheme.setScheme(to);
    for (const auto& window : windows)
      EXPECT_EQ(hex(window->grabWindow().pixelColor(40, 30)), surfaceOf(*palette)) << to;
  }
}
