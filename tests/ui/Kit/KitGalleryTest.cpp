// The kit's components drawn together, in both palettes, as a user sees them. The images are
// saved under <build>/screens for a look.

#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QQuickItem>
#include <chrono>

#include "Kit/DesignTokens.hpp"
#include "Platform/ProcessRunner.hpp"
#include "ScreenWindow.hpp"

using amberloom::testing::renderInBothPalettes;
using amberloom::testing::ScreenWindow;
using amberloom::testing::testQml;
using amberloom::ui::Tokens;

namespace {

QColor colorOf(const amberloom::ui::Palette& palette, const char* field) {
  return palette.property(field).value<QColor>();
}

// Pixels come out in 8 bits a channel; allow one step of rounding.
void expectPixel(const QImage& image, QPoint at, const QColor& expected, const char* what) {
  const QColor actual = image.pixelColor(at);
  EXPECT_LE(std::abs(actual.red() - expected.red()), 1) << what;
  EXPECT_LE(std::abs(actual.green() - expected.green()), 1) << what;
  EXPECT_LE(std::abs(actual.blue() - expected.blue()), 1) << what;
}

}  // namespace

TEST(KitGallery, drawsCanvasGroupsAndCornersInEachPalette) {
  const auto images = renderInBothPalettes(testQml("KitGallery.qml"), "kit-gallery", {760, 980});
  ScreenWindow window(testQml("KitGallery.qml"), {760, 980});
  const QQuickItem* card = window.item("cardGroup");
  const QQuickItem* square = window.item("squareGroup");
  const QPoint cardCorner = card->mapToScene({0, 0}).toPoint();
  const QPoint squareCorner = square->mapToScene({0, 0}).toPoint();
  const QPoint cardInside = card->mapToScene({card->width() - 6, 4}).toPoint();

  for (const auto& [image, palette] : {std::pair{images.light, &Tokens::light()}, std::pair{images.dark, &Tokens::dark()}}) {
    expectPixel(image, {2, 2}, colorOf(*palette, "surface"), "the canvas");
    // Inside the group, away from its frame and rows: the raised surface.
    expectPixel(image, cardInside, colorOf(*palette, "surfaceRaised"), "the group's fill");
    // A rounded corner leaves the canvas showing; a square one is covered by the frame.
    expectPixel(image, cardCorner, colorOf(*palette, "surface"), "outside the rounded corner");
    EXPECT_NE(image.pixelColor(squareCorner), image.pixelColor(squareCorner - QPoint(3, 3))) << "square corner";
  }
}

// On a screen of twice the density (a Retina display) a symbol is drawn from an image of twice its
// size in pixels; in a layout it still takes its size in points, as everywhere else. The test runs
// itself again on such a screen.
TEST(KitGallery, symbolsInALayoutKeepTheirSizeOnADoubleDensityScreen) {
  if (qGuiApp->devicePixelRatio() == 1) {
    const auto ran = amberloom::platform::runProcess(
        "/usr/bin/env",
        {"QT_SCALE_FACTOR=2", QCoreApplication::applicationFilePath().toStdString(),
         "--gtest_filter=KitGallery.symbolsInALayoutKeepTheirSizeOnADoubleDensityScreen"},
        std::chrono::seconds(60));
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->exitStatus, 0) << ran->standardOutput << ran->standardError;
    EXPECT_NE(ran->standardOutput.find("[  PASSED  ] 1 test"), std::string::npos) << ran->standardOutput;
    return;
  }
  EXPECT_EQ(qGuiApp->devicePixelRatio(), 2);
  ScreenWindow window(testQml("KitGallery.qml"), {760, 980});
  const QQuickItem* symbol = window.item("barSymbol");
  EXPECT_EQ(symbol->width(), 16);
  EXPECT_EQ(symbol->height(), 16);
}
