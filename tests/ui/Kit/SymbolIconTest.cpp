// A symbol item shows what the symbol image provider draws for its name, colour and size at the
// window's density, takes its Theme's colour while it has none of its own, and draws again when
// any of them changes.

#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>
#include <memory>

#include "Kit/DesignTokens.hpp"
#include "Kit/SymbolIcon.hpp"
#include "Kit/SymbolImageProvider.hpp"
#include "Kit/Theme.hpp"

using amberloom::ui::SymbolIcon;
using amberloom::ui::SymbolImageProvider;
using amberloom::ui::Theme;
using amberloom::ui::ThemeAttached;
using amberloom::ui::Tokens;

TEST(SymbolIcon, ShowsTheProvidersSymbolInItsOwnColourOrElseItsThemes) {
  QQmlEngine engine;
  amberloom::ui::installKit(engine);
  QQmlComponent component(&engine);
  component.setData(R"(
      import QtQuick
      import AmberLoom.UI
      Window {
          width: 120; height: 60
          Theme.palette: Tokens.light
          Row {
              SymbolIcon { objectName: "tinted"; name: "gearshape"; color: "#ff0000"; pointSize: 20 }
              SymbolIcon { objectName: "themed"; name: "dock.rectangle" }
              SymbolIcon { objectName: "unknown"; name: "no.such.symbol"; color: "#336699"; pointSize: 12 }
          }
      })",
                    QUrl());
  std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow*>(component.create()));
  ASSERT_TRUE(window) << component.errorString().toStdString();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 60000));
  auto* provider = dynamic_cast<SymbolImageProvider*>(engine.imageProvider("symbol"));
  ASSERT_TRUE(provider);
  const auto icon = [&](const char* name) { return window->findChild<SymbolIcon*>(name); };
  const QColor lightInk = Tokens::light().onSurface();
  const QColor darkInk = Tokens::dark().onSurface();

  const struct {
    const char* icon;
    const char* symbol;
    QColor colour;
    int side;
  } cases[] = {
      {"tinted", "gearshape", QColor("#ff0000"), 20},
      {"themed", "dock.rectangle", lightInk, 13},
      {"unknown", "no.such.symbol", QColor("#336699"), 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.icon);
    SymbolIcon* item = icon(c.icon);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->width(), c.side) << "a square of its point size";
    EXPECT_EQ(item->color(), c.colour);
    QSize size;
    const QImage expected = provider->requestImage(QStringLiteral("%1/%2").arg(c.symbol, c.colour.name().mid(1)), &size,
                                                   QSize(c.side, c.side));
    EXPECT_EQ(item->image(), expected);
  }

  // Drawn, not only held: the middle of the red gear is red on the window.
  const QImage shown = window->grabWindow();
  const QImage gear = icon("tinted")->image();
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      if (qAlpha(gear.pixel(x, y)) == 255) {
        EXPECT_EQ(shown.pixelColor(x, y), QColor(255, 0, 0)) << x << "," << y;
      }
    }

  // The Theme's palette changes: only the icon without a colour of its own follows it.
  auto* theme = qobject_cast<ThemeAttached*>(qmlAttachedPropertiesObject<Theme>(window.get(), true));
  theme->setPalette(&Tokens::dark());
  EXPECT_EQ(icon("themed")->color(), darkInk);
  EXPECT_EQ(icon("tinted")->color(), QColor("#ff0000"));
  EXPECT_EQ(icon("themed")->image(), provider->symbol("dock.rectangle", darkInk, 13));

  // A colour of its own, then none again; a new name and size.
  SymbolIcon* themed = icon("themed");
  themed->setColor(Qt::blue);
  EXPECT_EQ(themed->image(), provider->symbol("dock.rectangle", Qt::blue, 13));
  themed->resetColor();
  EXPECT_EQ(themed->color(), darkInk);
  themed->setName("safari");
  themed->setPointSize(16);
  EXPECT_EQ(themed->width(), 16);
  EXPECT_EQ(themed->image(), provider->symbol("safari", darkInk, 16));
}
